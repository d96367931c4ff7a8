#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "item_changes.h"

namespace gw::platform {

Status LinuxItemChanges::setPermissions(const std::string& path, mode_t mode) {
    auto item = files_.open(path);
    if (!item) {
        return item.error();
    }
    if (item->isLink()) {
        return SysError::fromErrno(EOPNOTSUPP);
    }
    // fchmod refuses O_PATH descriptors; the /proc path names the same inode.
    const int rc = item->ioFd() >= 0 ? ::fchmod(item->ioFd(), mode)
                                     : ::chmod(item->descriptorPath().c_str(), mode);
    if (rc != 0) {
        return SysError::fromErrno(errno);
    }
    return changeHeld(*item, std::nullopt, mode);
}

Result<std::optional<bool>> LinuxItemChanges::userImmutable(const std::string& path) {
    auto item = files_.open(path);
    if (!item) {
        return item.error();
    }
    if (!item->isRegularOrFolder()) {
        return std::optional<bool>();
    }
    auto locks = flags_.read(*item);
    if (!locks) {
        return locks.error();
    }
    return std::optional<bool>(locks->immutable);
}

Status LinuxItemChanges::setUserImmutable(const std::string& path, bool locked) {
    auto item = files_.open(path);
    if (!item) {
        return item.error();
    }
    return flags_.setImmutable(*item, locked);
}

Result<std::string> LinuxItemChanges::resolveLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        return SysError::fromErrno(errno);
    }
    return std::string(resolved.get());
}

}  // namespace gw::platform
