#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace gw::platform {

// Why root must not run the program at PATH, if there is a reason: the
// program and every folder above it must belong to TRUSTED_OWNER (root,
// outside tests; folders may also be root's) and be writable by nobody else, or whoever can write
// there could replace what root runs. A folder writable by all with the
// sticky bit (such as /tmp) passes: others can't rename what isn't theirs.
std::optional<std::string> untrustedProgramReason(const std::string& path, uid_t trustedOwner);

}  // namespace gw::platform
