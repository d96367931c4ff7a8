#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "accounts.h"

namespace gw::platform {
namespace {

// getpw*_r / getgr*_r want a caller buffer whose needed size is only known
// by trying: grow it while the call answers ERANGE.
template <class Record, class Call>
bool lookup(Record& record, Call call) {
    std::vector<char> buffer(1024);
    for (;;) {
        Record* found = nullptr;
        const int rc = call(&record, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        return rc == 0 && found != nullptr;
    }
}

}  // namespace

std::string LinuxAccounts::loginName() {
    return userName(::geteuid());
}

std::optional<Account> LinuxAccounts::userNamed(const std::string& name) {
    if (lastLookup_ && lastLookup_->first == name) {
        return lastLookup_->second;
    }
    passwd pw{};
    Account account;
    const bool ok = lookup(pw, [&](passwd* rec, char* buf, size_t len, passwd** out) {
        const int rc = ::getpwnam_r(name.c_str(), rec, buf, len, out);
        if (rc == 0 && *out) {
            account = Account{rec->pw_name, rec->pw_uid, rec->pw_gid};
        }
        return rc;
    });
    lastLookup_.emplace(name, ok ? std::optional<Account>(account) : std::nullopt);
    return lastLookup_->second;
}

std::string LinuxAccounts::userName(uid_t uid) {
    passwd pw{};
    std::string name;
    const bool ok = lookup(pw, [&](passwd* rec, char* buf, size_t len, passwd** out) {
        const int rc = ::getpwuid_r(uid, rec, buf, len, out);
        if (rc == 0 && *out) {
            name = rec->pw_name;
        }
        return rc;
    });
    return ok ? name : std::to_string(uid);
}

std::string LinuxAccounts::groupName(gid_t gid) {
    group gr{};
    std::string name;
    const bool ok = lookup(gr, [&](group* rec, char* buf, size_t len, group** out) {
        const int rc = ::getgrgid_r(gid, rec, buf, len, out);
        if (rc == 0 && *out) {
            name = rec->gr_name;
        }
        return rc;
    });
    return ok ? name : std::to_string(gid);
}

}  // namespace gw::platform
