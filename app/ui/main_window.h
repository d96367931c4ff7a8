#pragma once

#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "app/ui/quick_look_window.h"

class QAction;
class QSettings;
class QToolButton;

namespace basalt {
class AMRecentItemController;
}
namespace gw::controller {
class ResetController;
class OwnerChangeSheet;
}  // namespace gw::controller

namespace gw::ui {

class ContentViewGW2;
class SimpleProgressPanel;
class OwnerSheetDialog;

// What the window asks of the application around it.
struct MainWindowHooks {
    std::function<void()> checkForUpdates;  // a manual update check
    std::function<void(bool quitAfterwards)> showShareDialog;
    std::function<void()> showAbout;
    std::function<void()> showSettings;
    std::function<void()> sendFeedback;
    std::function<void()> quit = [] { QCoreApplication::quit(); };
};

// The one window: toolbar, menus, the content, and its sheets.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(controller::ResetController& controller, basalt::AMRecentItemController& recentItems,
               QSettings& settings, MainWindowHooks hooks);
    ~MainWindow() override;

    ContentViewGW2* content() const { return content_; }
    SimpleProgressPanel* progressPanel() const { return progress_; }
    OwnerSheetDialog* ownerSheetDialog() const { return ownerDialog_; }
    QuickLookWindow* quickLook() const { return quickLook_; }
    controller::OwnerChangeSheet& ownerSheet() const { return *ownerSheet_; }
    QAction* action(const QString& text) const;
    QToolButton* revealButton() const { return reveal_; }
    QToolButton* resetButton() const { return reset_; }

    // The quit command: at once, or through the sharing dialog.
    void quitSequence();
    void refreshUpdateBadge();

  protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildToolbar();
    void buildMenus();
    void refreshCommands();
    void showProgressSheet(bool show);
    void showQuickLook();
    void fitToContent();
    int frameChrome() const;

    controller::ResetController& controller_;
    basalt::AMRecentItemController& recentItems_;
    QSettings& settings_;
    MainWindowHooks hooks_;
    std::unique_ptr<controller::OwnerChangeSheet> ownerSheet_;
    ContentViewGW2* content_;
    SimpleProgressPanel* progress_;
    OwnerSheetDialog* ownerDialog_;
    QPointer<QuickLookWindow> quickLook_;
    QToolButton* reveal_ = nullptr;
    QToolButton* reset_ = nullptr;
    QList<QAction*> itemCommands_;  // need an item shown
    QAction* openOriginal_ = nullptr;
    QWidget* backdrop_ = nullptr;  // the scrolled content's own widget
    QTimer fitTimer_;
};

}  // namespace gw::ui
