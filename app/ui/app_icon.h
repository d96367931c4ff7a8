#pragma once

#include <QIcon>

namespace gw::ui {

// Grantwell's own icon (the shield with the check), drawn at any size; the
// installed hicolor icons are renderings of the same drawing.
QIcon applicationIcon();

}  // namespace gw::ui
