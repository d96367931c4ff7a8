#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "item.h"
#include "item_watch.h"

namespace gw::platform {

namespace {

uint32_t inotifyMaskFor(uint32_t events) {
    uint32_t mask = 0;
    if (events & watch_event::kDelete)
        mask |= IN_DELETE_SELF;
    if (events & (watch_event::kWrite | watch_event::kExtend))
        mask |= IN_MODIFY;
    // A new hard link changes the link count, which is an attribute change.
    if (events & (watch_event::kAttributes | watch_event::kLink))
        mask |= IN_ATTRIB;
    if (events & watch_event::kRename)
        mask |= IN_MOVE_SELF;
    return mask;
}

uint32_t eventsFor(uint32_t mask) {
    uint32_t events = 0;
    if (mask & IN_DELETE_SELF)
        events |= watch_event::kDelete;
    if (mask & IN_MODIFY)
        events |= watch_event::kWrite | watch_event::kExtend;
    if (mask & IN_ATTRIB)
        events |= watch_event::kAttributes;
    if (mask & IN_MOVE_SELF)
        events |= watch_event::kRename;
    if (mask & IN_UNMOUNT)
        events |= watch_event::kRevoke;
    return events;
}

}  // namespace

Result<ItemWatches> ItemWatches::create() {
    UniqueFd notify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!notify.valid()) {
        return SysError::fromErrno(errno);
    }
    return ItemWatches(std::move(notify));
}

Result<ItemWatches::Watch> ItemWatches::add(const std::string& path, uint32_t events) {
    UniqueFd pathFd(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!pathFd.valid()) {
        return SysError::fromErrno(errno);
    }
    struct stat st {};
    if (::fstat(pathFd.get(), &st) != 0) {
        return SysError::fromErrno(errno);
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return SysError::fromErrno(EOPNOTSUPP);
    }
    Watch watch;
    watch.item = reopenForReading(pathFd.get());
    if (!watch.item.valid()) {
        return SysError::fromErrno(errno);
    }
    // The /proc entry of the open descriptor names exactly the inode opened.
    // IN_MASK_ADD: another watch on the same inode keeps what it asked for.
    watch.id = ::inotify_add_watch(notify_.get(), descriptorPathOf(watch.item.get()).c_str(),
                                   inotifyMaskFor(events) | IN_MASK_ADD);
    if (watch.id < 0) {
        return SysError::fromErrno(errno);
    }
    return watch;
}

void ItemWatches::remove(int id) {
    ::inotify_rm_watch(notify_.get(), id);
}

std::vector<ItemWatches::Batch> ItemWatches::takeEvents() {
    alignas(inotify_event) char buffer[4096];
    std::vector<Batch> batches;
    for (;;) {
        const ssize_t got = ::read(notify_.get(), buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            break;
        }
        for (size_t offset = 0; offset + sizeof(inotify_event) <= static_cast<size_t>(got);) {
            inotify_event event{};
            std::memcpy(&event, buffer + offset, sizeof event);
            offset += sizeof(inotify_event) + event.len;
            const int watch = event.wd;
            auto batch = std::find_if(batches.begin(), batches.end(),
                                      [watch](const Batch& b) { return b.id == watch; });
            if (batch == batches.end()) {
                batches.push_back(Batch{event.wd, 0, false});
                batch = batches.end() - 1;
            }
            batch->events |= eventsFor(event.mask);
            batch->ended = batch->ended || (event.mask & IN_IGNORED);
        }
    }
    return batches;
}

}  // namespace gw::platform
