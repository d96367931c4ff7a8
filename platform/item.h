#pragma once

#include <sys/types.h>

#include <string>

#include "sys_error.h"
#include "unique_fd.h"

namespace gw::platform {

enum class FileKind {
    Regular,
    Directory,
    SymbolicLink,
    Fifo,
    Socket,
    CharDevice,
    BlockDevice,
    Other
};

FileKind fileKindFromMode(mode_t mode);

// The path naming exactly the inode behind a descriptor (its /proc entry).
std::string descriptorPathOf(int fd);

// A read descriptor for the inode an O_PATH descriptor holds, opened
// through its /proc entry so no path is looked up again. Invalid (errno
// set) when the caller may not read it. Only for files and folders: opening
// a device or FIFO can block or have effects.
UniqueFd reopenForReading(int pathFd);

// One file-system item, opened without following its final symbolic link.
// Everything done to the item goes through this handle, so a path swapped
// after it was opened is never acted on. Scripted platforms make handles
// without a descriptor and key on the path.
class Item {
  public:
    Item(std::string path, FileKind kind, UniqueFd fd = UniqueFd(), UniqueFd ioFd = UniqueFd())
        : path_(std::move(path)), kind_(kind), fd_(std::move(fd)), ioFd_(std::move(ioFd)) {}

    const std::string& path() const { return path_; }
    FileKind kind() const { return kind_; }
    int fd() const { return fd_.get(); }
    // The same inode opened for reading, when it is a file or folder the
    // caller may read: the f*() calls on it cost no path walk. -1 otherwise.
    int ioFd() const { return ioFd_.get(); }
    bool isLink() const { return kind_ == FileKind::SymbolicLink; }
    bool isRegularOrFolder() const {
        return kind_ == FileKind::Regular || kind_ == FileKind::Directory;
    }
    // A path naming exactly this descriptor's inode, for the calls that take
    // a path only (xattrs, libacl, chmod). It never follows the item's own
    // link: for a symbolic link it names the link.
    std::string descriptorPath() const;

  private:
    std::string path_;
    FileKind kind_;
    UniqueFd fd_;
    UniqueFd ioFd_;
};

// Finding and opening items, and changing their ownership and mode.
class ItemFiles {
  public:
    virtual ~ItemFiles() = default;
    // True when something is at the path (a dangling link is something);
    // an error says why the path could not be looked at.
    virtual Result<bool> checkReachable(const std::string& path) = 0;
    virtual Result<bool> isVolumeRoot(const std::string& path) = 0;
    virtual Result<Item> open(const std::string& path) = 0;
    // Owner and group first: chown clears set-id bits, so the mode goes last.
    // A symbolic link keeps its mode (Linux links have none).
    virtual Status setOwnerGroupMode(const Item& item, uid_t uid, gid_t gid, mode_t mode) = 0;
};

class LinuxItemFiles final : public ItemFiles {
  public:
    Result<bool> checkReachable(const std::string& path) override;
    Result<bool> isVolumeRoot(const std::string& path) override;
    Result<Item> open(const std::string& path) override;
    Status setOwnerGroupMode(const Item& item, uid_t uid, gid_t gid, mode_t mode) override;
};

}  // namespace gw::platform
