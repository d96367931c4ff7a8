#include <fts.h>

#include "tree_count.h"

namespace gw::platform {

std::optional<uint64_t> countTreeEntries(const std::string& path, uint64_t limit) {
    std::string copy = path;
    char* roots[] = {copy.data(), nullptr};
    FTS* walk = ::fts_open(roots, FTS_PHYSICAL | FTS_XDEV | FTS_NOCHDIR, nullptr);
    if (!walk) {
        return std::nullopt;
    }
    uint64_t count = 0;
    while (const FTSENT* entry = ::fts_read(walk)) {
        // Folders are met twice (before and after their entries): once counts.
        if (entry->fts_info != FTS_DP)
            ++count;
        if (count >= limit)
            break;
    }
    ::fts_close(walk);
    return count;
}

}  // namespace gw::platform
