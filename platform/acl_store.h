#pragma once

#include <sys/types.h>

#include <optional>

#include "item.h"

namespace gw::platform {

// POSIX access control lists.
class AclStore {
  public:
    virtual ~AclStore() = default;
    // Removes every extended entry, as "setfacl -b" does: 0 on success (also
    // when there was nothing to remove), 1 on failure.
    virtual int removeAcl(const Item& item) = 0;
    // The same for a reset that has just set the mode: the item keeps that
    // mode once the ACL is gone. With an ACL in place chmod only sets its
    // mask, and the owning group's old entry would otherwise come back as
    // the group bits (a folder reset to 755 ending up 705).
    virtual int removeAclKeepingMode(const Item& item, mode_t mode) {
        (void)mode;
        return removeAcl(item);
    }
};

// Whether the item has the ACL stored in this attribute
// ("system.posix_acl_access" or "system.posix_acl_default"). libacl's own
// reads synthesise an ACL from the mode when none is stored.
bool aclIsStored(const Item& item, const char* attribute);

class LinuxAclStore final : public AclStore {
  public:
    int removeAcl(const Item& item) override;
    int removeAclKeepingMode(const Item& item, mode_t mode) override;

  private:
    int remove(const Item& item, std::optional<mode_t> mode);
};

}  // namespace gw::platform
