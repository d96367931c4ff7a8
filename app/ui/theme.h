#pragma once

#include <QColor>

class QApplication;

namespace gw::ui {

// The one appearance the application has: Fusion with a dark palette,
// whatever the desktop says.
void applyDarkAppearance(QApplication& app);

namespace colors {
QColor green();
QColor yellow();
QColor orange();
QColor red();
QColor primary();
QColor secondary();
QColor panel();   // the details' rounded background
QColor accent();  // keyboard focus and the drop outline
}  // namespace colors

}  // namespace gw::ui
