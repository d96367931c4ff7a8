#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QSocketNotifier>

#include "platform/item_watch.h"
#include "platform/sys_error.h"

namespace gw::controller {

// The set of things that happened to a watched item (platform::watch_event bits).
using FileSystemEvents = uint32_t;

// Watches one item and hands each batch of events to a callback on the main
// thread. Pauses nest; what happens while paused is delivered once, as one
// batch, when the last pause is balanced. Destroying the monitor stops
// delivery and closes its descriptors, paused or not.
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
    FileMonitor(std::string url, platform::ItemWatch watch, Callback callBack);
    void deliver();

    std::string url_;
    platform::ItemWatch watch_;
    Callback callback_;
    QSocketNotifier notifier_;
    int pauses_ = 0;
};

}  // namespace gw::controller
