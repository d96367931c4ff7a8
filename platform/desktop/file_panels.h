#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>

namespace gw::platform {

// What the user chose in a panel: a path, or none when cancelled.
using PanelChoice = std::function<void(std::optional<std::string> path)>;

struct SavePanelRequest {
    QString message;
    QString prompt;             // the confirm button's text
    QString name;               // proposed file name
    std::string folder;         // the folder the panel starts in
    QString requiredExtension;  // empty: any name
};

// The system's open and save panels. The choice arrives later, on the main
// thread; a sheet on `window` when there is one.
class FilePanels {
  public:
    virtual ~FilePanels() = default;
    // One item, file or folder.
    virtual void chooseItem(QPointer<QObject> window, PanelChoice choice) = 0;
    virtual void chooseSaveLocation(QPointer<QObject> window, const SavePanelRequest& request,
                                    PanelChoice choice) = 0;
};

}  // namespace gw::platform
