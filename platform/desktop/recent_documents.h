#pragma once

#include <string>
#include <vector>

#include <QString>

#include "platform/sys_error.h"

namespace gw::platform {

// The desktop's list of recently used documents, as far as this
// application's own entries go.
class RecentDocuments {
  public:
    virtual ~RecentDocuments() = default;
    // This application's entries, most recent first.
    virtual std::vector<std::string> paths() = 0;
    virtual Status note(const std::string& path) = 0;
    // Forgets this application's entries; other applications' stay.
    virtual Status clear() = 0;
};

// The freedesktop bookmark file that GTK and KDE share
// ($XDG_DATA_HOME/recently-used.xbel). Changes are made under the file's
// lock and written by atomic replace (mode 0600), keeping every other
// application's entries and every element this one does not understand.
// A file that can't be parsed is never overwritten.
class XbelRecentDocuments final : public RecentDocuments {
  public:
    struct Application {
        QString name;  // how this application is registered, "Grantwell"
        QString exec;  // its command line, "'grantwell %u'"
    };
    XbelRecentDocuments(QString filePath, Application application);
    static QString defaultFilePath();

    std::vector<std::string> paths() override;
    Status note(const std::string& path) override;
    Status clear() override;

  private:
    QString filePath_;
    Application application_;
};

}  // namespace gw::platform
