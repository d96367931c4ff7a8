#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// What a reset changes of one item, as it was: enough to put it back
// exactly (the ACLs as the kernel stores them).
struct ItemState {
    uid_t uid = 0;
    gid_t gid = 0;
    unsigned mode = 0;
    bool immutable = false;
    std::optional<std::string> accessAcl;   // system.posix_acl_access, raw
    std::optional<std::string> defaultAcl;  // system.posix_acl_default, raw (folders)
    std::vector<std::pair<std::string, std::string>> userAttributes;  // "user.*" name, value
    // When the inode was made, where the file system keeps it: an inode
    // number can be given to a new file once the old one is gone, a birth
    // time tells them apart.
    std::optional<std::pair<int64_t, uint32_t>> born;
    bool operator==(const ItemState&) const = default;
};

Result<ItemState> captureState(const Item& item);
// The birth time alone (none where the file system keeps none): enough to
// tell whether an inode is still the one recorded.
std::optional<std::pair<int64_t, uint32_t>> birthTime(const Item& item);
// Owner and group, then the mode, the ACLs and the attributes (those not in
// the state removed), the lock last: a locked item takes no other change.
Status restoreState(const Item& item, const ItemState& state);

}  // namespace gw::platform
