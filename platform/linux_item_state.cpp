#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "file_flags.h"
#include "item_state.h"

namespace gw::platform {
namespace {

// The attribute calls for an item: through its read descriptor when it has
// one, else through its /proc path (which names the inode itself).
struct Attributes {
    const Item& item;

    ssize_t list(char* buffer, size_t size) const {
        return item.ioFd() >= 0 ? ::flistxattr(item.ioFd(), buffer, size)
                                : ::listxattr(item.descriptorPath().c_str(), buffer, size);
    }
    ssize_t get(const std::string& name, char* buffer, size_t size) const {
        return item.ioFd() >= 0
                   ? ::fgetxattr(item.ioFd(), name.c_str(), buffer, size)
                   : ::getxattr(item.descriptorPath().c_str(), name.c_str(), buffer, size);
    }
    int set(const std::string& name, const std::string& value) const {
        return item.ioFd() >= 0
                   ? ::fsetxattr(item.ioFd(), name.c_str(), value.data(), value.size(), 0)
                   : ::setxattr(item.descriptorPath().c_str(), name.c_str(), value.data(),
                                value.size(), 0);
    }
    int remove(const std::string& name) const {
        return item.ioFd() >= 0 ? ::fremovexattr(item.ioFd(), name.c_str())
                                : ::removexattr(item.descriptorPath().c_str(), name.c_str());
    }
};

// A value read whole, however it grows meanwhile; none when it isn't there.
Result<std::optional<std::string>> readValue(const Attributes& attributes,
                                             const std::string& name) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = attributes.get(name, nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA || errno == ENOTSUP)
                return std::optional<std::string>();
            return SysError::fromErrno(errno);
        }
        std::string value(static_cast<size_t>(size), '\0');
        const ssize_t got = attributes.get(name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<size_t>(got));
            return std::optional<std::string>(std::move(value));
        }
        if (errno != ERANGE)
            return SysError::fromErrno(errno);
    }
    return SysError::fromErrno(ERANGE);
}

Result<std::vector<std::string>> userNames(const Attributes& attributes) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = attributes.list(nullptr, 0);
        if (size < 0) {
            if (errno == ENOTSUP)
                return std::vector<std::string>{};
            return SysError::fromErrno(errno);
        }
        std::string buffer(static_cast<size_t>(size), '\0');
        const ssize_t got = attributes.list(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return SysError::fromErrno(errno);
        std::vector<std::string> names;
        for (size_t at = 0; at < static_cast<size_t>(got);) {
            const std::string name = buffer.c_str() + at;
            if (name.rfind("user.", 0) == 0)
                names.push_back(name);
            at += name.size() + 1;
        }
        return names;
    }
    return SysError::fromErrno(ERANGE);
}

}  // namespace

std::optional<std::pair<int64_t, uint32_t>> birthTime(const Item& item) {
    struct statx stx {};
    if (::statx(item.fd(), "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BTIME, &stx) != 0 ||
        !(stx.stx_mask & STATX_BTIME)) {
        return std::nullopt;
    }
    return std::pair(static_cast<int64_t>(stx.stx_btime.tv_sec), stx.stx_btime.tv_nsec);
}

Result<ItemState> captureState(const Item& item) {
    struct statx stx {};
    if (::statx(item.fd(), "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &stx) != 0) {
        return SysError::fromErrno(errno);
    }
    ItemState state;
    state.uid = stx.stx_uid;
    state.gid = stx.stx_gid;
    state.mode = stx.stx_mode & 07777u;
    if (stx.stx_mask & STATX_BTIME) {
        state.born = std::pair(static_cast<int64_t>(stx.stx_btime.tv_sec), stx.stx_btime.tv_nsec);
    }
    // The lock is among statx's attributes: no ioctl needed to read it.
    state.immutable = (stx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) &&
                      (stx.stx_attributes & STATX_ATTR_IMMUTABLE);
    if (!item.isRegularOrFolder()) {
        return state;  // links and the like carry no ACL, attribute or lock here
    }
    const Attributes attributes{item};
    auto access = readValue(attributes, "system.posix_acl_access");
    if (!access)
        return access.error();
    state.accessAcl = *access;
    if (item.kind() == FileKind::Directory) {
        auto inherited = readValue(attributes, "system.posix_acl_default");
        if (!inherited)
            return inherited.error();
        state.defaultAcl = *inherited;
    }
    auto names = userNames(attributes);
    if (!names)
        return names.error();
    for (const auto& name : *names) {
        auto value = readValue(attributes, name);
        if (!value)
            return value.error();
        if (*value)
            state.userAttributes.emplace_back(name, **value);
    }
    return state;
}

Status restoreState(const Item& item, const ItemState& state) {
    LinuxFileFlags flags;
    if (item.isRegularOrFolder()) {
        if (auto locks = flags.read(item); locks && locks->immutable) {
            if (auto unlocked = flags.setImmutable(item, false); unlocked.failed())
                return unlocked;
        }
    }
    if (::fchownat(item.fd(), "", state.uid, state.gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    if (!item.isRegularOrFolder()) {
        return {};  // a link has no mode of its own
    }
    const int rc = item.ioFd() >= 0 ? ::fchmod(item.ioFd(), state.mode)
                                    : ::chmod(item.descriptorPath().c_str(), state.mode);
    if (rc != 0) {
        return SysError::fromErrno(errno);
    }
    const Attributes attributes{item};
    const auto putBack = [&](const char* name, const std::optional<std::string>& value) -> Status {
        const int done = value ? attributes.set(name, *value) : attributes.remove(name);
        if (done != 0 && !(!value && (errno == ENODATA || errno == ENOTSUP)))
            return SysError::fromErrno(errno);
        return {};
    };
    if (auto put = putBack("system.posix_acl_access", state.accessAcl); put.failed())
        return put;
    if (item.kind() == FileKind::Directory) {
        if (auto put = putBack("system.posix_acl_default", state.defaultAcl); put.failed())
            return put;
    }
    auto present = userNames(attributes);
    if (!present)
        return present.error();
    for (const auto& name : *present) {
        const bool kept = std::any_of(state.userAttributes.begin(), state.userAttributes.end(),
                                      [&](const auto& entry) { return entry.first == name; });
        if (!kept && attributes.remove(name) != 0 && errno != ENODATA)
            return SysError::fromErrno(errno);
    }
    for (const auto& [name, value] : state.userAttributes) {
        if (attributes.set(name, value) != 0)
            return SysError::fromErrno(errno);
    }
    if (state.immutable) {
        return flags.setImmutable(item, true);
    }
    return {};
}

}  // namespace gw::platform
