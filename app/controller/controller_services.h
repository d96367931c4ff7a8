#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QIcon>
#include <QSettings>
#include <QString>

#include "platform/access_facts.h"
#include "platform/desktop/file_panels.h"
#include "platform/desktop/inspection_platform.h"
#include "platform/item_changes.h"

namespace gw::controller {

// What the controller asks of the system and the desktop, in one place so
// that tests can stand in for any of it. Alerts go through basalt's
// installed presenter.
struct ControllerServices {
    platform::InspectionPlatform& inspection;
    platform::ItemChanges& changes;
    platform::FilePanels& panels;
    QSettings& settings;
    QIcon applicationIcon;
    std::optional<QString> applicationName;  // the running application's localized name
    // The reset helper, and the program that copies an item to a new location.
    std::string helperPath;
    std::string copyProgram = "cp";
    // The account resets give items to: the user running the application.
    QString loginName;
    // The picture for a record's icon name; the theme's by default.
    std::function<QIcon(const QString& iconName)> iconForName;
    // What "why" is judged from; without it the window explains nothing.
    platform::AccessFacts* access = nullptr;
};

}  // namespace gw::controller
