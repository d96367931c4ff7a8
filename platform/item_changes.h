#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "file_flags.h"
#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// The single changes a user makes by hand from the window, with the user's
// own rights. Each call opens the item without following its final link, so
// a path swapped meanwhile is never acted on.
class ItemChanges {
  public:
    virtual ~ItemChanges() = default;
    // The nine permission bits and the special bits as given; a symbolic link
    // has no mode of its own and refuses.
    virtual Status setPermissions(const std::string& path, mode_t mode) = 0;
    // The lock (immutable flag); no value for items that can't carry it.
    virtual Result<std::optional<bool>> userImmutable(const std::string& path) = 0;
    virtual Status setUserImmutable(const std::string& path, bool locked) = 0;
    // The path with every symbolic link in it resolved; an error for a
    // dangling or looping link.
    virtual Result<std::string> resolveLinks(const std::string& path) = 0;
};

class LinuxItemChanges final : public ItemChanges {
  public:
    Status setPermissions(const std::string& path, mode_t mode) override;
    Result<std::optional<bool>> userImmutable(const std::string& path) override;
    Status setUserImmutable(const std::string& path, bool locked) override;
    Result<std::string> resolveLinks(const std::string& path) override;

  private:
    LinuxItemFiles files_;
    LinuxFileFlags flags_;
};

}  // namespace gw::platform
