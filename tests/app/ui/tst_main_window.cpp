// The window offscreen, driven with QTest input, on real files.
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

#include <fstream>

#include "app/controller/reset_controller.h"
#include "app/ui/content_view_gw2.h"
#include "app/ui/file_details_view.h"
#include "app/ui/main_window.h"
#include "app/ui/permissions_view.h"
#include "app/ui/simple_progress_panel.h"
#include "app/ui/status_check_box.h"
#include "app/ui/top_panel.h"
#include "basalt/desktop/recent_items.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/desktop/recent_documents.h"
#include "platform/item_changes.h"
#include "support/controller_fixture.h"
#include "support/recording_alerts.h"
#include "support/scripted_panels.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::controller::controllerProgressState;
using gw::controller::ResetController;
using gw::ui::MainWindow;

namespace {

void drop(QWidget* target, const QList<QUrl>& urls, const QString& text = {}) {
    auto* data = new QMimeData;
    if (!urls.isEmpty()) {
        data->setUrls(urls);
    }
    if (!text.isEmpty()) {
        data->setText(text);
    }
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    delete data;
}

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    gw::test::ControllerFixture fixture_;
    QSettings* settings_ = nullptr;
    gw::test::RecordingAlerts alerts_;
    std::unique_ptr<gw::platform::XbelRecentDocuments> documents_;
    std::unique_ptr<basalt::AMRecentItemController> recent_;
    std::unique_ptr<ResetController> controller_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<gw::test::Sandbox> sandbox_;
    int quits_ = 0;
    std::vector<bool> shareRequests_;

    gw::ui::ContentViewGW2* content() const { return window_->content(); }

  private Q_SLOTS:
    void init() {
        fixture_.freshSettings();
        settings_ = &fixture_.settings();
        sandbox_ = std::make_unique<gw::test::Sandbox>();
        documents_ = std::make_unique<gw::platform::XbelRecentDocuments>(
            dir_.filePath(u"recently-used.xbel"_s),
            gw::platform::XbelRecentDocuments::Application{u"Grantwell"_s, u"grantwell %f"_s});
        recent_ =
            std::make_unique<basalt::AMRecentItemController>(*documents_, fixture_.inspection);
        // A helper that takes a moment, so the sheet can be seen working.
        const std::string helper = dir_.filePath(u"slow-helper"_s).toStdString();
        std::ofstream(helper) << "#!/bin/sh\nsleep 0.4\nexit 0\n";
        ::chmod(helper.c_str(), 0755);
        controller_ = std::make_unique<ResetController>(fixture_.services(helper));
        quits_ = 0;
        shareRequests_.clear();
        gw::ui::MainWindowHooks hooks;
        hooks.quit = [this]() { ++quits_; };
        hooks.showShareDialog = [this](bool quitAfterwards) {
            shareRequests_.push_back(quitAfterwards);
        };
        window_ =
            std::make_unique<MainWindow>(*controller_, *recent_, *settings_, std::move(hooks));
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void cleanup() {
        window_.reset();
        controller_.reset();
    }

    void emptyWindow() {
        QCOMPARE(window_->windowTitle(), u"Grantwell"_s);
        QCOMPARE(content()->topPanel()->findChild<QLabel*>(u"mainString"_s)->text(),
                 u"Grantwell 3"_s);
        QVERIFY(content()->topPanel()->chooseButton()->isVisible());
        QVERIFY(!content()->details()->isVisible());
        QVERIFY(!window_->resetButton()->isEnabled());
        QVERIFY(!window_->revealButton()->isEnabled());
        QVERIFY(!content()->makeContextMenu(window_.get()));
        QVERIFY(window_->width() >= 350 && window_->width() <= 500);
    }

    void droppingShowsTheFirstItem() {
        const std::string first = sandbox_->file("first.txt", "x", 0644);
        const std::string second = sandbox_->file("second.txt", "x", 0644);
        drop(content(), {QUrl(u"https://example.com/page"_s)}, u"just text"_s);
        QTest::qWait(20);
        QVERIFY(!controller_->info().url);
        drop(content(), {fileUrl(first), fileUrl(second)});
        QTRY_COMPARE(controller_->info().url, std::optional<std::string>(first));
        QTRY_VERIFY(content()->details()->isVisible());
        QVERIFY(!content()->topPanel()->chooseButton()->isVisible());
        QVERIFY(window_->resetButton()->isEnabled());
        QCOMPARE(content()->details()->verdictText()->text(), u"You can open & save changes"_s);
        QVERIFY(!content()->dropHappening());

        std::unique_ptr<QMenu> menu(content()->makeContextMenu(window_.get()));
        QVERIFY(menu);
        QStringList labels;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                labels << action->text();
            }
        }
        QCOMPARE(labels, (QStringList{u"Show In File Manager"_s, u"Quick Look"_s,
                                      u"Open Original"_s, u"Refresh"_s, u"Remove file"_s}));
        QVERIFY(!menu->actions()[4]->isEnabled());  // Open Original, for a plain file
        QVERIFY(!window_->action(u"Open Original"_s)->isEnabled());

        drop(content(), {fileUrl(sandbox_->link("link", first))});
        QTRY_VERIFY(controller_->info().typeIsSymbolicLink);
        menu.reset(content()->makeContextMenu(window_.get()));
        QVERIFY(menu->actions()[4]->isEnabled());
        QVERIFY(window_->action(u"Open Original"_s)->isEnabled());
    }

    void deleteReturnsToTheEmptyWindow() {
        controller_->loadFile(sandbox_->file("gone.txt"));
        QTRY_VERIFY(content()->details()->isVisible());
        QTest::keyClick(window_.get(), Qt::Key_Delete);
        QVERIFY(!controller_->info().url);
        QTRY_VERIFY(!content()->details()->isVisible());
        QVERIFY(content()->topPanel()->chooseButton()->isVisible());
    }

    void clickingACellTogglesItsBit() {
        const std::string path = sandbox_->file("grid.txt", "x", 0640);
        controller_->loadFile(path);
        QTRY_VERIFY(content()->details()->isVisible());
        gw::ui::StatusCheckBox* groupWrite = content()->details()->permissions()->cell(1, 1);
        QCOMPARE(groupWrite->symbol(), u"lock.circle.fill"_s);
        QTest::mouseClick(groupWrite, Qt::LeftButton);
        QCOMPARE(gw::test::modeOf(path), 0660U);
        QTRY_COMPARE(groupWrite->symbol(), u"checkmark.circle.fill"_s);
    }

    void resetSwitchesWriteTheirKeys() {
        controller_->loadFile(sandbox_->folder("with acl"));
        QTRY_VERIFY(content()->details()->isVisible());
        QCheckBox* acl = content()->details()->aclSwitch();
        QCheckBox* attributes = content()->details()->attributesSwitch();
        QVERIFY(acl->isChecked() && attributes->isChecked());
        acl->click();
        QCOMPARE(settings_->value(u"ResetController.resetACLs"_s).toBool(), false);
        attributes->click();
        QCOMPARE(settings_->value(u"ResetController.resetAttributes"_s).toBool(), false);
        QVERIFY(!controller_->resetACLs());
    }

    void progressButtonReadsCancelOnlyWhileWorking() {
        controller_->loadFile(sandbox_->file("reset me"));
        QTRY_VERIFY(window_->resetButton()->isEnabled());
        window_->resetButton()->click();
        QTRY_VERIFY(window_->progressPanel()->isVisible());
        QCOMPARE(controller_->progressState(), controllerProgressState::working);
        QCOMPARE(window_->progressPanel()->button()->text(), u"Cancel"_s);
        QTRY_COMPARE_WITH_TIMEOUT(window_->progressPanel()->button()->text(), u"Done"_s, 5000);
        QCOMPARE(controller_->progressState(), controllerProgressState::complete);
        window_->progressPanel()->button()->click();
        QVERIFY(!controller_->progressShow());
        QTRY_VERIFY(!window_->progressPanel()->isVisible());
    }

    void quitGoesThroughTheSharingDialogUnlessTurnedOff() {
        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(shareRequests_, std::vector<bool>{true});
        QCOMPARE(quits_, 0);
        settings_->setValue(u"shareSheetIgnoreOnClose"_s, true);
        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quits_, 1);
        QCOMPARE(shareRequests_.size(), 1U);
    }

    void resetShortcutNeedsAnItem() {
        QTest::keyClick(window_.get(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(!controller_->progressShow());
        controller_->loadFile(sandbox_->file("shortcut"));
        QTRY_VERIFY(window_->action(u"Reset"_s)->isEnabled());
        QTest::keyClick(window_.get(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(controller_->progressShow());
        QTRY_COMPARE_WITH_TIMEOUT(controller_->progressState(), controllerProgressState::complete,
                                  5000);
    }

    void updateBadgeFollowsTheSetting() {
        QVERIFY(!content()->updateButton()->isVisible());
        settings_->setValue(u"VEXAUpdateAvailable"_s, true);
        window_->refreshUpdateBadge();
        QVERIFY(content()->updateButton()->isVisible());
        QCOMPARE(content()->updateButton()->text(), u" Update Available "_s);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
