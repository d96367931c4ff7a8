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

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

QIcon menuSymbol(const char* name) {
    return symbolIcon(QString::fromLatin1(name), colors::primary());
}

}  // namespace

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(u"&File"_s);
    file->addAction(u"Open..."_s, QKeySequence(Qt::CTRL | Qt::Key_O), this,
                    [this]() { controller_.chooseFile(); });
    file->addMenu(new RecentItemsMenu(recentItems_, file));
    file->addSeparator();
    itemCommands_ << file->addAction(
        QCoreApplication::translate("main_window_menus", "Show in File Manager"), this, [this]() {
            if (controller_.info().url) {
                basalt::revealInFinder(*controller_.info().url);
            }
        });
    file->addSeparator();
    itemCommands_ << file->addAction(QCoreApplication::translate("main_window_menus", "Quick Look"),
                                     this, [this]() {
                                         if (controller_.info().url) {
                                             controller_.setQuickLookURL(*controller_.info().url);
                                         }
                                     });
    file->addSeparator();
    openOriginal_ =
        file->addAction(QCoreApplication::translate("main_window_menus", "Open Original"), this,
                        [this]() { controller_.getOriginalFile(); });
    file->addSeparator();
    itemCommands_ << file->addAction(QCoreApplication::translate("main_window_menus", "Reset"),
                                     QKeySequence(Qt::CTRL | Qt::Key_B), this,
                                     [this]() { controller_.resetPermissions(); });
    itemCommands_ << file->addAction(
        QCoreApplication::translate("main_window_menus", "Reset to..."), this,
        [this]() { controller_.resetAtNewLocation(); });
    file->addSeparator();
    file->addAction(QCoreApplication::translate("main_window_menus", "Quit"),
                    QKeySequence(Qt::CTRL | Qt::Key_Q), this, [this]() { quitSequence(); });

    QMenu* edit = menuBar()->addMenu(u"&Edit"_s);
    QAction* undo = edit->addAction(QCoreApplication::translate("main_window_menus", "Undo Reset"),
                                    QKeySequence(QKeySequence::Undo), this,
                                    [this]() { controller_.undoReset(); });
    undo->setEnabled(controller_.undoAvailable());
    connect(&controller_, &controller::ResetController::undoAvailableChanged, undo,
            [this, undo]() { undo->setEnabled(controller_.undoAvailable()); });
    edit->addSeparator();
    QAction* remove = edit->addAction(QCoreApplication::translate("main_window_menus", "Delete"),
                                      this, [this]() { controller_.clearFile(); });
    remove->setShortcuts({QKeySequence(QKeySequence::Delete), QKeySequence(Qt::Key_Backspace)});
    edit->addSeparator();
    edit->addAction(u"Settings..."_s, QKeySequence(Qt::CTRL | Qt::Key_Comma), this, [this]() {
        if (hooks_.showSettings) {
            hooks_.showSettings();
        }
    });

    QMenu* view = menuBar()->addMenu(u"&View"_s);
    view->addAction(QCoreApplication::translate("main_window_menus", "Refresh"),
                    QKeySequence(Qt::CTRL | Qt::Key_R), this,
                    [this]() { controller_.reloadFile(); });

    QMenu* help = menuBar()->addMenu(u"&Help"_s);
    help->addSeparator();
    help->addAction(menuSymbol("questionmark.circle"),
                    QCoreApplication::translate("main_window_menus",
                                                "Contact Ambrel for support or feedback..."),
                    this, [this]() {
                        if (hooks_.sendFeedback) {
                            hooks_.sendFeedback();
                        }
                    });
    help->addSeparator();
    help->addAction(menuSymbol("safari"),
                    QCoreApplication::translate("main_window_menus", "Visit Ambrel's Website..."),
                    this, []() { basalt::URLShow(web::makerSite); });
    help->addAction(menuSymbol("mail"),
                    QCoreApplication::translate("main_window_menus", "Stay Up To Date..."), this,
                    []() { basalt::URLShow(web::stayUpToDate); });
    help->addSeparator();
    help->addAction(menuSymbol("heart"),
                    QCoreApplication::translate("main_window_menus", "Share the Grantwell love..."),
                    this, [this]() {
                        if (hooks_.showShareDialog) {
                            hooks_.showShareDialog(false);
                        }
                    });
    help->addAction(menuSymbol("square.and.pencil"),
                    QCoreApplication::translate("main_window_menus", "Write a Grantwell Review..."),
                    this, []() { basalt::URLShow(web::reviewPage); });
    help->addSeparator();
    help->addAction(QCoreApplication::translate("main_window_menus", "Check for updates..."), this,
                    [this]() {
                        if (hooks_.checkForUpdates) {
                            hooks_.checkForUpdates();
                        }
                    });
    help->addSeparator();
    const QString name = QCoreApplication::applicationName().isEmpty()
                             ? QCoreApplication::translate("main_window_menus", "This app")
                             : QCoreApplication::applicationName();
    help->addAction(QCoreApplication::translate("main_window_menus", "About ") + name, this,
                    [this]() {
                        if (hooks_.showAbout) {
                            hooks_.showAbout();
                        }
                    });
}

}  // namespace gw::ui
