#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "helper_services.h"
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

std::string identityText(const ItemIdentity& identity) {
    return std::to_string(identity.device) + ":" + std::to_string(identity.inode);
}

std::optional<ItemIdentity> parseIdentity(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return std::nullopt;
    }
    ItemIdentity identity;
    const char* end = text.data() + text.size();
    const auto device = std::from_chars(text.data(), text.data() + colon, identity.device);
    const auto inode = std::from_chars(text.data() + colon + 1, end, identity.inode);
    if (device.ec != std::errc() || device.ptr != text.data() + colon || inode.ec != std::errc() ||
        inode.ptr != end) {
        return std::nullopt;
    }
    return identity;
}

namespace {

// Kernels before 5.6 have no openat2: one component at a time, each opened
// relative to the folder before it and never followed.
UniqueFd openComponentByComponent(const std::string& path) {
    UniqueFd current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    size_t start = 1;
    while (current.valid() && start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        const bool last = path.find_first_not_of('/', end) == std::string::npos;
        UniqueFd next(::openat(current.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            return next;
        }
        if (!last) {
            struct stat st {};
            if (::fstatat(next.get(), "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
                return UniqueFd();
            }
            if (S_ISLNK(st.st_mode)) {
                errno = ELOOP;
                return UniqueFd();
            }
        }
        current = std::move(next);
    }
    return current;
}

}  // namespace

UniqueFd openWithoutLinks(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        errno = EINVAL;
        return UniqueFd();
    }
    struct open_how how {};
    how.flags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
    if (fd >= 0) {
        return UniqueFd(static_cast<int>(fd));
    }
    if (errno != ENOSYS) {
        return UniqueFd();
    }
    return openComponentByComponent(path);
}

std::string withFoldersResolved(const std::string& path) {
    const std::string name = lastPathComponent(path);
    if (name.empty() || name == "/" || name == "." || name == "..") {
        return path;
    }
    char* folder = ::realpath(parentPath(path).c_str(), nullptr);
    if (!folder) {
        return path;
    }
    std::string resolved(folder);
    std::free(folder);
    return (resolved == "/" ? "" : resolved) + "/" + name;
}

UniqueFd openRegularFile(const std::string& path, off_t* size) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        return UniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return UniqueFd();
    }
    if (size) {
        *size = st.st_size;
    }
    return fd;
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

namespace {

// The item a fresh O_PATH descriptor holds, with a read descriptor for files
// and folders (never for devices or FIFOs, which could block).
Result<Item> itemFrom(std::string path, UniqueFd fd) {
    struct statx stx {};
    if (::statx(fd.get(), "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &stx) != 0) {
        return SysError::fromErrno(errno);
    }
    const FileKind kind = fileKindFromMode(stx.stx_mode);
    UniqueFd ioFd;
    if (kind == FileKind::Regular || kind == FileKind::Directory) {
        ioFd = reopenForReading(fd.get());
    }
    Item item(std::move(path), kind, std::move(fd), std::move(ioFd));
    const bool mountRoot = (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                           (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    item.setFacts(ItemIdentity{makedev(stx.stx_dev_major, stx.stx_dev_minor), stx.stx_ino},
                  stx.stx_nlink, mountRoot);
    return item;
}

}  // namespace

bool standardOutputReaderGone() {
    pollfd watch{STDOUT_FILENO, POLLOUT, 0};
    return ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLERR | POLLHUP)) != 0;
}

Result<Item> ItemFiles::openChild(const Item&, const std::string&) {
    return SysError::fromErrno(ENOTSUP);
}

Result<std::vector<std::string>> ItemFiles::childNames(const Item&) {
    return SysError::fromErrno(ENOTSUP);
}

Result<Item> ItemFiles::openParent(const Item&, const ItemIdentity&) {
    return SysError::fromErrno(ENOTSUP);
}

Result<Item> LinuxItemFiles::openChild(const Item& folder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        return SysError::fromErrno(EINVAL);
    }
    UniqueFd fd(::openat(folder.fd(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return SysError::fromErrno(errno);
    }
    return itemFrom(name, std::move(fd));
}

Result<std::vector<std::string>> LinuxItemFiles::childNames(const Item& folder) {
    // A descriptor of its own: closedir closes what fdopendir was given.
    const int listing = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) {
        return SysError::fromErrno(errno);
    }
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        const int error = errno;
        ::close(listing);
        return SysError::fromErrno(error);
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        return SysError::fromErrno(error);
    }
    return names;
}

Result<Item> LinuxItemFiles::openParent(const Item& folder, const ItemIdentity& expected) {
    UniqueFd fd(::openat(folder.fd(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        return SysError::fromErrno(errno);
    }
    auto parent = itemFrom("..", std::move(fd));
    if (parent && parent->identity() != expected) {
        return SysError::withText("The folder was moved while it was being reset", EXDEV);
    }
    return parent;
}

Result<Item> LinuxItemFiles::open(const std::string& path) {
    UniqueFd fd = policy_ == LinkPolicy::NoneOnTheWay
                      ? openWithoutLinks(path)
                      : UniqueFd(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ELOOP && policy_ == LinkPolicy::NoneOnTheWay) {
            return SysError::withText(
                "The path holds a symbolic link before its last component, so it was not "
                "followed",
                ELOOP);
        }
        return SysError::fromErrno(errno);
    }
    return itemFrom(path, std::move(fd));
}

Status changeHeld(const Item& item, std::optional<uid_t> uid, std::optional<unsigned> mode) {
    struct stat st {};
    if (::fstatat(item.fd(), "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    // Some disks (FAT mounted "quiet", for one) answer success and keep
    // what they had.
    if (uid && st.st_uid != *uid) {
        return SysError::withText(
            "The change did not hold: the item still belongs to user " + std::to_string(st.st_uid),
            0);
    }
    if (mode && (st.st_mode & 0777u) != (*mode & 0777u)) {
        char kept[8];
        std::snprintf(kept, sizeof kept, "%03o", st.st_mode & 0777u);
        return SysError::withText(
            std::string("The change did not hold: the item kept mode ") + kept, 0);
    }
    return {};
}

Status LinuxItemFiles::setOwner(const Item& item, uid_t uid) {
    if (::fchownat(item.fd(), "", uid, static_cast<gid_t>(-1),
                   AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    return changeHeld(item, uid, std::nullopt);
}

Status LinuxItemFiles::setOwnerGroupMode(const Item& item, uid_t uid, gid_t gid, mode_t mode) {
    if (::fchownat(item.fd(), "", uid, gid, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
        return SysError::fromErrno(errno);
    }
    if (item.isLink()) {
        return {};
    }
    // fchmod refuses O_PATH descriptors; the descriptor's /proc path reaches
    // the same inode and nothing else.
    const int rc = item.ioFd() >= 0 ? ::fchmod(item.ioFd(), mode)
                                    : ::chmod(item.descriptorPath().c_str(), mode);
    if (rc != 0) {
        return SysError::fromErrno(errno);
    }
    return {};
}

}  // namespace gw::platform
