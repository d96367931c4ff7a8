#include "app/ui/recent_items_menu.h"

#include <QCoreApplication>
#include <QFile>

#include "app/ui/symbols.h"
#include "basalt/desktop/recent_items.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {
// Wide enough for most names, narrow enough for any screen.
constexpr int kNameWidth = 360;
}  // namespace

RecentItemsMenu::RecentItemsMenu(basalt::AMRecentItemController& controller, QWidget* parent)
    : QMenu(QCoreApplication::translate("recent_items_menu", "Open Recent"), parent),
      controller_(controller) {
    setToolTipsVisible(true);
    connect(&controller_, &basalt::AMRecentItemController::itemListChanged, this,
            &RecentItemsMenu::rebuild);
    rebuild();
}

void RecentItemsMenu::rebuild() {
    clear();
    const QFontMetrics metrics(font());
    for (const auto& item : controller_.itemList()) {
        // "&" would mark a shortcut letter; long names are shortened in the
        // middle, whole in the tooltip.
        QString shown = metrics.elidedText(item.name, Qt::ElideMiddle, kNameWidth);
        shown.replace(u'&', u"&&"_s);
        // A theme without even the generic icon still gets a drawn page.
        QAction* action = addAction(item.icon.isNull() ? fileIcon(QString()) : item.icon, shown);
        action->setToolTip(QFile::decodeName(QByteArray::fromStdString(item.id)));
        const auto chosen = item;
        connect(action, &QAction::triggered, this,
                [this, chosen]() { controller_.openRecentItem(chosen); });
    }
    if (!controller_.itemList().empty()) {
        addSeparator();
        addAction(QCoreApplication::translate("recent_items_menu", "Clear All"), this,
                  [this]() { controller_.clearRecentItems(); });
    }
    setEnabled(!controller_.itemList().empty());
}

}  // namespace gw::ui
