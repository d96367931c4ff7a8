#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

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

// Which inode an item is: what the window showed, checked again before
// anything is changed.
struct ItemIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const ItemIdentity&) const = default;
};

// "DEVICE:INODE" in decimal, as the helper's -identity option takes it.
std::string identityText(const ItemIdentity& identity);
std::optional<ItemIdentity> parseIdentity(const std::string& text);

// The path naming exactly the inode behind a descriptor (its /proc entry).
std::string descriptorPathOf(int fd);

// A read descriptor for the inode an O_PATH descriptor holds, opened
// through its /proc entry so no path is looked up again. Invalid (errno
// set) when the caller may not read it. Only for files and folders: opening
// a device or FIFO can block or have effects.
UniqueFd reopenForReading(int pathFd);

class Item;
// Whether a change reached the disk: the item read back has the owner and
// the nine permission bits asked for; an error naming what it kept if not.
Status changeHeld(const Item& item, std::optional<uid_t> uid, std::optional<unsigned> mode);

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
    bool isDevice() const {
        return kind_ == FileKind::CharDevice || kind_ == FileKind::BlockDevice;
    }
    const ItemIdentity& identity() const { return identity_; }
    nlink_t linkCount() const { return linkCount_; }
    void setFacts(ItemIdentity identity, nlink_t linkCount, bool mountRoot = false) {
        identity_ = identity;
        linkCount_ = linkCount;
        mountRoot_ = mountRoot;
    }
    // Another file system (or a bind mount) is mounted here.
    bool isMountRoot() const { return mountRoot_; }
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
    ItemIdentity identity_;
    nlink_t linkCount_ = 1;
    bool mountRoot_ = false;
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
    // The owner alone, as chown NAME does; the group stays.
    virtual Status setOwner(const Item& item, uid_t uid) = 0;

    // For walking a tree through descriptors: an entry of a folder, looked up
    // in it and never followed if it is a link (its path is the name alone),
    // and the names a folder holds, "." and ".." left out. Scripted services
    // that don't walk answer ENOTSUP.
    virtual Result<Item> openChild(const Item& folder, const std::string& name);
    virtual Result<std::vector<std::string>> childNames(const Item& folder);
    // The folder above, checked to be the one expected: a tree moved while
    // it is walked is never climbed out of.
    virtual Result<Item> openParent(const Item& folder, const ItemIdentity& expected);
};

// How far a path may lean on symbolic links while it is opened.
enum class LinkPolicy {
    // Folders on the way may be links; only the last component is not followed.
    FinalComponentOnly,
    // No component may be a link (the last one is opened as the link itself):
    // what root uses, so that a folder swapped for a link while the
    // administrator prompt is up leads nowhere.
    NoneOnTheWay,
};

class LinuxItemFiles final : public ItemFiles {
  public:
    explicit LinuxItemFiles(LinkPolicy policy = LinkPolicy::FinalComponentOnly) : policy_(policy) {}

    Result<bool> checkReachable(const std::string& path) override;
    Result<bool> isVolumeRoot(const std::string& path) override;
    Result<Item> open(const std::string& path) override;
    Result<Item> openChild(const Item& folder, const std::string& name) override;
    Result<std::vector<std::string>> childNames(const Item& folder) override;
    Result<Item> openParent(const Item& folder, const ItemIdentity& expected) override;
    Status setOwnerGroupMode(const Item& item, uid_t uid, gid_t gid, mode_t mode) override;
    Status setOwner(const Item& item, uid_t uid) override;

  private:
    LinkPolicy policy_;
};

// A regular file opened for reading, judged by the descriptor after a
// non-blocking open that doesn't follow a final link: a FIFO, device or
// socket swapped in is never waited on. Invalid (errno set, EINVAL for
// anything but a regular file) otherwise; `size` gets the file's size.
UniqueFd openRegularFile(const std::string& path, off_t* size = nullptr);

// PATH with every folder on the way resolved and the last component kept as
// it is (a final link stays the link); PATH itself when a folder can't be.
std::string withFoldersResolved(const std::string& path);

// Opens PATH (absolute) as O_PATH without following a symbolic link in any
// component; a link as the last component is opened as the link. ELOOP
// when a folder on the way is a link.
UniqueFd openWithoutLinks(const std::string& path);

}  // namespace gw::platform
