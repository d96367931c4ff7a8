// The sharing dialog, the about box, the update windows and settings,
// offscreen. With GRANTWELL_SCREENSHOT_DIR set, each window is also saved
// there as a PNG (how docs/ is made, under Xvfb).
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrlQuery>

#include "app/ui/am_large_about_box.h"
#include "app/ui/settings_window.h"
#include "app/ui/share_dialog.h"
#include "app/ui/theme.h"
#include "app/ui/vexa_progess_view.h"
#include "app/ui/vexa_settings_view.h"
#include "basalt/desktop/desktop_utilities.h"
#include "support/recording_alerts.h"
#include "support/recording_workspace.h"

using namespace Qt::StringLiterals;

using gw::ui::ShareDialog;
namespace key = basalt::vexa_key;

namespace {

void saveScreenshot(QWidget* widget, const char* name) {
    const QByteArray dir = qgetenv("GRANTWELL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        widget->grab().save(QString::fromLocal8Bit(dir) + u'/' + QString::fromLatin1(name) +
                            u".png"_s);
    }
}

QString textQueryValue(const QUrl& url, const QString& name) {
    return QUrl::fromPercentEncoding(
        QUrlQuery(url).queryItemValue(name, QUrl::FullyEncoded).toLatin1());
}

}  // namespace

class SecondaryWindowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    gw::test::RecordingWorkspace workspace_;
    gw::test::RecordingAlerts alerts_;
    QDateTime now_ = QDateTime(QDate(2026, 12, 10), QTime(9, 30), Qt::UTC);

  private Q_SLOTS:
    void initTestCase() {
        QApplication::setApplicationDisplayName(u"Grantwell"_s);
        gw::ui::applyDarkAppearance(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        basalt::VEXALite::clock = [this]() { return now_; };
    }
    void init() {
        settings_ =
            std::make_unique<QSettings>(dir_.filePath(u"settings.ini"_s), QSettings::IniFormat);
        settings_->clear();
        workspace_.opened.clear();
    }

    void shareDialog() {
        ShareDialog dialog(*settings_, true, nullptr);
        dialog.show();
        saveScreenshot(&dialog, "share-dialog");
        QCOMPARE(dialog.closeButton()->text(), u"Quit"_s);
        QCOMPARE(ShareDialog(*settings_, false, nullptr).closeButton()->text(), u"Close"_s);

        QApplication::clipboard()->setText(u"something else"_s);
        dialog.shareButton(u"Copy Message"_s)->click();
        QCOMPARE(QApplication::clipboard()->text(), ShareDialog::shareMessage());
        // It speaks of Linux, not of a Mac.
        QVERIFY(ShareDialog::shareMessage().endsWith(u"\n\n#Linux #indiedev"_s));
        QVERIFY(!ShareDialog::shareMessage().contains(u"Mac"_s));

        for (const QString& destination : {u"X"_s, u"Threads"_s}) {
            const QUrl url = ShareDialog::shareUrl(destination);
            QCOMPARE(textQueryValue(url, u"text"_s), ShareDialog::shareMessage());
            const QString encoded = url.toString(QUrl::FullyEncoded);
            QVERIFY(encoded.contains(u"%0A%0A%23Linux"_s));
            QVERIFY(!encoded.contains(u"#"_s));
        }
        dialog.shareButton(u"Share on X"_s)->click();
        QCOMPARE(workspace_.opened.size(), 1U);
        QCOMPARE(workspace_.opened.front().path(), u"/intent/tweet"_s);
        QCOMPARE(textQueryValue(workspace_.opened.front(), u"text"_s), ShareDialog::shareMessage());
        const QUrl facebook = ShareDialog::shareUrl(u"Facebook"_s);
        QCOMPARE(facebook.path(), u"/sharer/sharer.php"_s);
        QCOMPARE(textQueryValue(facebook, u"display"_s), u"page"_s);
        QCOMPARE(textQueryValue(facebook, u"u"_s), ShareDialog::productPage());

        dialog.shareButton(u"Share via E-mail"_s)->click();
        QCOMPARE(workspace_.opened.back().scheme(), u"mailto"_s);

        dialog.dontShowOnQuit()->click();
        QCOMPARE(settings_->value(u"shareSheetIgnoreOnClose"_s).toBool(), true);
        QVERIFY(dialog.isVisible());  // sharing doesn't close it; its button does
        dialog.closeButton()->click();
        QVERIFY(!dialog.isVisible());
    }

    void aboutBoxIsOneWindowAndEscapeClosesIt() {
        auto* first = gw::ui::AMLargeAboutBox::showShared(nullptr);
        auto* second = gw::ui::AMLargeAboutBox::showShared(nullptr);
        QCOMPARE(first, second);
        int shown = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            shown += qobject_cast<gw::ui::AMLargeAboutBox*>(widget) && widget->isVisible() ? 1 : 0;
        }
        QCOMPARE(shown, 1);
        auto* credits = first->findChild<QTextBrowser*>(u"credits"_s);
        QVERIFY(credits->toPlainText().contains(u"Built with"_s));
        QVERIFY(first->findChild<QLabel*>() != nullptr);
        saveScreenshot(first, "about-box");
        QVERIFY(QTest::qWaitForWindowActive(first));
        QTest::keyClick(first, Qt::Key_Escape);
        QTRY_VERIFY(!first->isVisible());
    }

    void settingsWindowClosesOnEscape() {
        gw::ui::SettingsWindow window;
        auto* view = new gw::ui::VEXASettingsView(*settings_);
        window.addTab(view, u"Updates"_s);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(view->frequency(), Qt::Key_Escape);
        QTRY_VERIFY(!window.isVisible());
    }

    void frequencyPickerSchedules() {
        gw::ui::VEXASettingsView view(*settings_);
        view.show();
        Q_EMIT view.frequency()->activated(3);  // Daily
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addDays(1));
        QVERIFY(view.nextCheck()->text() != u"Not scheduled"_s);
        Q_EMIT view.frequency()->activated(0);  // Never
        QVERIFY(!settings_->contains(key::nextUpdateCheck));
        QCOMPARE(view.nextCheck()->text(), u"Not scheduled"_s);
        QCOMPARE(settings_->value(key::nextUpdateCheckPeriod).toDouble(), 0.0);
    }

    void ignoreAndCancelSwitchTheUpdateRow() {
        settings_->setValue(key::currentUpdateInfo, QVariantMap{{u"groupID"_s, u"g120"_s},
                                                                {u"displayVersion"_s, u"3.2"_s},
                                                                {u"buildNumber"_s, 120}});
        settings_->setValue(key::updateAvailable, true);
        settings_->setValue(key::nextUpdateCheck, now_.addDays(7));
        settings_->setValue(key::showMoreOptions, true);
        gw::ui::VEXASettingsView view(*settings_);
        view.resize(450, 420);
        view.show();
        view.logList()->addItems(
            {u"--- performSilentCheck()"_s, u"Still 604800.000 seconds to go"_s});
        saveScreenshot(&view, "update-settings");
        QCOMPARE(view.availableUpdate()->text(), u"Version 3.2"_s);
        QCOMPARE(view.ignoreButton()->text(), u" Ignore "_s);
        view.ignoreButton()->click();
        QCOMPARE(view.availableUpdate()->text(), u"Ignoring version 3.2"_s);
        QCOMPARE(view.ignoreButton()->text(), u" Cancel "_s);
        QVERIFY(!settings_->contains(key::updateAvailable));
        view.ignoreButton()->click();
        QCOMPARE(view.availableUpdate()->text(), u"Version 3.2"_s);
        QCOMPARE(view.ignoreButton()->text(), u" Ignore "_s);
        QVERIFY(!settings_->contains(key::ignoreVersionInfo));

        view.resetButton()->click();
        QCOMPARE(view.nextCheck()->text(), u"Not scheduled"_s);
        QCOMPARE(view.availableUpdate()->text(), u"None"_s);
        QVERIFY(!settings_->contains(key::nextUpdateCheck));
    }

    void progressWindowCancelsOnEscape() {
        gw::ui::VEXAProgessView progress;
        basalt::VEXALite vexa(settings_.get());
        progress.showProgress(vexa);
        QVERIFY(progress.isVisible());
        QCOMPARE(progress.windowTitle(), u"Grantwell Updates"_s);
        saveScreenshot(&progress, "update-progress");
        QVERIFY(QTest::qWaitForWindowActive(&progress));
        QTest::keyClick(&progress, Qt::Key_Escape);
        QVERIFY(vexa.cancelled);
        QTRY_VERIFY(!progress.isVisible());
    }
};

QTEST_MAIN(SecondaryWindowsTest)
#include "tst_secondary_windows.moc"
