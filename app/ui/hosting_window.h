#pragma once

#include <functional>

class QWidget;

namespace gw::ui {

// Tells `configure` which window hosts `view`, whenever that changes
// (none when it leaves its window).
void reportHostingWindow(QWidget* view, std::function<void(QWidget* window)> configure);

}  // namespace gw::ui
