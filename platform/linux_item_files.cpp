#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "item.h"
#include "path_text.h"

namespace gw::platform {

FileKind fileKindFromMode(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFREG:
            return FileKind::Regular;
        case S_IFDIR:
            return FileKind::Directory;
        case S_IFLNK:
            return FileKind::SymbolicLink;
        case S_IFIFO:
            return FileKind::Fifo;
        case S_IFSOCK:
            return FileKind::Socket;
        case S_IFCHR:
            return FileKind::CharDevice;
        case S_IFBLK:
            return FileKind::BlockDevice;
        default:
            return FileKind::Other;
    }
}

std::string descriptorPathOf(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

UniqueFd reopenForReading(int pathFd) {
    return UniqueFd(
        ::open(descriptorPathOf(pathFd).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

std::string Item::descriptorPath() const {
    return descriptorPathOf(fd_.get());
}

Result<bool> LinuxItemFiles::checkReachable(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return SysError::fromErrno(errno);
    }
    return true;
}

Result<bool> LinuxItemFiles::isVolumeRoot(const std::string& path) {
    struct statx stx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &stx) != 0) {
        return SysError::fromErrno(errno);
    }
    if (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) {
        return (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    }
    // Older kernels: the root, or an item on another device than its parent.
    const std::string parent = parentPath(path);
    if (parent == path) {
        return true;
    }
    if ((stx.stx_mode & S_IFMT) == S_IFLNK) {
        return false;
    }
    struct stat parentStat {};
    if (::stat(parent.c_str(), &parentStat) != 0) {
        return SysError::fromErrno(errno);
    }
    return ::makedev(stx.stx_dev_major, stx.stx_dev_minor) != parentStat.st_dev;
}

Result<Item> LinuxItemFiles::open(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return SysError::fromErrno(errno);
    }
    struct stat st {};
    if (::fstatat(fd.get(), "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    const FileKind kind = fileKindFromMode(st.st_mode);
    UniqueFd ioFd;
    if (kind == FileKind::Regular || kind == FileKind::Directory) {
        ioFd = reopenForReading(fd.get());
    }
    return Item(path, kind, std::move(fd), std::move(ioFd));
}

Status LinuxItemFiles::setOwnerGroupMode(const Item& item, uid_t uid, gid_t gid, mode_t mode) {
    if (::fchownat(item.fd(), "", uid, gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    if (item.isLink()) {
        return std::nullopt;
    }
    // fchmod refuses O_PATH descriptors; the descriptor's /proc path reaches
    // the same inode and nothing else.
    const int rc = item.ioFd() >= 0 ? ::fchmod(item.ioFd(), mode)
                                    : ::chmod(item.descriptorPath().c_str(), mode);
    if (rc != 0) {
        return SysError::fromErrno(errno);
    }
    return std::nullopt;
}

}  // namespace gw::platform
