#include "app/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controller/owner_change_sheet.h"
#include "app/controller/reset_controller.h"
#include "app/ui/content_view_gw2.h"
#include "app/ui/hosting_window.h"
#include "app/ui/owner_sheet_dialog.h"
#include "app/ui/quick_look_window.h"
#include "app/ui/rounded_panel.h"
#include "app/ui/simple_progress_panel.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/translucent_background.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/update/vexa_lite.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

MainWindow::MainWindow(controller::ResetController& controller,
                       basalt::AMRecentItemController& recentItems, QSettings& settings,
                       MainWindowHooks hooks)
    : controller_(controller),
      recentItems_(recentItems),
      settings_(settings),
      hooks_(std::move(hooks)),
      ownerSheet_(std::make_unique<controller::OwnerChangeSheet>(controller)) {
    setWindowTitle(u"Grantwell"_s);
    setObjectName(u"mainWindow"_s);
    setUnifiedTitleAndToolBarOnMac(true);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* backdrop = new TranslucentBackground;
    backdrop_ = backdrop;
    auto* stack = new QVBoxLayout(backdrop);
    stack->setContentsMargins(0, 0, 0, 0);
    content_ = new ContentViewGW2(controller_, *ownerSheet_, backdrop);
    stack->addWidget(content_);
    scroll->setWidget(backdrop);
    setCentralWidget(scroll);
    setMinimumWidth(350);
    setMaximumWidth(500);
    connect(content_, &ContentViewGW2::updateCheckRequested, this, [this]() {
        if (hooks_.checkForUpdates) {
            hooks_.checkForUpdates();
        }
    });

    progress_ = new SimpleProgressPanel(controller_, this);
    ownerDialog_ = new OwnerSheetDialog(*ownerSheet_, this);

    buildToolbar();
    buildMenus();

    // The controller's alerts attach to whatever window hosts the content.
    reportHostingWindow(content_, [this](QWidget* window) { controller_.setParentWindow(window); });
    controller_.setParentWindow(this);

    using RC = controller::ResetController;
    connect(&controller_, &RC::fileDetailsShowChanged, this, &MainWindow::refreshCommands);
    connect(&controller_, &RC::infoChanged, this, &MainWindow::refreshCommands);
    connect(&controller_, &RC::progressShowChanged, this,
            [this]() { showProgressSheet(controller_.progressShow()); });
    connect(&controller_, &RC::newLocationPanelShown, this, [this](bool panelShown) {
        showProgressSheet(!panelShown && controller_.progressShow());
    });
    connect(&controller_, &RC::quickLookURLChanged, this, &MainWindow::showQuickLook);
    // Whatever changes the content's layout (another item, a section shown
    // or hidden after a reset, a wrapped line) refits the window once.
    backdrop->installEventFilter(this);
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(0);
    connect(&fitTimer_, &QTimer::timeout, this, &MainWindow::fitToContent);
    refreshCommands();
    refreshUpdateBadge();
    resize(400, 10);
    fitTimer_.start();
}

MainWindow::~MainWindow() {
    controller_.setParentWindow(nullptr);
}

void MainWindow::buildToolbar() {
    auto* bar = addToolBar(u"Grantwell"_s);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(18, 18));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* title = new QLabel(u"Grantwell"_s);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    title->setContentsMargins(8, 0, 0, 0);
    bar->addWidget(title);
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);

    reveal_ = new QToolButton;
    reveal_->setIcon(symbolIcon(u"magnifyingglass.circle.fill"_s, colors::primary()));
    reveal_->setToolTip(
        QCoreApplication::translate("main_window", "Shows the current file in the file manager"));
    reveal_->setAutoRaise(true);
    connect(reveal_, &QToolButton::clicked, this, [this]() {
        if (controller_.info().url) {
            basalt::revealInFinder(*controller_.info().url);
        }
    });
    bar->addWidget(reveal_);

    reset_ = new QToolButton;
    reset_->setIcon(symbolIcon(u"arrow.clockwise"_s, colors::primary()));
    reset_->setText(QCoreApplication::translate("main_window", "Reset"));
    reset_->setToolTip(
        QCoreApplication::translate("main_window", "Reset the permissions to plain defaults"));
    reset_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(reset_, &QToolButton::clicked, this, [this]() { controller_.resetPermissions(); });
    bar->addWidget(reset_);

    // Return resets the item shown; without one it opens the chooser.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this]() {
            if (controller_.info().url) {
                controller_.resetPermissions();
            } else {
                controller_.chooseFile();
            }
        });
    }
}

QAction* MainWindow::action(const QString& text) const {
    for (QAction* candidate : findChildren<QAction*>()) {
        if (candidate->text() == text) {
            return candidate;
        }
    }
    return nullptr;
}

void MainWindow::refreshCommands() {
    const bool shown = controller_.fileDetailsShow();
    // Which item, and where: a copy made by "Reset to..." has the same name.
    const auto& url = controller_.info().url;
    setWindowTitle(url ? controller_.info().name + u" — "_s + itemFolder(*url) : u"Grantwell"_s);
    reveal_->setEnabled(shown);
    reset_->setEnabled(controller_.info().url.has_value());
    for (QAction* command : itemCommands_) {
        command->setEnabled(shown);
    }
    if (openOriginal_) {
        openOriginal_->setEnabled(controller_.info().typeIsResolvable);
    }
}

void MainWindow::showProgressSheet(bool show) {
    if (show && !progress_->isVisible()) {
        progress_->open();
    } else if (!show && progress_->isVisible()) {
        progress_->hide();
    }
}

void MainWindow::showQuickLook() {
    if (quickLook_) {
        quickLook_->close();
    }
    const auto& url = controller_.quickLookURL();
    if (!url) {
        return;
    }
    quickLook_ = new QuickLookWindow(*url, this);
    quickLook_->setAttribute(Qt::WA_DeleteOnClose);
    connect(quickLook_, &QObject::destroyed, this, [this]() {
        if (!quickLook_) {
            controller_.setQuickLookURL(std::nullopt);
        }
    });
    connect(quickLook_, &QDialog::finished, this,
            [this]() { controller_.setQuickLookURL(std::nullopt); });
    quickLook_->show();
}

void MainWindow::fitToContent() {
    // Height by content at the width the content has, as far as the screen
    // allows; no narrower than the content can be.
    auto* scroll = static_cast<QScrollArea*>(centralWidget());
    QWidget* inner = scroll->widget();
    inner->layout()->activate();
    const int minimum = std::clamp(inner->minimumSizeHint().width(), 350, 500);
    setMinimumWidth(minimum);
    const int width = std::clamp(this->width(), minimum, 500);
    const int chromeWidth = this->width() - scroll->viewport()->width();
    const int innerWidth = width - chromeWidth;
    const int content =
        inner->hasHeightForWidth() ? inner->heightForWidth(innerWidth) : inner->sizeHint().height();
    const int chrome = height() - scroll->viewport()->height();
    const int available =
        screen() ? screen()->availableGeometry().height() - frameChrome() : content + chrome;
    resize(width, std::min(content + chrome, available));
}

int MainWindow::frameChrome() const {
    // The window manager's title bar and borders, which the screen must hold too.
    const int frame = frameGeometry().height() - geometry().height();
    return frame > 0 ? frame : 40;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LayoutRequest && watched == backdrop_) {
        fitTimer_.start();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Another width wraps the text anew.
    if (event->oldSize().width() != event->size().width()) {
        fitTimer_.start();
    }
}

void MainWindow::refreshUpdateBadge() {
    content_->setUpdateAvailable(settings_.value(basalt::updateAvailableKey, false).toBool());
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        // Without a monitor (folders, unreadable items) activation stands in.
        if (!controller_.hasFileTracker() && controller_.attributesHaveChanged()) {
            controller_.scheduleRefresh();
        }
        refreshUpdateBadge();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the window ends the application, without the sharing dialog.
    event->accept();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void MainWindow::quitSequence() {
    if (settings_.value(u"shareSheetIgnoreOnClose"_s, false).toBool() || !hooks_.showShareDialog) {
        hooks_.quit();
        return;
    }
    hooks_.showShareDialog(true);
}

}  // namespace gw::ui
