#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/xattr.h>

#include "acl_store.h"

namespace gw::platform {
namespace {

unsigned permBits(acl_entry_t entry) {
    acl_permset_t permset = nullptr;
    if (acl_get_permset(entry, &permset) != 0) {
        return 0;
    }
    return (acl_get_perm(permset, ACL_READ) == 1 ? 4u : 0u) |
           (acl_get_perm(permset, ACL_WRITE) == 1 ? 2u : 0u) |
           (acl_get_perm(permset, ACL_EXECUTE) == 1 ? 1u : 0u);
}

// The access ACL reduced to its three base entries. The owning group keeps
// only what the mask let it have, so nobody gains a permission on the way
// (rebuilding from st_mode would hand the group the mask's bits).
bool reduceAccessAcl(const Item& item, std::optional<mode_t> resetMode) {
    const std::string path = item.descriptorPath();
    acl_t acl =
        item.ioFd() >= 0 ? acl_get_fd(item.ioFd()) : acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (!acl) {
        return false;
    }
    unsigned user = 0, group = 0, other = 0, mask = 7;
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
        acl_tag_t tag = ACL_UNDEFINED_TAG;
        acl_get_tag_type(entry, &tag);
        switch (tag) {
            case ACL_USER_OBJ:
                user = permBits(entry);
                break;
            case ACL_GROUP_OBJ:
                group = permBits(entry);
                break;
            case ACL_OTHER:
                other = permBits(entry);
                break;
            case ACL_MASK:
                mask = permBits(entry);
                break;
            default:
                break;
        }
    }
    acl_free(acl);
    const mode_t mode = resetMode
                            ? (*resetMode & 0777)
                            : static_cast<mode_t>((user << 6) | ((group & mask) << 3) | other);
    acl_t base = acl_from_mode(mode);
    if (!base) {
        return false;
    }
    const bool ok = (item.ioFd() >= 0 ? acl_set_fd(item.ioFd(), base)
                                      : acl_set_file(path.c_str(), ACL_TYPE_ACCESS, base)) == 0;
    acl_free(base);
    return ok;
}

}  // namespace

bool aclIsStored(const Item& item, const char* attribute) {
    if (item.ioFd() >= 0) {
        return ::fgetxattr(item.ioFd(), attribute, nullptr, 0) >= 0;
    }
    return ::getxattr(item.descriptorPath().c_str(), attribute, nullptr, 0) >= 0;
}

int LinuxAclStore::removeAcl(const Item& item) {
    return remove(item, std::nullopt);
}

int LinuxAclStore::removeAclKeepingMode(const Item& item, mode_t mode) {
    return remove(item, mode);
}

int LinuxAclStore::remove(const Item& item, std::optional<mode_t> mode) {
    if (item.isLink()) {
        return 0;  // links carry no ACL; never act on the target
    }
    bool ok = true;
    if (aclIsStored(item, "system.posix_acl_access")) {
        ok = reduceAccessAcl(item, mode) && ok;
    }
    if (item.kind() == FileKind::Directory && aclIsStored(item, "system.posix_acl_default")) {
        ok = acl_delete_def_file(item.descriptorPath().c_str()) == 0 && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace gw::platform
