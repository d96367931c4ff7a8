#pragma once

#include "item.h"

namespace gw::platform {

// POSIX access control lists.
class AclStore {
  public:
    virtual ~AclStore() = default;
    // Removes every extended entry, as "setfacl -b" does: 0 on success (also
    // when there was nothing to remove), 1 on failure.
    virtual int removeAcl(const Item& item) = 0;
};

// Whether the item has the ACL stored in this attribute
// ("system.posix_acl_access" or "system.posix_acl_default"). libacl's own
// reads synthesise an ACL from the mode when none is stored.
bool aclIsStored(const Item& item, const char* attribute);

class LinuxAclStore final : public AclStore {
  public:
    int removeAcl(const Item& item) override;
};

}  // namespace gw::platform
