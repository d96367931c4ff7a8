#pragma once

#include <string>

#include <QColor>
#include <QIcon>
#include <QString>

#include "platform/desktop/workspace.h"

namespace basalt {

// The desktop's file manager and URL handlers, as installed by the
// application (tests install a recorder).
void setWorkspace(gw::platform::Workspace* workspace);

// A file-manager window with the item selected; the diagnostic alert
// "Unable to Show the file in the file manager" when the item isn't there.
void revealInFinder(const std::string& path);
// Opens a location given as text with its default application.
void URLShow(const QString& text);
// A new message in the user's mail program.
void composeEmail(const QString& to, const QString& subject, const QString& body);
// The colour links are drawn in.
QColor linkTextColor();

// The desktop theme's icon for a MIME icon name ("text-plain"), else the
// theme's generic icon of that type's family ("text-x-generic"); null when
// the theme has neither.
QIcon themedFileIcon(const QString& iconName);

}  // namespace basalt
