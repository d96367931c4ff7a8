#pragma once

#include <QMenu>

namespace basalt {
class AMRecentItemController;
}

namespace gw::ui {

// "Open Recent": the listed items, most recent first, then "Clear All".
class RecentItemsMenu : public QMenu {
    Q_OBJECT
  public:
    RecentItemsMenu(basalt::AMRecentItemController& controller, QWidget* parent = nullptr);

  private:
    void rebuild();
    basalt::AMRecentItemController& controller_;
};

}  // namespace gw::ui
