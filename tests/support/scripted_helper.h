#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/helper_services.h"

namespace gw::test {

// One item as the scripted platform shows it.
struct ScriptedItem {
    platform::FileKind kind = platform::FileKind::Regular;
    unsigned mode = 0600;
    bool immutable = false;
    bool flagsUnreadable = false;
    bool lockRefused = false;   // clearing the lock answers EPERM
    bool listingFails = false;  // the attribute names can't be listed
    std::map<std::string, std::string> xattrs;
    std::set<std::string> refusedRemovals;
    int aclCode = 0;
    bool headUnreadable = false;  // its first bytes can't be read
    platform::ItemIdentity identity;
    nlink_t links = 1;
};

// Every helper service, answered from a table of items: for what real
// files can't be made to do (some removals refused, a failed listing).
class ScriptedHelper final : public platform::Accounts,
                             public platform::ItemFiles,
                             public platform::FileFlags,
                             public platform::XattrView,
                             public platform::AclStore,
                             public platform::ContentTypes {
  public:
    std::map<std::string, ScriptedItem> items;
    std::vector<std::string> calls;  // what was changed, in order

    platform::HelperServices services() {
        return platform::HelperServices{*this, *this, *this, *this, *this, *this};
    }

    std::string loginName() override { return "mia"; }
    std::optional<platform::Account> userNamed(const std::string& name) override;
    std::string userName(uid_t uid) override { return std::to_string(uid); }
    std::string groupName(gid_t gid) override { return std::to_string(gid); }

    platform::Result<bool> checkReachable(const std::string& path) override;
    platform::Result<bool> isVolumeRoot(const std::string& path) override;
    platform::Result<platform::Item> open(const std::string& path) override;
    platform::Status setOwnerGroupMode(const platform::Item& item, uid_t uid, gid_t gid,
                                       mode_t mode) override;
    platform::Status setOwner(const platform::Item& item, uid_t uid) override;

    platform::Result<platform::KernelLocks> read(const platform::Item& item) override;
    platform::Status setImmutable(const platform::Item& item, bool immutable) override;

    platform::Result<std::vector<std::string>> names(const platform::Item& item) override;
    platform::Result<std::vector<char>> value(const platform::Item& item,
                                              const std::string& name) override;
    platform::Status remove(const platform::Item& item, const std::string& name) override;

    int removeAcl(const platform::Item& item) override;

    platform::Result<platform::ContentType> contentType(const std::string& path) override;
    std::string resolvingSymlinks(const std::string& path) override { return path; }
    platform::Result<std::vector<unsigned char>> firstBytes(const std::string& path,
                                                            size_t count) override;

  private:
    ScriptedItem* find(const std::string& path);
};

}  // namespace gw::test
