#pragma once

#include <cstdint>
#include <string>

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

// The kernel's notifications about one item (inotify). The item is first
// opened for reading, so an item the user can't read is never watched, and
// the watch is placed on that open inode: a path swapped after the open is
// not the one watched.
class ItemWatch {
  public:
    // Files and folders only: opening a device or FIFO can block or have
    // effects on whoever is at the other end.
    static Result<ItemWatch> open(const std::string& path, uint32_t events);

    // Readable when events are pending.
    int descriptor() const { return notify_.get(); }
    // Every pending event, drained, as the subscribed bits; 0 when none.
    uint32_t takeEvents();

  private:
    ItemWatch(UniqueFd item, UniqueFd notify, uint32_t events)
        : item_(std::move(item)), notify_(std::move(notify)), events_(events) {}

    UniqueFd item_;
    UniqueFd notify_;
    uint32_t events_;
};

}  // namespace gw::platform
