#pragma once

#include <iosfwd>
#include <string>

#include "platform/helper_services.h"
#include "run_settings.h"

namespace vosker {

struct ResetOutcome {
    int status = 0;       // 0 success, 1 failure
    std::string message;  // "S'all good", or what the driver prints after "error: "
};

// Brings one item back to a plain state: unlocked, no quarantine record,
// owned by the owner and the owner's primary group, 755 or 644, no extended
// attributes, no ACL. Acts on the item itself, never on a link's target and
// never on a path swapped after it was opened.
ResetOutcome resetItem(const ItemRequest& request, const RunSettings& settings,
                       const gw::platform::HelperServices& services, std::ostream& out);

// The same for an item already opened and checked. Inside a tree the mode
// is judged through the item's descriptors, not its path.
enum class ModeJudgement { byPath, byDescriptor };
ResetOutcome resetOpenedItem(const gw::platform::Item& item, const RunSettings& settings,
                             const gw::platform::HelperServices& services, std::ostream& out,
                             ModeJudgement judgement);

// The owner alone ("owner" command), and the lock ("lock", "unlock"), with
// the same opening and checks as a reset.
ResetOutcome changeOwner(const ItemRequest& request, const RunSettings& settings,
                         const gw::platform::HelperServices& services, std::ostream& out);
ResetOutcome changeLock(const ItemRequest& request, bool locked, const RunSettings& settings,
                        const gw::platform::HelperServices& services, std::ostream& out);

}  // namespace vosker
