#include "app/ui/recent_items_menu.h"

#include <QFile>

#include "basalt/desktop/recent_items.h"

namespace gw::ui {

RecentItemsMenu::RecentItemsMenu(basalt::AMRecentItemController& controller, QWidget* parent)
    : QMenu(QStringLiteral("Open Recent"), parent), controller_(controller) {
    setToolTipsVisible(true);
    connect(&controller_, &basalt::AMRecentItemController::itemListChanged, this,
            &RecentItemsMenu::rebuild);
    rebuild();
}

void RecentItemsMenu::rebuild() {
    clear();
    for (const auto& item : controller_.itemList()) {
        QAction* action = addAction(QIcon(item.icon.pixmap(QSize(16, 16))), item.name);
        action->setToolTip(QFile::decodeName(QByteArray::fromStdString(item.id)));
        const auto chosen = item;
        connect(action, &QAction::triggered, this,
                [this, chosen]() { controller_.openRecentItem(chosen); });
    }
    if (!controller_.itemList().empty()) {
        addSeparator();
        addAction(QStringLiteral("Clear All"), this, [this]() { controller_.clearRecentItems(); });
    }
    setEnabled(!controller_.itemList().empty());
}

}  // namespace gw::ui
