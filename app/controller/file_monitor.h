#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QObject>

#include "platform/item_watch.h"
#include "platform/sys_error.h"

namespace gw::controller {

// The set of things that happened to a watched item (platform::watch_event bits).
using FileSystemEvents = uint32_t;

class MonitorHub;

// Watches one item and hands each batch of events to a callback on the main
// thread. Pauses nest; what happens while paused is delivered once, as one
// batch, after the last pause is balanced. Destroying the monitor stops
// delivery and closes its descriptor, paused or not.
class FileMonitor final : public QObject {
    Q_OBJECT
  public:
    using Callback = std::function<void(FileSystemEvents events)>;

    // Fails with the error of opening the item for reading; nothing is set
    // up then.
    static platform::Result<std::unique_ptr<FileMonitor>> create(const std::string& url,
                                                                 FileSystemEvents masks,
                                                                 Callback callBack);
    ~FileMonitor() override;

    void pause();
    void resume();

    const std::string& url() const { return url_; }
    bool isPaused() const { return pauses_ > 0; }

  private:
    friend class MonitorHub;
    FileMonitor(std::string url, platform::ItemWatches::Watch watch, FileSystemEvents masks,
                Callback callBack);
    // From the hub: events for this item, or the kernel's end of the watch.
    void receive(FileSystemEvents events);
    void watchEnded() { watch_.id = -1; }
    void deliverPending();

    std::string url_;
    platform::ItemWatches::Watch watch_;
    FileSystemEvents masks_;
    Callback callback_;
    int pauses_ = 0;
    FileSystemEvents pending_ = 0;
};

}  // namespace gw::controller
