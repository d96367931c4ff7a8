#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/item.h"

namespace vosker {

// One path to act on, and the inode the caller showed for it, when given.
struct ItemRequest {
    std::string path;
    std::optional<gw::platform::ItemIdentity> identity;
    bool operator==(const ItemRequest&) const = default;
};

// What the command line asked for; written while parsing, read-only after.
struct RunSettings {
    bool verbose = false;
    bool nestedScan = false;  // "-deep": the item and everything inside it
    bool progress = false;    // "-progress": "progress DONE TOTAL" lines while it runs
    std::optional<std::string> snapshotName;  // "-snapshot NAME": record for "restore"
    std::string ownerName;                    // the login name until "-username" says otherwise
    bool ownerGiven = false;                  // "-username" was used
    std::vector<ItemRequest> pathList;
    bool preserveAttributes = false;
    bool preserveACLs = false;
};

}  // namespace vosker
