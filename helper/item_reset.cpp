#include "item_reset.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <vector>

#include <charconv>

#include "executable_detection.h"
#include "item_opening.h"
#include "xattr_clearing.h"

namespace vosker {
namespace {

using gw::platform::HelperServices;
using gw::platform::Item;

ResetOutcome failure(std::string message) {
    return ResetOutcome{1, std::move(message)};
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

// Step 2: the lock always goes; the quarantine record unless attributes are
// preserved. The lock is cleared first because an immutable file refuses
// attribute changes.
std::optional<ResetOutcome> removeProtections(const Item& item, const RunSettings& settings,
                                              const HelperServices& services, std::ostream& out) {
    const auto locks = services.flags.read(item);
    const auto names = services.xattrs.names(item);
    if (!locks || !names) {
        return std::nullopt;  // unreadable: nothing to decide on, go on silently
    }
    const bool quarantined =
        std::find(names->begin(), names->end(), gw::platform::kQuarantineAttribute) != names->end();
    std::vector<std::string> removing;
    if (locks->immutable) {
        removing.emplace_back("file lock");
    }
    if (quarantined && !settings.preserveAttributes) {
        removing.emplace_back("quarantine");
    }
    if (removing.empty()) {
        if (settings.verbose) {
            out << "No need to update file lock, ACLs or quarantine info\n";
        }
        return std::nullopt;
    }
    gw::platform::Status status;
    if (locks->immutable) {
        status = services.flags.setImmutable(item, false);
    }
    if (status.ok() && quarantined && !settings.preserveAttributes) {
        status = services.xattrs.remove(item, gw::platform::kQuarantineAttribute);
    }
    if (status.failed()) {
        return failure("Unable to remove " + joined(removing) +
                       ". Error: " + status.error().description);
    }
    if (settings.verbose) {
        out << "Reset " << joined(removing) << '\n';
    }
    return std::nullopt;
}

std::optional<ResetOutcome> resetOwnership(const Item& item, const RunSettings& settings,
                                           const HelperServices& services, std::ostream& out,
                                           ModeJudgement judgement, mode_t& mode) {
    const bool executable = judgement == ModeJudgement::byPath
                                ? shouldBeExecutable(item.path(), services.contentTypes, out)
                                : shouldBeExecutable(item, services.contentTypes, out);
    mode = executable ? 0755 : 0644;
    // "staff" on a Mac is the group every user is in: here, the owner's
    // primary group.
    const auto owner = services.accounts.userNamed(settings.ownerName);
    if (!owner) {
        return failure("Permissions Error: There is no user account named \"" + settings.ownerName +
                       "\"\n");
    }
    if (const auto changed =
            services.files.setOwnerGroupMode(item, owner->uid, owner->primaryGroup, mode);
        changed.failed()) {
        return failure("Permissions Error: " + changed.error().description + "\n");
    }
    if (settings.verbose) {
        out << "Reset File owner, group and permissions reset\n";
    }
    return std::nullopt;
}

}  // namespace

ResetOutcome resetItem(const ItemRequest& request, const RunSettings& settings,
                       const HelperServices& services, std::ostream& out) {
    auto opened = openItem(request, services);
    if (auto* refused = std::get_if<std::string>(&opened)) {
        return failure(std::move(*refused));
    }
    return resetOpenedItem(std::get<Item>(opened), settings, services, out, ModeJudgement::byPath);
}

ResetOutcome resetOpenedItem(const Item& item, const RunSettings& settings,
                             const HelperServices& services, std::ostream& out,
                             ModeJudgement judgement) {
    if (auto failed = removeProtections(item, settings, services, out)) {
        return *failed;
    }
    mode_t mode = 0;
    if (auto failed = resetOwnership(item, settings, services, out, judgement, mode)) {
        return *failed;
    }
    if (settings.preserveAttributes) {
        if (settings.verbose) {
            out << "Attributes were not altered\n";
        }
    } else if (auto fatal = clearXattrs(item, services.xattrs, settings.verbose, out)) {
        return failure(*fatal);
    }
    if (settings.preserveACLs) {
        if (settings.verbose) {
            out << "ACLs were not altered\n";
        }
    } else {
        // Not judged: an ACL that stays does not fail the item. The mode just
        // set is what the item keeps once its ACL is gone.
        const int code = services.acls.removeAclKeepingMode(item, mode);
        if (settings.verbose) {
            out << "Cleared ACLs code: " << code << '\n';
        }
    }
    return ResetOutcome{0, "S'all good"};
}

}  // namespace vosker

namespace vosker {

namespace {

// A name, or a decimal id as chown also takes it.
std::optional<uid_t> accountId(const std::string& name, const HelperServices& services) {
    if (const auto account = services.accounts.userNamed(name)) {
        return account->uid;
    }
    uid_t uid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), uid);
    if (ec == std::errc() && end == name.data() + name.size() && !name.empty()) {
        return uid;
    }
    return std::nullopt;
}

}  // namespace

ResetOutcome changeOwner(const ItemRequest& request, const RunSettings& settings,
                         const HelperServices& services, std::ostream& out) {
    const auto uid = accountId(settings.ownerName, services);
    if (!uid) {
        return failure("There is no user account named \"" + settings.ownerName + "\"");
    }
    auto opened = openItem(request, services);
    if (auto* refused = std::get_if<std::string>(&opened)) {
        return failure(std::move(*refused));
    }
    if (const auto changed = services.files.setOwner(std::get<Item>(opened), *uid);
        changed.failed()) {
        return failure("Permissions Error: " + changed.error().description);
    }
    if (settings.verbose) {
        out << "Owner set to " << settings.ownerName << '\n';
    }
    return ResetOutcome{0, "S'all good"};
}

ResetOutcome changeLock(const ItemRequest& request, bool locked, const RunSettings& settings,
                        const HelperServices& services, std::ostream& out) {
    auto opened = openItem(request, services);
    if (auto* refused = std::get_if<std::string>(&opened)) {
        return failure(std::move(*refused));
    }
    if (const auto changed = services.flags.setImmutable(std::get<Item>(opened), locked);
        changed.failed()) {
        return failure((locked ? "Unable to lock the item: " : "Unable to unlock the item: ") +
                       changed.error().description);
    }
    if (settings.verbose) {
        out << (locked ? "Locked" : "Unlocked") << '\n';
    }
    return ResetOutcome{0, "S'all good"};
}

}  // namespace vosker
