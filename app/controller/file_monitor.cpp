#include "app/controller/file_monitor.h"

#include <algorithm>
#include <map>
#include <ostream>
#include <vector>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include "basalt/diagnostics.h"

namespace gw::controller {

// The one inotify instance of the process and the monitors listening to it,
// read on the main thread. It lives as long as the application object.
class MonitorHub final : public QObject {
  public:
    static platform::Result<MonitorHub*> instance() {
        static QPointer<MonitorHub> hub;
        if (!hub) {
            auto watches = platform::ItemWatches::create();
            if (!watches) {
                return watches.error();
            }
            hub = new MonitorHub(std::move(watches.value()), QCoreApplication::instance());
        }
        return hub.data();
    }

    platform::Result<platform::ItemWatches::Watch> add(const std::string& path,
                                                       FileSystemEvents events) {
        return watches_.add(path, events);
    }
    void attach(FileMonitor* monitor) { listeners_[monitor->watch_.id].push_back(monitor); }
    void detach(FileMonitor* monitor) {
        const int id = monitor->watch_.id;
        auto it = listeners_.find(id);
        if (it == listeners_.end()) {
            return;
        }
        std::erase(it->second, monitor);
        if (it->second.empty()) {
            listeners_.erase(it);
            watches_.remove(id);
        }
    }

  private:
    MonitorHub(platform::ItemWatches watches, QObject* parent)
        : QObject(parent),
          watches_(std::move(watches)),
          notifier_(watches_.descriptor(), QSocketNotifier::Read) {
        connect(&notifier_, &QSocketNotifier::activated, this, &MonitorHub::dispatch);
    }

    void dispatch() {
        for (const auto& batch : watches_.takeEvents()) {
            auto it = listeners_.find(batch.id);
            if (it == listeners_.end()) {
                continue;
            }
            // Copied: a callback may discard monitors, this one included.
            const std::vector<FileMonitor*> monitors = it->second;
            if (batch.ended) {
                listeners_.erase(it);  // the kernel may hand the id out again
                for (auto* monitor : monitors) {
                    monitor->watchEnded();
                }
            }
            for (auto* monitor : monitors) {
                if (isListening(monitor, batch.ended ? -1 : batch.id)) {
                    monitor->receive(batch.events);
                }
            }
        }
    }
    bool isListening(FileMonitor* monitor, int id) const {
        if (id < 0) {
            return true;  // ended watches were detached above; the monitor still exists
        }
        auto it = listeners_.find(id);
        return it != listeners_.end() &&
               std::find(it->second.begin(), it->second.end(), monitor) != it->second.end();
    }

    platform::ItemWatches watches_;
    QSocketNotifier notifier_;
    std::map<int, std::vector<FileMonitor*>> listeners_;
};

platform::Result<std::unique_ptr<FileMonitor>> FileMonitor::create(const std::string& url,
                                                                   FileSystemEvents masks,
                                                                   Callback callBack) {
    auto hub = MonitorHub::instance();
    if (!hub) {
        return hub.error();
    }
    auto watch = (*hub)->add(url, masks);
    if (!watch) {
        return watch.error();
    }
    std::unique_ptr<FileMonitor> monitor(
        new FileMonitor(url, std::move(watch.value()), masks, std::move(callBack)));
    (*hub)->attach(monitor.get());
    basalt::diagnostics() << "FileMonitor.init(url:masks:callBack:)\n";
    return monitor;
}

FileMonitor::FileMonitor(std::string url, platform::ItemWatches::Watch watch,
                         FileSystemEvents masks, Callback callBack)
    : url_(std::move(url)),
      watch_(std::move(watch)),
      masks_(masks),
      callback_(std::move(callBack)) {}

FileMonitor::~FileMonitor() {
    basalt::diagnostics() << "FileMonitor.deinit\n";
    if (watch_.id >= 0) {
        if (auto hub = MonitorHub::instance()) {
            (*hub)->detach(this);
        }
    }
}

void FileMonitor::pause() {
    basalt::diagnostics() << "FileMonitor.pause()\n";
    ++pauses_;
}

void FileMonitor::resume() {
    basalt::diagnostics() << "FileMonitor.resume()\n";
    if (pauses_ == 0) {
        return;  // unbalanced: never let the count go negative
    }
    if (--pauses_ == 0 && pending_ != 0) {
        // Delivered from the event loop, not from inside the caller's resume.
        QMetaObject::invokeMethod(this, &FileMonitor::deliverPending, Qt::QueuedConnection);
    }
}

void FileMonitor::receive(FileSystemEvents events) {
    pending_ |= events & masks_;
    if (pauses_ == 0) {
        deliverPending();
    }
}

void FileMonitor::deliverPending() {
    if (pauses_ > 0 || pending_ == 0) {
        return;
    }
    const FileSystemEvents events = std::exchange(pending_, 0);
    if (callback_) {
        callback_(events);
    }
}

}  // namespace gw::controller
