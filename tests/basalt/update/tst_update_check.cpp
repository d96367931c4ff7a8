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

using namespace Qt::StringLiterals;

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

const QString kCompatible = u"minOS=\"1.0\""_s;

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
        vexa->architecture = u"ass"_s;
        vexa->timeoutMs = 500;
        return vexa;
    }
    // Runs one fetch and waits for its completion.
    std::unique_ptr<VEXALite> fetch(const QString& address) {
        auto vexa = checker();
        auto done = std::make_shared<int>(0);
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [done]() { ++*done; });
        vexa->resetState();
        vexa->checkURL(address, u"manualUpdateCheck"_s);
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
            gw::test::entry(u"g110"_s, 110, kCompatible, gw::test::archive(u"ub"_s));
        server_.route(
            u"/page"_s,
            {200,
             "OK",
             {{"Etag", "\"v7\""}, {"Last-Modified", "Tue, 01 Dec 2026 10:00:00 GMT"}},
             page(gw::test::entry(u"g120"_s, 120, kCompatible, gw::test::archive(u"ass"_s)) +
                  ours)});
        server_.route(u"/uptodate"_s, {200, "OK", {}, page(ours)});
        server_.route(u"/redirect"_s, {301, "Moved Permanently", {{"Location", "/page"}}, {}});
        server_.route(u"/notmodified"_s, {304, "Not Modified", {}, {}});
        server_.route(u"/big"_s, {200, "OK", {}, QByteArray(qsizetype{2} * 1024 * 1024, 'x')});
        server_.route(u"/slow"_s, {200, "OK", {}, {}, true});
        server_.route(u"/empty"_s, {200, "OK", {}, {}});
        server_.route(u"/garbage"_s, {200, "OK", {}, "this is not a page"});
        server_.route(u"/kaboom"_s, {500, "kaboom happened", {}, "oops"});
        server_.route(u"/loop-a"_s, {302, "Found", {{"Location", "/loop-b"}}, {}});
        server_.route(u"/loop-b"_s, {302, "Found", {{"Location", "/loop-a"}}, {}});
        server_.route(u"/to-nowhere"_s,
                      {301, "Moved Permanently", {{"Location", "http://127.0.0.1:1/page"}}, {}});
        server_.route(u"/short"_s, {200, "OK", {{"Content-Length", "5000"}}, "<html>"});
        server_.route(u"/trickle"_s, {200, "OK", {{"Content-Length", "100000"}}, {}, false, true});
        server_.route(
            u"/blank-version"_s,
            {200,
             "OK",
             {},
             page(u"<div class=\"VEXAGroup\" id=\"g130\" build=\"130\" date=\"20261201\" "
                  "%1><h2>Version <span><vexagroupversion></vexagroupversion></span></h2>%2"
                  "</div>\n"_s.arg(kCompatible, gw::test::archive(u"ub"_s)))});
    }
    void init() {
        settings_ =
            std::make_unique<QSettings>(dir_.filePath(u"prefs.ini"_s), QSettings::IniFormat);
        settings_->clear();
        workspace_.opened.clear();
        alerts_.clear();
        progress_ = {};
        VEXALite::pageURL = server_.url(u"/page"_s);
    }

    void fetchOutcomes_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<VEXALiteStatus>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("200") << server_.url(u"/page"_s) << VEXALiteStatus::updateAvailable
                             << QString();
        QTest::newRow("redirect") << server_.url(u"/redirect"_s) << VEXALiteStatus::updateAvailable
                                  << QString();
        QTest::newRow("up to date")
            << server_.url(u"/uptodate"_s) << VEXALiteStatus::upToDate << QString();
        QTest::newRow("404") << server_.url(u"/missing"_s) << VEXALiteStatus::error
                             << u"Error: Server said 404 not found"_s;
        QTest::newRow("304") << server_.url(u"/notmodified"_s) << VEXALiteStatus::error
                             << u"Error: Server said 304 not modified"_s;
        QTest::newRow("oversized") << server_.url(u"/big"_s) << VEXALiteStatus::error
                                   << u"Error: The update page is larger than 1048576 bytes"_s;
        QTest::newRow("slow") << server_.url(u"/slow"_s) << VEXALiteStatus::error
                              << u"Error: The request timed out."_s;
        QTest::newRow("no body") << server_.url(u"/empty"_s) << VEXALiteStatus::error
                                 << u"Response data invalid"_s;
        QTest::newRow("not a page")
            << server_.url(u"/garbage"_s) << VEXALiteStatus::error << u"XML: "_s;
        QTest::newRow("not a URL") << u"http://"_s << VEXALiteStatus::error << u"URL is invalid"_s;
        QTest::newRow("nobody listening")
            << u"http://127.0.0.1:1/page"_s << VEXALiteStatus::error << u"Error: "_s;
        // The status's standard phrase, never the server's own words.
        QTest::newRow("500 with a reason of its own")
            << server_.url(u"/kaboom"_s) << VEXALiteStatus::error
            << u"Error: Server said 500 internal server error"_s;
    }

    // The final response decides: what failed on the way is told, not a
    // status seen before it; a trickle ends at the check's deadline.
    void transportErrorsAreNotMasked_data() {
        QTest::addColumn<QString>("path");
        QTest::addRow("redirect loop") << u"/loop-a"_s;
        QTest::addRow("redirect to nobody") << u"/to-nowhere"_s;
        QTest::addRow("body shorter than its length") << u"/short"_s;
        QTest::addRow("a byte now and then") << u"/trickle"_s;
    }
    void transportErrorsAreNotMasked() {
        QFETCH(QString, path);
        auto vexa = checker();
        vexa->timeoutMs = 2000;
        vexa->deadlineMs = 1500;
        auto done = std::make_shared<int>(0);
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [done]() { ++*done; });
        vexa->checkURL(server_.url(path), u"manualUpdateCheck"_s);
        QVERIFY(QTest::qWaitFor([&]() { return *done > 0; }, 5000));
        QCOMPARE(vexa->status, VEXALiteStatus::error);
        const QString message = vexa->errorMessage.value_or(QString());
        QVERIFY2(message.startsWith(u"Error: "_s) && !message.contains(u"Server said"_s) &&
                     !message.startsWith(u"XML"_s),
                 qPrintable(message));
        if (path == u"/trickle"_s) {
            QCOMPARE(message, u"Error: The request timed out."_s);
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
        if (status == VEXALiteStatus::updateAvailable && address.endsWith(u"/page"_s)) {
            QVERIFY2(
                vexa->log.filter(u"Server response: 200; Tue, 01 Dec 2026 10:00:00 GMT; size: "_s)
                        .size() == 1,
                qPrintable(vexa->log.join(u'\n')));
            QVERIFY(vexa->log.last().contains(u"Etag: \"v7\""_s) ||
                    vexa->log.join(u'\n').contains(u"Etag: \"v7\""_s));
        }
    }

    void lateAnswerAfterCancelChangesNothing() {
        auto vexa = checker();
        int completions = 0;
        QObject::connect(vexa.get(), &VEXALite::completed, vexa.get(), [&]() { ++completions; });
        vexa->resetState();
        vexa->checkURL(server_.url(u"/slow"_s), u"manualUpdateCheck"_s);
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
        QVERIFY(first->log.contains(u"No VEXANextUpdateCheck set, so we'll create one"_s));
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addSecs(604800));

        now_ = now_.addDays(3);
        auto early = checker();
        early->performSilentCheck();
        QVERIFY(early->log.filter(u"Still "_s).size() == 1);
        QCOMPARE(server_.requests(), before);

        now_ = now_.addDays(5);
        auto due = checker();
        int completions = 0;
        QObject::connect(due.get(), &VEXALite::completed, due.get(), [&]() { ++completions; });
        due->performSilentCheck();
        QVERIFY(due->log.contains(
            u"So we've past our check date, let's reset the clock and perform an update check."_s));
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
        QVERIFY(pending->log.contains(u"build:120 available, we're on 118"_s));
        auto updated = checker();
        updated->appVersion = 120;
        settings_->setValue(key::ignoreVersionInfo, QVariantMap{{u"buildNumber"_s, 100}});
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
        QVERIFY(never->log.contains(u"VEXANextUpdateCheckPeriod is set to never."_s));
        QVERIFY(!settings_->contains(key::nextUpdateCheck));

        basalt::setCheckFrequency(*settings_, 1, now_);
        QCOMPARE(settings_->value(key::nextUpdateCheck).toDateTime(), now_.addSecs(1));
        basalt::setCheckFrequency(*settings_, 0, now_);
        QVERIFY(!settings_->contains(key::nextUpdateCheck));

        const QVariantMap details{
            {u"groupID"_s, u"g120"_s}, {u"displayVersion"_s, u"3.2"_s}, {u"buildNumber"_s, 120}};
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
        QTest::newRow("update") << u"/page"_s << u"2"_s << true;
        QTest::newRow("up to date") << u"/uptodate"_s << u"1"_s << false;
        QTest::newRow("blank display version") << u"/blank-version"_s << u"2"_s << true;
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
            server_.url(path) + u"?arc=ass&appver=3.0.0&macos="_s + system + u"&state="_s + state;
        if (withUpdate) {
            // An empty version is a value: sent empty, the group still there.
            expected += path == u"/blank-version"_s ? u"&groupid=g130&newver="_s
                                                    : u"&groupid=g120&newver=3.120"_s;
        }
        QCOMPARE(opened, expected);
        QVERIFY(alerts_.requests().empty());
    }

    void manualCheckFailureIsAnAlert() {
        VEXALite::pageURL = server_.url(u"/missing"_s);
        auto vexa = checker();
        vexa->performManualCheck();
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QCOMPARE(alerts_.requests().front().messageText, u"Unable to check for update"_s);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(
            u"Error: Server said 404 not found\n"_s));
        QVERIFY(workspace_.opened.empty());

        alerts_.clear();
        VEXALite::pageURL.reset();
        auto unconfigured = checker();
        unconfigured->performManualCheck();
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(u"Invalid URL None\n"_s));
    }

    void cancelledManualCheckOpensNothing() {
        VEXALite::pageURL = server_.url(u"/slow"_s);
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
