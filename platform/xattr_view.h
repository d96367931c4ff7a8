#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "item.h"
#include "sys_error.h"

namespace gw::platform {

// The extended attributes a user can see and own: the "user." namespace,
// named without its prefix. ACLs (system.*), security.* and trusted.* are
// never part of it.
class XattrView {
  public:
    virtual ~XattrView() = default;
    virtual Result<std::vector<std::string>> names(const Item& item) = 0;
    virtual Result<std::vector<char>> value(const Item& item, const std::string& name) = 0;
    virtual Status remove(const Item& item, const std::string& name) = 0;

    // Byte length of the view's NUL-terminated name list; -1 when it can't
    // be listed.
    int64_t nameListLength(const Item& item);
    static int64_t nameListLength(const std::vector<std::string>& names);
    bool has(const Item& item, const std::string& name);
};

class LinuxXattrView final : public XattrView {
  public:
    Result<std::vector<std::string>> names(const Item& item) override;
    Result<std::vector<char>> value(const Item& item, const std::string& name) override;
    Status remove(const Item& item, const std::string& name) override;
};

// The quarantine record of files that came from the internet or a Mac.
inline constexpr const char* kQuarantineAttribute = "com.apple.quarantine";

// Removes one attribute from an item and everything inside it, never
// following a symbolic link. Items without it are fine; the first other
// failure is reported, after the rest of the tree has been tried.
Status removeAttributeThroughout(const std::string& root, const std::string& name);

// Gives every item of the copy at `to` the attribute its original under
// `from` has (the same relative path), never following a symbolic link.
// The first failure is reported, after the rest of the tree has been tried.
Status copyAttributeThroughout(const std::string& from, const std::string& to,
                               const std::string& name);

}  // namespace gw::platform
