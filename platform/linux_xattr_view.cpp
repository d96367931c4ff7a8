#include <ftw.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "xattr_view.h"

namespace gw::platform {
namespace {

constexpr std::string_view kUserPrefix = "user.";

// The list and value calls race with other writers: size, then fetch, and
// start again when the value grew in between.
template <class Call>
Result<std::vector<char>> readSized(Call call) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) {
            return SysError::fromErrno(errno);
        }
        std::vector<char> buffer(static_cast<size_t>(size));
        if (size == 0) {
            return buffer;
        }
        const ssize_t got = call(buffer.data(), buffer.size());
        if (got >= 0) {
            buffer.resize(static_cast<size_t>(got));
            return buffer;
        }
        if (errno != ERANGE) {
            return SysError::fromErrno(errno);
        }
    }
    return SysError::fromErrno(ERANGE);
}

}  // namespace

int64_t XattrView::nameListLength(const Item& item) {
    const auto list = names(item);
    return list ? nameListLength(*list) : -1;
}

int64_t XattrView::nameListLength(const std::vector<std::string>& names) {
    int64_t length = 0;
    for (const auto& name : names) {
        length += static_cast<int64_t>(name.size()) + 1;
    }
    return length;
}

bool XattrView::has(const Item& item, const std::string& name) {
    const auto list = names(item);
    return list && std::find(list->begin(), list->end(), name) != list->end();
}

Result<std::vector<std::string>> LinuxXattrView::names(const Item& item) {
    const std::string path = item.descriptorPath();
    const auto raw = readSized([&](char* buf, size_t size) {
        return item.ioFd() >= 0 ? ::flistxattr(item.ioFd(), buf, size)
                                : ::listxattr(path.c_str(), buf, size);
    });
    if (!raw) {
        if (raw.error().code == ENOTSUP) {
            return std::vector<std::string>{};  // no attributes on this file system
        }
        return raw.error();
    }
    std::vector<std::string> result;
    const char* cursor = raw->data();
    const char* const end = raw->data() + raw->size();
    while (cursor < end) {
        const std::string_view name(cursor, strnlen(cursor, static_cast<size_t>(end - cursor)));
        if (name.size() > kUserPrefix.size() && name.substr(0, kUserPrefix.size()) == kUserPrefix) {
            result.emplace_back(name.substr(kUserPrefix.size()));
        }
        cursor += name.size() + 1;
    }
    return result;
}

Result<std::vector<char>> LinuxXattrView::value(const Item& item, const std::string& name) {
    const std::string path = item.descriptorPath();
    const std::string fullName = std::string(kUserPrefix) + name;
    return readSized([&](char* buf, size_t size) {
        return item.ioFd() >= 0 ? ::fgetxattr(item.ioFd(), fullName.c_str(), buf, size)
                                : ::getxattr(path.c_str(), fullName.c_str(), buf, size);
    });
}

Status LinuxXattrView::remove(const Item& item, const std::string& name) {
    const std::string fullName = std::string(kUserPrefix) + name;
    const int rc = item.ioFd() >= 0
                       ? ::fremovexattr(item.ioFd(), fullName.c_str())
                       : ::removexattr(item.descriptorPath().c_str(), fullName.c_str());
    if (rc != 0) {
        return SysError::fromErrno(errno);
    }
    return {};
}

namespace {

// nftw's callback has no user pointer; the walk runs on one thread at a time.
thread_local const std::string* walkedName = nullptr;
thread_local Status walkFailure;

int removeFromEntry(const char* path, const struct stat*, int type, struct FTW*) {
    if (type == FTW_SL || type == FTW_SLN) {
        return 0;  // links carry no user attributes and are never followed
    }
    if (::lremovexattr(path, walkedName->c_str()) != 0 && errno != ENODATA && errno != ENOTSUP &&
        walkFailure.ok()) {
        walkFailure = SysError::fromErrno(errno);
    }
    return 0;
}

thread_local const std::string* copyFrom = nullptr;
thread_local const std::string* copyTo = nullptr;

int copyToEntry(const char* path, const struct stat*, int type, struct FTW*) {
    if (type == FTW_SL || type == FTW_SLN) {
        return 0;
    }
    std::vector<char> value(256);
    ssize_t length = ::lgetxattr(path, walkedName->c_str(), value.data(), value.size());
    if (length < 0 && errno == ERANGE) {
        length = ::lgetxattr(path, walkedName->c_str(), nullptr, 0);
        value.resize(length > 0 ? static_cast<size_t>(length) : 0);
        length = ::lgetxattr(path, walkedName->c_str(), value.data(), value.size());
    }
    if (length < 0) {
        return 0;  // the original has none
    }
    const std::string copy = *copyTo + std::string(path).substr(copyFrom->size());
    if (::lsetxattr(copy.c_str(), walkedName->c_str(), value.data(), static_cast<size_t>(length),
                    0) != 0 &&
        walkFailure.ok()) {
        walkFailure = SysError::fromErrno(errno);
    }
    return 0;
}

}  // namespace

Status copyAttributeThroughout(const std::string& from, const std::string& to,
                               const std::string& name) {
    const std::string fullName = std::string(kUserPrefix) + name;
    walkedName = &fullName;
    copyFrom = &from;
    copyTo = &to;
    walkFailure = {};
    if (::nftw(from.c_str(), copyToEntry, 32, FTW_PHYS) != 0 && walkFailure.ok()) {
        walkFailure = SysError::fromErrno(errno);
    }
    walkedName = nullptr;
    copyFrom = copyTo = nullptr;
    return std::exchange(walkFailure, {});
}

Status removeAttributeThroughout(const std::string& root, const std::string& name) {
    const std::string fullName = std::string(kUserPrefix) + name;
    walkedName = &fullName;
    walkFailure = {};
    if (::nftw(root.c_str(), removeFromEntry, 32, FTW_PHYS) != 0 && walkFailure.ok()) {
        walkFailure = SysError::fromErrno(errno);
    }
    walkedName = nullptr;
    return std::exchange(walkFailure, {});
}

}  // namespace gw::platform
