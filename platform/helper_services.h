#pragma once

#include <unistd.h>

#include "accounts.h"
#include "acl_store.h"
#include "content_types.h"
#include "file_flags.h"
#include "item.h"
#include "xattr_view.h"

namespace gw::platform {

// Everything the reset helper asks of the system, in one place so that a
// scripted set can stand in for it.
struct HelperServices {
    Accounts& accounts;
    ItemFiles& files;
    FileFlags& flags;
    XattrView& xattrs;
    AclStore& acls;
    ContentTypes& contentTypes;
    // Running as root: paths are opened without links anywhere, and items a
    // user could have pointed at another account's file are refused.
    bool privileged = false;
    // Whether whoever reads the helper's output has gone away (a pipe whose
    // reading end is closed): a long run stops there. None: never asked.
    bool (*readerGone)() = nullptr;
};

// Standard output is a pipe and nobody reads it any more.
bool standardOutputReaderGone();

// The Linux services, owned together.
class LinuxHelperServices {
  public:
    HelperServices services() {
        return HelperServices{accounts_, files_,        flags_,      xattrs_,
                              acls_,     contentTypes_, privileged_, &standardOutputReaderGone};
    }

  private:
    bool privileged_ = ::geteuid() == 0;
    LinuxAccounts accounts_;
    LinuxItemFiles files_{privileged_ ? LinkPolicy::NoneOnTheWay : LinkPolicy::FinalComponentOnly};
    LinuxFileFlags flags_;
    LinuxXattrView xattrs_;
    LinuxAclStore acls_;
    LinuxContentTypes contentTypes_;
};

}  // namespace gw::platform
