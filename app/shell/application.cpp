#include "app/shell/application.h"

#include <cstdio>
#include <iostream>
#include <ostream>
#include <variant>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>

#include "app/controller/reset_controller.h"
#include "app/shell/helper_location.h"
#include "app/shell/update_key.h"
#include "app/ui/am_large_about_box.h"
#include "app/ui/app_icon.h"
#include "app/ui/content_view_gw2.h"
#include "app/ui/main_window.h"
#include "app/ui/settings_window.h"
#include "app/ui/share_dialog.h"
#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "app/ui/vexa_progess_view.h"
#include "app/ui/vexa_settings_view.h"
#include "app/ui/web_addresses.h"
#include "app/ui/widget_alert_presenter.h"
#include "app/ui/widget_file_panels.h"
#include "basalt/bundle_info.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/desktop/feedback.h"
#include "basalt/desktop/recent_items.h"
#include "basalt/diagnostics.h"
#include "basalt/update/vexa_lite.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/desktop/recent_documents.h"
#include "platform/desktop/workspace.h"
#include "platform/item_changes.h"

using namespace Qt::StringLiterals;

namespace gw::shell {

namespace {

// Everything the running application owns, created in start-up order.
class Grantwell : public QObject {
  public:
    Grantwell(const StartOptions& options, QDateTime launchDate);
    ~Grantwell() override;
    void start();

  private:
    void configureUpdateChecker();
    void runUpdateCheck(bool manual);
    void showSettings();
    void showShareDialog(bool quitAfterwards);
    basalt::VEXALite* makeChecker();

    platform::LinuxInspectionPlatform inspection_;
    platform::LinuxItemChanges changes_;
    platform::LinuxAccessFacts access_;
    platform::LinuxWorkspace workspace_;
    ui::WidgetAlertPresenter alerts_;
    ui::WidgetFilePanels panels_;
    QSettings settings_;
    platform::XbelRecentDocuments recentDocuments_;
    basalt::AMRecentItemController recentItems_;
    controller::ResetController controller_;
    std::unique_ptr<ui::MainWindow> window_;
    std::unique_ptr<ui::VEXAProgessView> progressWindow_;
    QPointer<ui::SettingsWindow> settingsWindow_;
    StartOptions options_;
    QDateTime launchDate_;
};

controller::ControllerServices servicesFor(platform::InspectionPlatform& inspection,
                                           platform::ItemChanges& changes,
                                           platform::FilePanels& panels, QSettings& settings,
                                           platform::AccessFacts& access) {
    return controller::ControllerServices{
        .inspection = inspection,
        .changes = changes,
        .panels = panels,
        .settings = settings,
        .applicationIcon = ui::applicationIcon(),
        .applicationName = QGuiApplication::applicationDisplayName(),
        .helperPath = helperLocation(),
        .copyProgram = "cp",
        .loginName = inspection.loginName(),
        .iconForName = &ui::fileIcon,
        .access = &access};
}

Grantwell::Grantwell(const StartOptions& options, QDateTime launchDate)
    : recentDocuments_(
          platform::XbelRecentDocuments::defaultFilePath(),
          {u"Grantwell"_s, QCoreApplication::translate("application", "grantwell %f")}),
      recentItems_(recentDocuments_, inspection_),
      controller_(servicesFor(inspection_, changes_, panels_, settings_, access_)),
      options_(options),
      launchDate_(std::move(launchDate)) {
    basalt::setAlertPresenter(&alerts_);
    basalt::setWorkspace(&workspace_);
}

Grantwell::~Grantwell() {
    // Nothing that outlives the application may point into it.
    basalt::VEXALite::progressPresenter = nullptr;
    basalt::setAlertPresenter(nullptr);
    basalt::setWorkspace(nullptr);
}

void Grantwell::configureUpdateChecker() {
    basalt::VEXALite::pageURL = ui::web::updatePage;
    progressWindow_ = std::make_unique<ui::VEXAProgessView>();
    basalt::VEXALite::progressPresenter = progressWindow_.get();
    auto key =
        basalt::importKey(QString::fromLatin1(kUpdatePublicKey), basalt::KeyClass::publicKey);
    if (const auto* error = std::get_if<basalt::KeyError>(&key)) {
        basalt::diagnosticAlert(
            QCoreApplication::translate("application", "Couldn't configure update system"),
            error->message, QString(), true);
        return;
    }
    basalt::VEXALite::publicKey = std::get<basalt::UpdateKey>(key);
    if (!options_.quitWhenShown) {
        runUpdateCheck(false);
    }
}

basalt::VEXALite* Grantwell::makeChecker() {
    auto* checker = new basalt::VEXALite(&settings_, this);
    connect(checker, &basalt::VEXALite::completed, this, [this, checker]() {
        if (window_) {
            window_->refreshUpdateBadge();
        }
        checker->deleteLater();
    });
    return checker;
}

void Grantwell::showShareDialog(bool quitAfterwards) {
    auto* dialog = new ui::ShareDialog(settings_, quitAfterwards, window_.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (quitAfterwards) {
        // Whichever way the dialog closes, the quit goes on.
        connect(dialog, &QDialog::finished, this, []() { QCoreApplication::quit(); });
    }
    dialog->open();
}

void Grantwell::runUpdateCheck(bool manual) {
    basalt::VEXALite* checker = makeChecker();
    if (manual) {
        checker->performManualCheck();
    } else {
        checker->performSilentCheck();
    }
}

void Grantwell::showSettings() {
    if (!settingsWindow_) {
        settingsWindow_ = new ui::SettingsWindow(window_.get());
        settingsWindow_->setAttribute(Qt::WA_DeleteOnClose);
        auto* updates = new ui::VEXASettingsView(settings_);
        updates->makeChecker = [this]() { return makeChecker(); };
        settingsWindow_->addTab(updates, QCoreApplication::translate("application", "Updates"));
        settingsWindow_->tabs()->setTabIcon(
            0, ui::symbolIcon(u"arrow.triangle.2.circlepath"_s, ui::colors::primary()));
    }
    settingsWindow_->show();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

void Grantwell::start() {
    configureUpdateChecker();
    ui::MainWindowHooks hooks;
    hooks.checkForUpdates = [this]() { runUpdateCheck(true); };
    hooks.showShareDialog = [this](bool quitAfterwards) { showShareDialog(quitAfterwards); };
    hooks.showAbout = [this]() { ui::AMLargeAboutBox::showShared(window_.get()); };
    hooks.showSettings = [this]() { showSettings(); };
    hooks.sendFeedback = [this]() {
        basalt::sendFeedback(
            QCoreApplication::translate("application", "<appName> Feedback"),
            QCoreApplication::translate("application", "Please enter your message below:\n"),
            launchDate_);
    };
    window_ =
        std::make_unique<ui::MainWindow>(controller_, recentItems_, settings_, std::move(hooks));
    connect(&recentItems_, &basalt::AMRecentItemController::recentItemChosen, this,
            [this](const std::string& path) { controller_.loadFile(path); });
    connect(&controller_, &controller::ResetController::itemLoaded, &recentItems_,
            &basalt::AMRecentItemController::addRecentItem);
    if (!options_.items.empty()) {
        // The desktop hands an item over as the program's argument.
        basalt::diagnostics() << "AppDelegate.application(_:openFile:) path: "
                              << options_.items.front() << '\n';
        controller_.loadFile(options_.items.front());
    }
    window_->show();
}

}  // namespace

int runApplication(int& argc, char** argv, const StartOptions& options) {
    QElapsedTimer clock;
    clock.start();
    // Diagnostic lines reach standard output as they happen, not when a
    // buffer fills: a window that is closed hard still leaves its trail.
    std::cout.setf(std::ios::unitbuf);
    QApplication::setOrganizationName(QString::fromLatin1(basalt::bundle::kOrganization));
    QApplication::setApplicationName(QString::fromLatin1(basalt::bundle::kName));
    QApplication::setApplicationVersion(QString::fromLatin1(basalt::bundle::kShortVersion));
    QApplication::setDesktopFileName(QString::fromLatin1(basalt::bundle::kIdentifier));
    QApplication app(argc, argv);
    const QDateTime launchDate = QDateTime::currentDateTimeUtc();
    // No display name: Qt would append it to every window title, doubling
    // "Grantwell Updates — Grantwell". The application name says it once.
    QApplication::setWindowIcon(ui::applicationIcon());
    // File icons: the desktop's theme first, then the common GNOME one.
    QIcon::setFallbackThemeName(u"Adwaita"_s);
    ui::applyDarkAppearance(app);

    Grantwell grantwell(options, launchDate);
    grantwell.start();
    if (options.quitWhenShown) {
        // Once the window has been drawn, say how long that took and leave.
        QTimer::singleShot(0, &app, [&clock]() {
            QCoreApplication::processEvents();
            std::printf("shown after %lld ms\n", static_cast<long long>(clock.elapsed()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return QApplication::exec();
}

}  // namespace gw::shell
