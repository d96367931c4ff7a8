#pragma once

#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// The kernel's two locks: immutable is "the lock" a user sets from the
// window; append-only is the other lock only an administrator can touch.
struct KernelLocks {
    bool immutable = false;
    bool appendOnly = false;
};

class FileFlags {
  public:
    virtual ~FileFlags() = default;
    virtual Result<KernelLocks> read(const Item& item) = 0;
    // Regular files and folders only; changing it needs CAP_LINUX_IMMUTABLE,
    // so an ordinary user gets EPERM.
    virtual Status setImmutable(const Item& item, bool immutable) = 0;
};

class LinuxFileFlags final : public FileFlags {
  public:
    Result<KernelLocks> read(const Item& item) override;
    Status setImmutable(const Item& item, bool immutable) override;
};

}  // namespace gw::platform
