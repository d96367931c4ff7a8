// The menu bar: every command of the window, with its shortcut and symbol.
#include <QCoreApplication>
#include <QMenuBar>

#include "app/controller/reset_controller.h"
#include "app/ui/main_window.h"
#include "app/ui/recent_items_menu.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/web_addresses.h"
#include "basalt/desktop/desktop_utilities.h"

namespace gw::ui {

namespace {

QIcon menuSymbol(const char* name) {
    return symbolIcon(QString::fromLatin1(name), colors::primary());
}

}  // namespace

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                    [this]() { controller_.chooseFile(); });
    file->addMenu(new RecentItemsMenu(recentItems_, file));
    file->addSeparator();
    itemCommands_ << file->addAction(QStringLiteral("Show in File Manager"), this, [this]() {
        if (controller_.info().url) {
            basalt::revealInFinder(*controller_.info().url);
        }
    });
    file->addSeparator();
    itemCommands_ << file->addAction(QStringLiteral("Quick Look"), this, [this]() {
        if (controller_.info().url) {
            controller_.setQuickLookURL(*controller_.info().url);
        }
    });
    file->addSeparator();
    openOriginal_ = file->addAction(QStringLiteral("Open Original"), this,
                                    [this]() { controller_.getOriginalFile(); });
    file->addSeparator();
    itemCommands_ << file->addAction(QStringLiteral("Reset"), QKeySequence(Qt::CTRL | Qt::Key_B),
                                     this, [this]() { controller_.resetPermissions(); });
    itemCommands_ << file->addAction(QStringLiteral("Reset to..."), this,
                                     [this]() { controller_.resetAtNewLocation(); });
    file->addSeparator();
    file->addAction(QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                    [this]() { quitSequence(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* remove =
        edit->addAction(QStringLiteral("Delete"), this, [this]() { controller_.clearFile(); });
    remove->setShortcuts({QKeySequence(QKeySequence::Delete), QKeySequence(Qt::Key_Backspace)});
    edit->addSeparator();
    edit->addAction(QStringLiteral("Settings..."), QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                    [this]() {
                        if (hooks_.showSettings) {
                            hooks_.showSettings();
                        }
                    });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("Refresh"), QKeySequence(Qt::CTRL | Qt::Key_R), this,
                    [this]() { controller_.reloadFile(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addSeparator();
    help->addAction(menuSymbol("questionmark.circle"),
                    QStringLiteral("Contact Ambrel for support or feedback..."), this, [this]() {
                        if (hooks_.sendFeedback) {
                            hooks_.sendFeedback();
                        }
                    });
    help->addSeparator();
    help->addAction(menuSymbol("safari"), QStringLiteral("Visit Ambrel's Website..."), this,
                    []() { basalt::URLShow(web::makerSite); });
    help->addAction(menuSymbol("mail"), QStringLiteral("Stay Up To Date..."), this,
                    []() { basalt::URLShow(web::stayUpToDate); });
    help->addSeparator();
    help->addAction(menuSymbol("heart"), QStringLiteral("Share the Grantwell love..."), this,
                    [this]() {
                        if (hooks_.showShareDialog) {
                            hooks_.showShareDialog(false);
                        }
                    });
    help->addAction(menuSymbol("square.and.pencil"), QStringLiteral("Write a Grantwell Review..."),
                    this, []() { basalt::URLShow(web::reviewPage); });
    help->addSeparator();
    help->addAction(QStringLiteral("Check for updates..."), this, [this]() {
        if (hooks_.checkForUpdates) {
            hooks_.checkForUpdates();
        }
    });
    help->addSeparator();
    const QString name = QCoreApplication::applicationName().isEmpty()
                             ? QStringLiteral("This app")
                             : QCoreApplication::applicationName();
    help->addAction(QStringLiteral("About ") + name, this, [this]() {
        if (hooks_.showAbout) {
            hooks_.showAbout();
        }
    });
}

}  // namespace gw::ui
