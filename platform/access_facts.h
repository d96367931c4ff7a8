#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "item.h"
#include "unique_fd.h"

namespace gw::platform {

// One entry of a POSIX access ACL. Rights are the three bits r=4, w=2, x=1.
struct AclEntryFacts {
    enum class Tag { userObj, user, groupObj, group, mask, other };
    Tag tag = Tag::other;
    unsigned id = 0;  // for user and group entries
    unsigned rights = 0;
    bool operator==(const AclEntryFacts&) const = default;
};

// The mount an item lies on, as /proc/self/mountinfo tells it.
struct MountFacts {
    std::string mountPoint;
    std::string fsType;
    // The file system's own options ("uid=1000", "fmask=0022"), in order.
    std::vector<std::string> superOptions;
    bool readOnly = false;
    bool noexec = false;
};

// What a permission check needs of one item, its final link not followed.
struct StepFacts {
    FileKind kind = FileKind::Other;
    unsigned mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    bool immutable = false;
    bool appendOnly = false;
    bool mountRoot = false;
    // The stored access ACL; none when the item has only its mode.
    std::optional<std::vector<AclEntryFacts>> acl;
    std::optional<MountFacts> mount;
};

// One item a lookup passes: the folders from "/" down, then the item. A
// link followed on the way is a step too (its kind SymbolicLink), before the
// steps its target leads to.
struct PathStep {
    std::string path;  // absolute, links on the way resolved
    std::optional<StepFacts> facts;
    int error = 0;  // errno when there are no facts
};

// An account as the kernel sees it when it checks access.
struct AccountFacts {
    std::string name;
    uid_t uid = 0;
    gid_t primaryGroup = 0;
    std::vector<gid_t> groups;  // every group, the primary one included
    bool isMember(gid_t gid) const;
};

// The system facts the access explanation is judged from.
class AccessFacts {
  public:
    virtual ~AccessFacts() = default;
    // The items a lookup of the absolute path passes, from "/" to the item,
    // links on the way resolved as the kernel resolves them; the final link
    // is followed only when asked. Stops at the first item that can't be
    // looked at, which then carries the error.
    virtual std::vector<PathStep> walk(const std::string& path, bool followFinalLink) = 0;
    // The account for a login name or a decimal uid.
    virtual std::optional<AccountFacts> account(const std::string& nameOrUid) = 0;
    // The running process's effective account, with its own group list.
    virtual AccountFacts caller() = 0;
    virtual std::vector<std::string> accountNames() = 0;
    virtual std::string userName(uid_t uid) = 0;
    virtual std::string groupName(gid_t gid) = 0;
    // Active security modules that may refuse beyond the permissions
    // ("SELinux", "AppArmor").
    virtual std::vector<std::string> securityModules() = 0;
    // fs.protected_symlinks: in a sticky folder everyone may write to, a
    // link is followed only for its owner or when the folder's owner owns it.
    virtual bool protectedSymlinks() = 0;
};

// Parses /proc/self/mountinfo text into mount id and facts.
struct MountEntry {
    unsigned id = 0;
    MountFacts facts;
};
std::vector<MountEntry> parseMountInfo(const std::string& text);

class LinuxAccessFacts final : public AccessFacts {
  public:
    std::vector<PathStep> walk(const std::string& path, bool followFinalLink) override;
    std::optional<AccountFacts> account(const std::string& nameOrUid) override;
    AccountFacts caller() override;
    std::vector<std::string> accountNames() override;
    std::string userName(uid_t uid) override;
    std::string groupName(gid_t gid) override;
    std::vector<std::string> securityModules() override;
    bool protectedSymlinks() override;

  private:
    void refreshMounts();
    const MountFacts* mountFor(unsigned mountId);
    void refreshSettings();

    UniqueFd mountTable_;
    std::vector<MountEntry> mounts_;
    std::optional<std::chrono::steady_clock::time_point> settingsRead_;
    std::map<uid_t, std::string> userNames_;
    std::map<gid_t, std::string> groupNames_;
    std::vector<std::string> modules_;
    bool protectedSymlinks_ = false;
};

}  // namespace gw::platform
