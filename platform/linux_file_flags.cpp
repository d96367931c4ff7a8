#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>

#include "file_flags.h"

namespace gw::platform {

Result<KernelLocks> LinuxFileFlags::read(const Item& item) {
    struct statx stx {};
    if (::statx(item.fd(), "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, 0, &stx) != 0) {
        return SysError::fromErrno(errno);
    }
    KernelLocks locks;
    locks.immutable = (stx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) &&
                      (stx.stx_attributes & STATX_ATTR_IMMUTABLE);
    locks.appendOnly =
        (stx.stx_attributes_mask & STATX_ATTR_APPEND) && (stx.stx_attributes & STATX_ATTR_APPEND);
    return locks;
}

Status LinuxFileFlags::setImmutable(const Item& item, bool immutable) {
    if (!item.isRegularOrFolder()) {
        return SysError::fromErrno(EOPNOTSUPP);
    }
    // The flags ioctl needs a real descriptor. Reopening through /proc reaches
    // the inode already checked to be a file or folder, never a device.
    UniqueFd reopened;
    int fd = item.ioFd();
    if (fd < 0) {
        reopened = reopenForReading(item.fd());
        if (!reopened.valid()) {
            return SysError::fromErrno(errno);
        }
        fd = reopened.get();
    }
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        return SysError::fromErrno(errno);
    }
    const int wanted = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    if (wanted != flags && ::ioctl(fd, FS_IOC_SETFLAGS, &wanted) != 0) {
        return SysError::fromErrno(errno);
    }
    // Read back: a file system may accept the call and keep its flags.
    int now = 0;
    if (wanted != flags && ::ioctl(fd, FS_IOC_GETFLAGS, &now) == 0 &&
        ((now & FS_IMMUTABLE_FL) != 0) != immutable) {
        return SysError::withText(immutable ? "The change did not hold: the item is still unlocked"
                                            : "The change did not hold: the item is still locked");
    }
    return {};
}

}  // namespace gw::platform
