#include <acl/libacl.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "acl_store.h"
#include "file_facts.h"
#include "path_text.h"

namespace gw::platform {

Result<FileFacts> readFileFacts(const Item& item) {
    struct statx stx {};
    if (::statx(item.fd(), "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &stx) != 0) {
        return SysError::fromErrno(errno);
    }
    FileFacts facts;
    facts.kind = fileKindFromMode(stx.stx_mode);
    facts.mode = stx.stx_mode & 07777u;
    facts.uid = stx.stx_uid;
    facts.gid = stx.stx_gid;
    facts.size = static_cast<int64_t>(stx.stx_size);
    facts.statusChanged = timespec{stx.stx_ctime.tv_sec, stx.stx_ctime.tv_nsec};
    const auto has = [&](uint64_t attribute) {
        return (stx.stx_attributes_mask & attribute) && (stx.stx_attributes & attribute);
    };
    facts.immutable = has(STATX_ATTR_IMMUTABLE);
    facts.appendOnly = has(STATX_ATTR_APPEND);
    facts.mountRoot = has(STATX_ATTR_MOUNT_ROOT);
    return facts;
}

AccessJudgement judgeAccess(const std::string& path, bool appendOnly) {
    const auto allowed = [&](int what) {
        return ::faccessat(AT_FDCWD, path.c_str(), what, AT_EACCESS) == 0;
    };
    return AccessJudgement{allowed(R_OK), allowed(W_OK) && !appendOnly, allowed(X_OK)};
}

bool isDeletable(const std::string& path) {
    struct statx item {};
    struct statx parent {};
    const std::string parentDir = parentPath(path);
    if (parentDir == path ||
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &item) != 0 ||
        ::statx(AT_FDCWD, parentDir.c_str(), 0, STATX_BASIC_STATS, &parent) != 0) {
        return false;
    }
    const auto locked = [](const struct statx& s) {
        const uint64_t locks = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
        return (s.stx_attributes & s.stx_attributes_mask & locks) != 0;
    };
    if (locked(item) || locked(parent) ||
        (item.stx_attributes_mask & item.stx_attributes & STATX_ATTR_MOUNT_ROOT)) {
        return false;
    }
    if (::faccessat(AT_FDCWD, parentDir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return false;
    }
    // In a sticky folder only the item's owner, the folder's owner or root
    // may remove it.
    const uid_t me = ::geteuid();
    return !(parent.stx_mode & S_ISVTX) || me == 0 || me == item.stx_uid || me == parent.stx_uid;
}

Result<bool> volumeIsReadOnly(const std::string& path) {
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0) {
        return SysError::fromErrno(errno);
    }
    return (vfs.f_flag & ST_RDONLY) != 0;
}

namespace {

std::string identifier(const char* prefix, unsigned id) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%08X", prefix, id);
    return text;
}

constexpr const char* kNullIdentifier = "00000000-0000-0000-0000-000000000000";
constexpr const char* kUserPrefix = "FFFFEEEE-DDDD-CCCC-BBBB-AAAA";
constexpr const char* kGroupPrefix = "ABCDEFAB-CDEF-ABCD-EFAB-CDEF";

// "allow:read,write" from an entry's bits. An entry that grants nothing is a
// refusal in effect, and says so: an empty permission field would not parse.
std::string actionAndPermissions(acl_entry_t entry, const char* inherit) {
    acl_permset_t permset = nullptr;
    std::string words;
    if (acl_get_permset(entry, &permset) == 0) {
        const std::pair<acl_perm_t, const char*> perms[] = {
            {ACL_READ, "read"}, {ACL_WRITE, "write"}, {ACL_EXECUTE, "execute"}};
        for (const auto& [perm, word] : perms) {
            if (acl_get_perm(permset, perm) == 1) {
                words += (words.empty() ? "" : ",") + std::string(word);
            }
        }
    }
    if (words.empty()) {
        return std::string("deny:read,write,execute") + inherit;
    }
    return "allow:" + words + inherit;
}

// Appends one line per entry of the ACL; the owner's and others' entries of
// the access ACL are left out (the permission grid shows them), a default
// ACL's are listed.
void appendEntries(std::string& text, acl_t acl, bool isDefault, const FileFacts& facts,
                   Accounts& accounts) {
    const char* inherit = isDefault ? ",file_inherit,directory_inherit" : "";
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1;
         which = ACL_NEXT_ENTRY) {
        acl_tag_t tag = ACL_UNDEFINED_TAG;
        acl_get_tag_type(entry, &tag);
        std::string line;
        switch (tag) {
            case ACL_USER_OBJ:
                if (!isDefault)
                    continue;
                line = "user:" + identifier(kUserPrefix, facts.uid) +
                       ":owner@:" + std::to_string(facts.uid);
                break;
            case ACL_GROUP_OBJ:
                // Listed for the access ACL too: with an ACL the grid's group
                // row shows the mask, so the owning group's own rights show here.
                line = "group:" + identifier(kGroupPrefix, facts.gid) +
                       ":group@:" + std::to_string(facts.gid);
                break;
            case ACL_OTHER:
                if (!isDefault)
                    continue;
                line = std::string("other:") + kNullIdentifier + ":everyone@:0";
                break;
            case ACL_MASK:
                line = std::string("mask:") + kNullIdentifier + ":mask:0";
                break;
            case ACL_USER:
            case ACL_GROUP: {
                const bool user = tag == ACL_USER;
                void* qualifier = acl_get_qualifier(entry);
                const unsigned id = qualifier ? *static_cast<unsigned*>(qualifier) : 0;
                acl_free(qualifier);
                const std::string name = user ? accounts.userName(id) : accounts.groupName(id);
                line = std::string(user ? "user:" : "group:") +
                       identifier(user ? kUserPrefix : kGroupPrefix, id);
                // An id without a name reads as its number: drop both fields.
                if (name != std::to_string(id)) {
                    line += ":" + name + ":" + std::to_string(id);
                }
                break;
            }
            default:
                continue;
        }
        text += line + ":" + actionAndPermissions(entry, inherit) + "\n";
    }
}

}  // namespace

Result<std::optional<std::string>> readAclText(const Item& item, const FileFacts& facts,
                                               Accounts& accounts) {
    if (item.isLink()) {
        return std::optional<std::string>();
    }
    const bool hasAccess = aclIsStored(item, "system.posix_acl_access");
    const bool hasDefault =
        facts.kind == FileKind::Directory && aclIsStored(item, "system.posix_acl_default");
    if (!hasAccess && !hasDefault) {
        return std::optional<std::string>();
    }
    std::string text = "!#acl 1\n";
    const std::string path = item.descriptorPath();
    if (hasAccess) {
        acl_t acl = item.ioFd() >= 0 ? acl_get_fd(item.ioFd())
                                     : acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
        if (!acl) {
            return SysError::fromErrno(errno);
        }
        appendEntries(text, acl, false, facts, accounts);
        acl_free(acl);
    }
    if (hasDefault) {
        acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_DEFAULT);
        if (!acl) {
            return SysError::fromErrno(errno);
        }
        appendEntries(text, acl, true, facts, accounts);
        acl_free(acl);
    }
    return std::optional<std::string>(text);
}

}  // namespace gw::platform
