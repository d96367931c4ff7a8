#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/helper_services.h"
#include "run_settings.h"

namespace vosker {

struct TreeCounts {
    uint64_t reset = 0;
    uint64_t failed = 0;
    uint64_t leftAlone = 0;  // mount points inside the tree
    bool stopped = false;    // the caller stopped the walk
};

// Called before each entry with how many are done; false stops the walk
// there, between two entries.
using BetweenEntries = std::function<bool(uint64_t done)>;

// Called with each entry just before it is reset: its depth (0 for the item
// given, its path; below, its name). A text refuses the entry with that
// reason (its state could not be recorded).
using BeforeEntry = std::function<std::optional<std::string>(
    const gw::platform::Item& item, int depth, const std::string& pathOrName)>;

// Resets the item and, for a folder, everything inside it, as a reset of
// each entry alone would. The walk goes through descriptors: each entry is
// opened in its folder and never followed if it is a link, another mount
// is reported and left alone, a folder is climbed out of only when its
// parent is still the one it came from, and no more than a handful of
// descriptors are open at any depth. A failure is printed with the entry's
// path and the walk goes on.
TreeCounts resetTree(const ItemRequest& request, const RunSettings& settings,
                     const gw::platform::HelperServices& services, std::ostream& out,
                     const BetweenEntries& between, const BeforeEntry& before = nullptr);

// How many entries resetTree would meet: for a progress total.
uint64_t countTree(const ItemRequest& request, const gw::platform::HelperServices& services);

// 12345 as "12,345".
std::string grouped(uint64_t number);

// "Reset 12,345 items, 2 failed"
std::string treeSummary(const TreeCounts& counts);

}  // namespace vosker
