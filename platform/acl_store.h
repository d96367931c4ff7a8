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

class LinuxAclStore final : public AclStore {
  public:
    int removeAcl(const Item& item) override;
};

}  // namespace gw::platform
