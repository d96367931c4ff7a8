#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "accounts.h"
#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// What lstat and statx say about one item, never following its final link.
struct FileFacts {
    FileKind kind = FileKind::Other;
    unsigned mode = 0;  // permission and special bits
    uid_t uid = 0;
    gid_t gid = 0;
    int64_t size = 0;
    timespec statusChanged{};  // st_ctim: the attribute-modification date
    bool immutable = false;
    bool appendOnly = false;
    bool mountRoot = false;
};

Result<FileFacts> readFileFacts(const Item& item);

// The current user's access, judged by the kernel (mode bits, ACLs, the
// immutable flag, read-only mounts). Writable is also false for append-only
// items: access() says yes but no save can succeed.
struct AccessJudgement {
    bool readable = false;
    bool writable = false;
    bool executable = false;
};
AccessJudgement judgeAccess(const std::string& path, bool appendOnly);

// Whether the current user can unlink the entry.
bool isDeletable(const std::string& path);

Result<bool> volumeIsReadOnly(const std::string& path);

// The item's POSIX ACLs in the six-field text form (tag:identifier:name:id:
// action:permissions, four fields for ids without a name), after a "!#acl 1"
// header. No value: no ACL is stored (or the item is a link, or the file
// system has none).
Result<std::optional<std::string>> readAclText(const Item& item, const FileFacts& facts,
                                               Accounts& accounts);

}  // namespace gw::platform
