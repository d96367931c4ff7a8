#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sys_error.h"
#include "unique_fd.h"

namespace gw::platform {

// What can happen to a watched item, as one set of bits.
namespace watch_event {
inline constexpr uint32_t kDelete = 1U << 0;
inline constexpr uint32_t kWrite = 1U << 1;
inline constexpr uint32_t kExtend = 1U << 2;
inline constexpr uint32_t kAttributes = 1U << 3;
inline constexpr uint32_t kLink = 1U << 4;
inline constexpr uint32_t kRename = 1U << 5;
inline constexpr uint32_t kRevoke = 1U << 6;
}  // namespace watch_event

// The kernel's notifications about items (inotify), one instance for all of
// them: closing an inotify instance waits for an RCU grace period (about
// 10 ms), far too long to pay on every item the user looks at.
class ItemWatches {
  public:
    static Result<ItemWatches> create();

    // One item being watched. The item is opened for reading first, so an
    // item the user can't read is never watched, and the watch is placed on
    // that open inode: a path swapped after the open is not the one watched.
    // Two watches on one inode share their id.
    struct Watch {
        UniqueFd item;
        int id = -1;
    };
    // Files and folders only: opening a device or FIFO can block or have
    // effects on whoever is at the other end.
    Result<Watch> add(const std::string& path, uint32_t events);
    void remove(int id);

    // Readable when events are pending.
    int descriptor() const { return notify_.get(); }

    struct Batch {
        int id;
        uint32_t events;  // watch_event bits
        bool ended;       // the kernel dropped the watch (item deleted, unmounted)
    };
    // Every pending event, drained and merged per watch.
    std::vector<Batch> takeEvents();

  private:
    explicit ItemWatches(UniqueFd notify) : notify_(std::move(notify)) {}
    UniqueFd notify_;
};

}  // namespace gw::platform
