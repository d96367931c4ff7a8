#include <sys/stat.h>

#include <cerrno>

#include "path_text.h"
#include "program_trust.h"
#include "sys_error.h"

namespace gw::platform {

namespace {

std::optional<std::string> checkOne(const std::string& path, uid_t trustedOwner, bool isProgram) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return path + ": " + SysError::fromErrno(errno).description;
    }
    if (isProgram && !S_ISREG(st.st_mode)) {
        return path + " is not a regular file";
    }
    // A link anywhere on the way would let its owner swap what it points at.
    if (!isProgram && !S_ISDIR(st.st_mode)) {
        return path + " is not a folder";
    }
    // Folders above may be root's even when a test trusts its own account.
    if (st.st_uid != trustedOwner && (isProgram || st.st_uid != 0)) {
        return path + " does not belong to the administrator";
    }
    const bool writableByOthers = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool sticky = !isProgram && (st.st_mode & S_ISVTX) != 0;
    if (writableByOthers && !sticky) {
        return path + " can be changed by other users";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> untrustedProgramReason(const std::string& path, uid_t trustedOwner) {
    if (path.empty() || path.front() != '/') {
        return path + " is not an absolute path";
    }
    if (auto problem = checkOne(path, trustedOwner, true)) {
        return problem;
    }
    for (std::string folder = parentPath(path);; folder = parentPath(folder)) {
        if (auto problem = checkOne(folder, trustedOwner, false)) {
            return problem;
        }
        if (folder == "/") {
            return std::nullopt;
        }
    }
}

}  // namespace gw::platform
