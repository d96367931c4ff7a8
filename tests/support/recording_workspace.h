#pragma once

#include <string>
#include <vector>

#include <QUrl>

#include "basalt/desktop/desktop_utilities.h"
#include "platform/desktop/workspace.h"

namespace gw::test {

// Keeps what would have been opened instead of opening it; installed while
// it lives.
class RecordingWorkspace final : public platform::Workspace {
  public:
    RecordingWorkspace() { basalt::setWorkspace(this); }
    ~RecordingWorkspace() override { basalt::setWorkspace(nullptr); }
    std::vector<QUrl> opened;
    std::vector<std::string> shown;
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    bool showItem(const std::string& path) override {
        shown.push_back(path);
        return true;
    }
};

}  // namespace gw::test
