#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

#include "platform/helper_services.h"
#include "platform/item_state.h"
#include "platform/unique_fd.h"
#include "run_settings.h"

namespace vosker {

// What a reset changed, recorded before it changed it, so that
// "Vosker restore NAME" can put every entry back. A snapshot lives in a
// folder only its owner can reach: the user's $XDG_STATE_HOME/grantwell/undo,
// or /var/lib/grantwell/undo for runs as root, and a run as root reads only
// from there, so nobody can hand root a snapshot to apply.

// Letters, digits, ".", "_" and "-", never "." or "..": a name, not a path.
bool isSnapshotName(const std::string& name);

// The snapshot folder, made (0700) if need be; the text says why not.
std::variant<gw::platform::UniqueFd, std::string> openSnapshotFolder(bool privileged);

// Writes one snapshot, entry by entry, as the reset goes.
class SnapshotWriter {
  public:
    // Fails when the name is taken: a snapshot is never overwritten.
    static std::variant<SnapshotWriter, std::string> create(int folder, const std::string& name);
    // The item a reset is given (depth 0, its path), or an entry met inside
    // it at a depth below it (its name).
    bool add(int depth, const std::string& pathOrName, const gw::platform::Item& item,
             const gw::platform::ItemState& state);
    bool finish();

  private:
    explicit SnapshotWriter(gw::platform::UniqueFd fd) : fd_(std::move(fd)) {}
    bool write(const std::string& text);
    bool flush();
    gw::platform::UniqueFd fd_;
    std::string pending_;  // written in large pieces, not a call per entry
};

// Old snapshots go: those older than 30 days, then the oldest while there
// are more than 20 or they take more than 256 MB.
void pruneSnapshots(int folder);

struct RestoreCounts {
    uint64_t restored = 0;
    uint64_t skipped = 0;  // replaced since the reset, or out of reach
    uint64_t failed = 0;
};

// Puts back what the snapshot recorded, resolving each item as a reset
// does (link-free, identity-checked); entries replaced since are reported
// and skipped.
std::variant<RestoreCounts, std::string> restoreSnapshot(
    int folder, const std::string& name, const gw::platform::HelperServices& services,
    std::ostream& out);

}  // namespace vosker
