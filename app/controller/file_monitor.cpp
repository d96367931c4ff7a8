#include "app/controller/file_monitor.h"

#include <ostream>

#include "basalt/diagnostics.h"

namespace gw::controller {

platform::Result<std::unique_ptr<FileMonitor>> FileMonitor::create(const std::string& url,
                                                                   FileSystemEvents masks,
                                                                   Callback callBack) {
    auto watch = platform::ItemWatch::open(url, masks);
    if (!watch) {
        return watch.error();
    }
    std::unique_ptr<FileMonitor> monitor(
        new FileMonitor(url, std::move(watch.value()), std::move(callBack)));
    basalt::diagnostics() << "FileMonitor.init(url:masks:callBack:)\n";
    return monitor;
}

FileMonitor::FileMonitor(std::string url, platform::ItemWatch watch, Callback callBack)
    : url_(std::move(url)),
      watch_(std::move(watch)),
      callback_(std::move(callBack)),
      notifier_(watch_.descriptor(), QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &FileMonitor::deliver);
}

FileMonitor::~FileMonitor() {
    basalt::diagnostics() << "FileMonitor.deinit\n";
    // The notifier goes before the watch closes its descriptor.
    notifier_.setEnabled(false);
}

void FileMonitor::pause() {
    basalt::diagnostics() << "FileMonitor.pause()\n";
    if (pauses_++ == 0) {
        notifier_.setEnabled(false);
    }
}

void FileMonitor::resume() {
    basalt::diagnostics() << "FileMonitor.resume()\n";
    if (pauses_ == 0) {
        return;  // unbalanced: never let the count go negative
    }
    if (--pauses_ == 0) {
        // Events queued by the kernel meanwhile make the notifier fire at once.
        notifier_.setEnabled(true);
    }
}

void FileMonitor::deliver() {
    const FileSystemEvents events = watch_.takeEvents();
    if (events != 0 && callback_) {
        callback_(events);
    }
}

}  // namespace gw::controller
