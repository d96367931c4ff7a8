// The desktop utilities: diagnostic alerts, the file manager, links, mail.
#include <sstream>

#include <QTest>
#include <QUrlQuery>

#include "basalt/bundle_info.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/desktop_utilities.h"
#include "basalt/diagnostics.h"
#include "support/recording_alerts.h"
#include "support/recording_workspace.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

class DesktopUtilitiesTest : public QObject {
    Q_OBJECT
    gw::test::RecordingAlerts alerts_;
    gw::test::RecordingWorkspace workspace_;
    std::ostringstream log_;

  private Q_SLOTS:
    void initTestCase() { basalt::setDiagnosticsStream(log_); }
    void init() {
        alerts_.clear();
        workspace_.opened.clear();
        workspace_.shown.clear();
        log_.str({});
    }

    void diagnosticAlertCarriesTheVersions() {
        basalt::diagnosticAlert(u"Title"_s, u"Message"_s, u"Detail"_s, true);
        QVERIFY(alerts_.requests().empty());  // shown later, on the main thread
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        const auto& alert = alerts_.requests().front();
        QCOMPARE(alert.messageText, u"Title"_s);
        const QString expectedStart = u"Message\nDetail\n\nVersion: "_s +
                                      QString::fromUtf8(basalt::bundle::kShortVersion) + u" ("_s +
                                      QString::fromUtf8(basalt::bundle::kBuildNumber) + u")\n"_s;
        QVERIFY2(alert.informativeText.startsWith(expectedStart),
                 qPrintable(alert.informativeText));
        QVERIFY(alert.informativeText.endsWith(basalt::systemVersionText()));
        QVERIFY(basalt::systemVersionText().contains(u"kernel "_s));
        QVERIFY(alert.beep);
        QVERIFY(alert.sheetParent.isNull());
    }

    void revealingAnItem() {
        gw::test::Sandbox sandbox;
        const std::string path = sandbox.file("shown file");
        basalt::revealInFinder(path);
        QCOMPARE(workspace_.shown, std::vector<std::string>{path});

        basalt::revealInFinder(sandbox.path("deleted"));
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QCOMPARE(alerts_.requests().front().messageText,
                 u"Unable to Show the file in the file manager"_s);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(
            u"No such file or directory\n"_s));
        QCOMPARE(workspace_.shown.size(), 1U);
    }

    void showingALink_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opened");
        QTest::newRow("web page") << u"https://example.com/a?b=c"_s << true;
        QTest::newRow("mail") << u"mailto:someone@example.com"_s << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("no scheme") << u"just words"_s << false;
        QTest::newRow("broken") << u"http://exa mple.com/%zz"_s << false;
    }
    void showingALink() {
        QFETCH(QString, text);
        QFETCH(bool, opened);
        basalt::URLShow(text);
        QCOMPARE(workspace_.opened.size(), opened ? 1U : 0U);
        if (!opened) {
            QCOMPARE(QString::fromStdString(log_.str()),
                     u"URLShow(_:) failed to convert string to URL \""_s + text + u"\"\n"_s);
        }
    }

    // Every character of subject and body survives the mail program's
    // decoding of the address.
    void composingAnEmail() {
        const QString subject = u"Grantwell 3 & more + less = #1?"_s;
        const QString body = u"Line one\nLine two: 100% ünïcode & a+b=c #tag"_s;
        basalt::composeEmail(u"support@example.com"_s, subject, body);
        QCOMPARE(workspace_.opened.size(), 1U);
        const QUrl url = workspace_.opened.front();
        QCOMPARE(url.scheme(), u"mailto"_s);
        QCOMPARE(url.path(), u"support@example.com"_s);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().first().first, u"subject"_s);
        QCOMPARE(QUrl::fromPercentEncoding(
                     query.queryItemValue(u"subject"_s, QUrl::FullyEncoded).toLatin1()),
                 subject);
        QCOMPARE(QUrl::fromPercentEncoding(
                     query.queryItemValue(u"body"_s, QUrl::FullyEncoded).toLatin1()),
                 body);
        QVERIFY(alerts_.requests().empty());
    }
};

QTEST_MAIN(DesktopUtilitiesTest)
#include "tst_desktop_utilities.moc"
