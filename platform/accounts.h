#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>

namespace gw::platform {

struct Account {
    std::string name;
    uid_t uid = 0;
    gid_t primaryGroup = 0;
};

// User and group accounts of the machine.
class Accounts {
  public:
    virtual ~Accounts() = default;
    // The login name of the effective uid (never $USER, which anyone can set).
    virtual std::string loginName() = 0;
    virtual std::optional<Account> userNamed(const std::string& name) = 0;
    // Names for ids; an id without a name reads as its decimal number.
    virtual std::string userName(uid_t uid) = 0;
    virtual std::string groupName(gid_t gid) = 0;
};

class LinuxAccounts final : public Accounts {
  public:
    std::string loginName() override;
    // Remembers the last answer: a run asks for the same owner once per item,
    // and each lookup reads the account database anew.
    std::optional<Account> userNamed(const std::string& name) override;
    std::string userName(uid_t uid) override;
    std::string groupName(gid_t gid) override;

  private:
    std::optional<std::pair<std::string, std::optional<Account>>> lastLookup_;
};

}  // namespace gw::platform
