// Checks against a real HTTP server on loopback: the fetch's outcomes, the
// silent check's schedule with a moved clock, and the manual check's answer
// in the browser.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QUrlQuery>

#include "basalt/desktop/desktop_utilities.h"
#include "basalt/update/vexa_lite.h"
#include "platform/system_version.h"
#include "support/local_http_server.h"
#include "support/recording_alerts.h"
#include "support/recording_workspace.h"
#include "update_pages.h"

using basalt::VEXALite;
using basalt::VEXALiteStatus;
using gw::test::LocalHttpServer;
namespace key = basalt::vexa_key;

Q_DECLARE_METATYPE(VEXALiteStatus)

namespace {

class CountingProgress final : public basalt::VEXAProgressPresenter {
  public:
    int shown = 0, hidden = 0;
    void showProgress(VEXALite&) override { ++shown; }
    void hideProgress() override { ++hidden; }
};

QByteArray page(const QString& body) {
    gw::test::PageParts parts;
    parts.body = body;
    return gw::test::signPage(gw::test::pageText(parts));
}

const QString kCompatible = QStringLiteral("minOS=\"1.0\"");

}  // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
    LocalHttpServer server_;
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    QDateTime now_ = QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    gw::test::RecordingWorkspace workspace_;
    gw::test::RecordingAlerts alerts_;
    CountingProgress progress_;

    std::unique_ptr<VEXALite> checker() {
        auto vexa = std::make_unique<VEXALite>(settings_.get());
        vexa->appVersion = 110;
        vexa->OSVersion = 14.5;
        vexa->architecture = u"ass"_qs;
        vexa->timeoutMs = 500;
        return vexa;
    }
    // Runs one fetch and waits for its completion.
    std::unique_ptr<VEXALite> fetch(const QString& address) {
        auto vexa = checker();
        auto done = std::make_shared<int>(0);
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [done]() { ++*done; });
        vexa->resetState();
        vexa->checkURL(address, u"manualUpdateCheck"_qs);
        if (!QTest::qWaitFor([&]() { return *done > 0; }, 5000)) {
            return nullptr;
        }
        QTest::qWait(20);
        return *done == 1 ? std::move(vexa) : nullptr;
    }

  private Q_SLOTS:
    void initTestCase() {
        QFile file(gw::test::keyPath("test-public.pem"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        VEXALite::publicKey = std::get<basalt::UpdateKey>(
            basalt::importKey(QString::fromLatin1(file.readAll()), basalt::KeyClass::publicKey));
        VEXALite::clock = [this]() { return now_; };
        VEXALite::progressPresenter = &progress_;

        const QString ours =
            gw::test::entry(u"g110"_qs, 110, kCompatible, gw::test::archive(u"ub"_qs));
        server_.route(
            u"/page"_qs,
            {200,
             "OK",
             {{"Etag", "\"v7\""}, {"Last-Modified", "Tue, 01 Dec 2026 10:00:00 GMT"}},
             page(gw::test::entry(u"g120"_qs, 120, kCompatible, gw::test::archive(u"ass"_qs)) +
                  ours)});
        server_.route(u"/uptodate"_qs, {200, "OK", {}, page(ours)});
        server_.route(u"/redirect"_qs, {301, "Moved Permanently", {{"Location", "/page"}}, {}});
        server_.route(u"/notmodified"_qs, {304, "Not Modified", {}, {}});
        server_.route(u"/big"_qs, {200, "OK", {}, QByteArray(qsizetype{2} * 1024 * 1024, 'x')});
        server_.route(u"/slow"_qs, {200, "OK", {}, {}, true});
        server_.route(u"/empty"_qs, {200, "OK", {}, {}});
        server_.route(u"/garbage"_qs, {200, "OK", {}, "this is not a page"});
        server_.route(u"/kaboom"_qs, {500, "kaboom happened", {}, "oops"});
        server_.route(u"/loop-a"_qs, {302, "Found", {{"Location", "/loop-b"}}, {}});
        server_.route(u"/loop-b"_qs, {302, "Found", {{"Location", "/loop-a"}}, {}});
        server_.route(u"/to-nowhere"_qs,
                      {301, "Moved Permanently", {{"Location", "http://127.0.0.1:1/page"}}, {}});
        server_.route(u"/short"_qs, {200, "OK", {{"Content-Length", "5000"}}, "<html>"});
        server_.route(u"/trickle"_qs, {200, "OK", {{"Content-Length", "100000"}}, {}, false, true});
        server_.route(
            u"/blank-version"_qs,
            {200,
             "OK",
             {},
             page(QStringLiteral(
                      "<div class=\"VEXAGroup\" id=\"g130\" build=\"130\" date=\"20261201\" "
                      "%1><h2>Version <span><vexagroupversion></vexagroupversion></span></h2>%2"
                      "</div>\n")
                      .arg(kCompatible, gw::test::archive(u"ub"_qs)))});
    }
    void init() {
        settings_ =
            std::make_unique<QSettings>(dir_.filePath(u"prefs.ini"_qs), QSettings::IniFormat);
        settings_->clear();
        workspace_.opened.clear();
        alerts_.clear();
        progress_ = {};
        VEXALite::pageURL = server_.url(u"/page"_qs);
    }

    void fetchOutcomes_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<VEXALiteStatus>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("200") << server_.url(u"/page"_qs) << VEXALiteStatus::updateAvailable
                             << QString();
        QTest::newRow("redirect") << server_.url(u"/redirect"_qs) << VEXALiteStatus::updateAvailable
                                  << QString();
        QTest::newRow("up to date")
            << server_.url(u"/uptodate"_qs) << VEXALiteStatus::upToDate << QString();
        QTest::newRow("404") << server_.url(u"/missing"_qs) << VEXALiteStatus::error
                             << u"Error: Server said 404 not found"_qs;
        QTest::newRow("304") << server_.url(u"/notmodified"_qs) << VEXALiteStatus::error
                             << u"Error: Server said 304 not modified"_qs;
        QTest::newRow("oversized") << server_.url(u"/big"_qs) << VEXALiteStatus::error
                                   << u"Error: The update page is larger than 1048576 bytes"_qs;
        QTest::newRow("slow") << server_.url(u"/slow"_qs) << VEXALiteStatus::error
                              << u"Error: The request timed out."_qs;
        QTest::newRow("no body") << server_.url(u"/empty"_qs) << VEXALiteStatus::error
                                 << u"Response data invalid"_qs;
        QTest::newRow("not a page")
            << server_.url(u"/garbage"_qs) << VEXALiteStatus::error << u"XML: "_qs;
        QTest::newRow("not a URL")
            << u"http://"_qs << VEXALiteStatus::error << u"URL is invalid"_qs;
        QTest::newRow("nobody listening")
            << u"http://127.0.0.1:1/page"_qs << VEXALiteStatus::error << u"Error: "_qs;
        // The status's standard phrase, never the server's own words.
        QTest::newRow("500 with a reason of its own")
            << server_.url(u"/kaboom"_qs) << VEXALiteStatus::error
            << u"Error: Server said 500 internal server error"_qs;
    }

    // The final response decides: what failed on the way is told, not a
    // status seen before it; a trickle ends at the check's deadline.
    void transportErrorsAreNotMasked_data() {
        QTest::addColumn<QString>("path");
        QTest::addRow("redirect loop") << u"/loop-a"_qs;
        QTest::addRow("redirect to nobody") << u"/to-nowhere"_qs;
        QTest::addRow("body shorter than its length") << u"/short"_qs;
        QTest::addRow("a byte now and then") << u"/trickle"_qs;
    }
    void transportErrorsAreNotMasked() {
        QFETCH(QString, path);
        auto vexa = checker();
        vexa->timeoutMs = 2000;
        vexa->deadlineMs = 1500;
        auto done = std::make_shared<int>(0);
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [done]() { ++*done; });
        vexa->checkURL(server_.url(path), u"manualUpdateCheck"_qs);
        QVERIFY(QTest::qWaitFor([&]() { return *done > 0; }, 5000));
        QCOMPARE(vexa->status, VEXALiteStatus::error);
        const QString message = vexa->errorMessage.value_or(QString());
        QVERIFY2(message.startsWith(u"Error: "_qs) && !message.contains(u"Server said"_qs) &&
                     !message.startsWith(u"XML"_qs),
                 qPrintable(message));
        if (path == u"/trickle"_qs) {
            QCOMPARE(message, u"Error: The request timed out."_qs);
        }
    }
    void fetchOutcomes() {
        QFETCH(QString, address);
        QFETCH(VEXALiteStatus, status);
        QFETCH(QString, error);
        auto vexa = fetch(address);
        QVERIFY2(vexa, "exactly one completion");
        QCOMPARE(vexa->status, status);
        QCOMPARE(vexa->errorMessage.value_or(QString()).left(error.size()), error);
        if (status == VEXALiteStatus::updateAvailable && address.endsWith(u"/page"_qs)) {
            QVERIFY2(
                vexa->log.filter(u"Server response: 200; Tue, 01 Dec 2026 10:00:00 GMT; size: "_qs)
                        .size() == 1,
                qPrintable(vexa->log.join(u'\n')));
            QVERIFY(vexa->log.last().contains(u"Etag: \"v7\""_qs) ||
                    vexa->log.join(u'\n').contains(u"Etag: \"v7\""_qs));
        }
    }

    void lateAnswerAfterCancelChangesNothing() {
        auto vexa = checker();
        int completions = 0;
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [&]() { ++completions; });
        vexa->resetState();
        vexa->checkURL(server_.url(u"/slow"_qs), u"manualUpdateCheck"_qs);
        QTest::qWait(100);
        vexa->cancel();
        QTest::qWait(800);
        QCOMPARE(completions, 0);
        QCOMPARE(vexa->status, VEXALiteStatus::busy);
        QVERIFY(vexa->cancelled);
    }

    void silentCheckSchedule() {
        const int before = server_.requests();
        auto first = checker();
        first->performSilentCheck();
        QVERIFY(first->log.contains(u"No VEXANextUpdateCheck set, so we'll create one"_qs));
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addSecs(604800));

        now_ = now_.addDays(3);
        auto early = checker();
        early->performSilentCheck();
        QVERIFY(early->log.filter(u"Still "_qs).size() == 1);
        QCOMPARE(server_.requests(), before);

        now_ = now_.addDays(5);
        auto due = checker();
        int completions = 0;
        QObject::connect(due.get(), &VEXALite::completed, due.get(), [&]() { ++completions; });
        due->performSilentCheck();
        QVERIFY(due->log.contains(
            u"So we've past our check date, let's reset the clock and perform an update check."_qs));
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addSecs(604800));
        QTRY_COMPARE(completions, 1);
        QCOMPARE(server_.requests(), before + 1);
        QCOMPARE(due->status, VEXALiteStatus::updateAvailable);
        QVERIFY(settings_->value(basalt::updateAvailableKey).toBool());
        due->signalCompletion();  // the listener is still connected afterwards
        QTRY_COMPARE(completions, 2);

        // A known update waits without a request; once running it, it's flushed.
        auto pending = checker();
        pending->appVersion = 118;
        pending->performSilentCheck();
        QCOMPARE(pending->status, VEXALiteStatus::updateAvailable);
        QVERIFY(pending->log.contains(u"build:120 available, we're on 118"_qs));
        auto updated = checker();
        updated->appVersion = 120;
        settings_->setValue(key::ignoreVersionInfo, QVariantMap{{u"buildNumber"_qs, 100}});
        updated->performSilentCheck();
        QVERIFY(!settings_->contains(key::currentUpdateInfo));
        QVERIFY(!settings_->contains(key::updateAvailable));
        QVERIFY(!settings_->contains(key::ignoreVersionInfo));
        QCOMPARE(server_.requests(), before + 1);
    }

    void periodsAndSettings() {
        settings_->setValue(key::nextUpdateCheckPeriod, 0.0);
        auto never = checker();
        never->performSilentCheck();
        QVERIFY(never->log.contains(u"VEXANextUpdateCheckPeriod is set to never."_qs));
        QVERIFY(!settings_->contains(key::nextUpdateCheck));

        basalt::setCheckFrequency(*settings_, 1, now_);
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addSecs(1));
        basalt::setCheckFrequency(*settings_, 0, now_);
        QVERIFY(!settings_->contains(key::nextUpdateCheck));

        const QVariantMap details{{u"groupID"_qs, u"g120"_qs},
                                  {u"displayVersion"_qs, u"3.2"_qs},
                                  {u"buildNumber"_qs, 120}};
        settings_->setValue(key::currentUpdateInfo, details);
        settings_->setValue(key::updateAvailable, true);
        basalt::ignoreCurrentUpdate(*settings_);
        QCOMPARE(settings_->value(key::ignoreVersionInfo).toMap(), details);
        QVERIFY(!settings_->contains(key::currentUpdateInfo) &&
                !settings_->contains(key::updateAvailable));
        basalt::undoIgnoreUpdate(*settings_);
        QCOMPARE(settings_->value(key::currentUpdateInfo).toMap(), details);
        QVERIFY(settings_->value(key::updateAvailable).toBool());

        for (const auto& name :
             {key::nextUpdateCheck, key::nextUpdateCheckPeriod, key::remoteFileModDate}) {
            settings_->setValue(name, 1);
        }
        basalt::resetSettings(*settings_);
        for (const auto& name :
             {key::currentUpdateInfo, key::nextUpdateCheck, key::nextUpdateCheckPeriod,
              key::remoteFileModDate, key::ignoreVersionInfo, key::updateAvailable}) {
            QVERIFY(!settings_->contains(name));
        }
    }

    void manualCheckOpensTheUpdatePage_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("withUpdate");
        QTest::newRow("update") << u"/page"_qs << u"2"_qs << true;
        QTest::newRow("up to date") << u"/uptodate"_qs << u"1"_qs << false;
        QTest::newRow("blank display version") << u"/blank-version"_qs << u"2"_qs << true;
    }
    void manualCheckOpensTheUpdatePage() {
        QFETCH(QString, path);
        QFETCH(QString, state);
        QFETCH(bool, withUpdate);
        VEXALite::pageURL = server_.url(path);
        auto vexa = checker();
        int remembered = 0;
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [&]() { ++remembered; });
        vexa->performManualCheck();
        QCOMPARE(progress_.shown, 1);
        QCOMPARE(vexa->cachePolicy, QNetworkRequest::AlwaysNetwork);
        QTRY_COMPARE(workspace_.opened.size(), 1U);
        QCOMPARE(progress_.hidden, 1);
        QCOMPARE(remembered, 1);
        QCOMPARE(vexa->cachePolicy, QNetworkRequest::PreferNetwork);

        const QString opened = workspace_.opened.front().toString(QUrl::FullyEncoded);
        const QString system = QString::fromStdString(gw::platform::kernelVersionNumbers());
        // The values go out percent-encoded; URLs always carry "." plainly,
        // which is the same value to the web server.
        QString expected =
            server_.url(path) + u"?arc=ass&appver=3.0.0&macos="_qs + system + u"&state="_qs + state;
        if (withUpdate) {
            // An empty version is a value: sent empty, the group still there.
            expected += path == u"/blank-version"_qs ? u"&groupid=g130&newver="_qs
                                                     : u"&groupid=g120&newver=3.120"_qs;
        }
        QCOMPARE(opened, expected);
        QVERIFY(alerts_.requests().empty());
    }

    void manualCheckFailureIsAnAlert() {
        VEXALite::pageURL = server_.url(u"/missing"_qs);
        auto vexa = checker();
        vexa->performManualCheck();
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QCOMPARE(alerts_.requests().front().messageText, u"Unable to check for update"_qs);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(
            u"Error: Server said 404 not found\n"_qs));
        QVERIFY(workspace_.opened.empty());

        alerts_.clear();
        VEXALite::pageURL.reset();
        auto unconfigured = checker();
        unconfigured->performManualCheck();
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(u"Invalid URL None\n"_qs));
    }

    void cancelledManualCheckOpensNothing() {
        VEXALite::pageURL = server_.url(u"/slow"_qs);
        auto vexa = checker();
        vexa->performManualCheck();
        vexa->cancel();
        QTest::qWait(800);
        QVERIFY(workspace_.opened.empty());
        QVERIFY(alerts_.requests().empty());
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_update_check.moc"
