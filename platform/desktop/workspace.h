#pragma once

#include <string>

#include <QUrl>

namespace gw::platform {

// The desktop's file manager and default applications.
class Workspace {
  public:
    virtual ~Workspace() = default;
    // Opens a location with its default application; false when nothing could.
    virtual bool openUrl(const QUrl& url) = 0;
    // A file-manager window with the item selected; false when nothing could.
    virtual bool showItem(const std::string& path) = 0;
};

// The freedesktop file-manager interface over D-Bus, falling back to
// opening the containing folder; everything else through the desktop's
// URL handlers.
class LinuxWorkspace final : public Workspace {
  public:
    bool openUrl(const QUrl& url) override;
    bool showItem(const std::string& path) override;
};

}  // namespace gw::platform
