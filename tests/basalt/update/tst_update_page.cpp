// Reading the signed update page and choosing the update, over pages signed
// with the publisher's tool.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "basalt/update/vexa_lite.h"
#include "support/process_runner.h"
#include "update_pages.h"

using namespace Qt::StringLiterals;

using basalt::VEXALite;
using basalt::VEXALiteStatus;
using gw::test::archive;
using gw::test::entry;
using gw::test::PageParts;

Q_DECLARE_METATYPE(VEXALiteStatus)

namespace {

basalt::UpdateKey loadKey(const char* name) {
    QFile file(gw::test::keyPath(name));
    file.open(QIODevice::ReadOnly);
    auto key = basalt::importKey(QString::fromLatin1(file.readAll()), basalt::KeyClass::publicKey);
    return std::holds_alternative<basalt::UpdateKey>(key) ? std::get<basalt::UpdateKey>(key)
                                                          : basalt::UpdateKey();
}

const QString kStandardBody = entry(u"g120"_s, 120, u"minOS=\"11.0\""_s, archive(u"ass"_s)) +
                              entry(u"g110"_s, 110, u"minOS=\"11.0\""_s, archive(u"ub"_s));

QByteArray signedPage(const PageParts& parts) {
    return gw::test::signPage(gw::test::pageText(parts));
}

}  // namespace

class UpdatePageTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;

    std::unique_ptr<VEXALite> checker() {
        auto vexa = std::make_unique<VEXALite>(settings_.get());
        vexa->appVersion = 110;
        vexa->OSVersion = 14.5;
        vexa->architecture = u"ass"_s;
        vexa->resetState();
        return vexa;
    }

  private Q_SLOTS:
    void initTestCase() {
        VEXALite::publicKey = loadKey("test-public.pem");
        QVERIFY(VEXALite::publicKey);
    }
    void init() {
        settings_ =
            std::make_unique<QSettings>(dir_.filePath(u"prefs.ini"_s), QSettings::IniFormat);
        settings_->clear();
        VEXALite::publicKey = loadKey("test-public.pem");
    }

    void headAndSignature_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<VEXALiteStatus>("status");
        QTest::addColumn<QString>("error");

        PageParts good;
        good.body = kStandardBody;
        const QByteArray valid = signedPage(good);
        QTest::newRow("valid") << valid << VEXALiteStatus::updateAvailable << QString();

        QByteArray tampered = valid;
        tampered.replace("g120", "g121");
        QTest::newRow("tampered byte")
            << tampered << VEXALiteStatus::error << u"Failed to validate SecKeyVerifySignature"_s;

        PageParts twice = good;
        twice.extraHead = u"<!-- VEXASignaturePlaceHolder -->\n"_s;
        QTest::newRow("signature text twice")
            << signedPage(twice) << VEXALiteStatus::updateAvailable << QString();

        QByteArray extraSignature = valid;
        extraSignature.replace("</head>", "<meta name=\"VEXASignature\" content=\"QUJD\"/></head>");
        QTest::newRow("second signature meta") << extraSignature << VEXALiteStatus::error
                                               << u"Failed to validate SecKeyVerifySignature"_s;

        QByteArray broken = valid;
        const qsizetype at = broken.indexOf("name=\"VEXASignature\" content=\"") + 40;
        broken.insert(at, "&#10;");
        QTest::newRow("line break in signature")
            << broken << VEXALiteStatus::error
            << u"Failed to validate Failed to decode signature"_s;

        PageParts unsigned_ = good;
        unsigned_.withSignature = false;
        QTest::newRow("no signature")
            << gw::test::pageText(unsigned_) << VEXALiteStatus::error << u"Signature not found"_s;

        QTest::newRow("wrong key")
            << gw::test::signPage(gw::test::pageText(good), "other") << VEXALiteStatus::error
            << u"Failed to validate SecKeyVerifySignature"_s;

        PageParts format = good;
        format.format = u"11"_s;
        QTest::newRow("format 11")
            << signedPage(format) << VEXALiteStatus::formatInvalid
            << u"The format of the update file is too new, probably means a newer version."_s;
        format.format = u"9"_s;
        QTest::newRow("format 9") << signedPage(format) << VEXALiteStatus::error
                                  << u"The format of the update file is too old"_s;
        format.format = u"10 "_s;
        QTest::newRow("format with space")
            << signedPage(format) << VEXALiteStatus::error << u"VEXAFormat is invalid."_s;
        format.format = u"ten"_s;
        QTest::newRow("format not a number")
            << signedPage(format) << VEXALiteStatus::error << u"VEXAFormat is invalid."_s;

        QByteArray noFormat = valid;
        noFormat.replace("name=\"VEXAFormat\"", "name=\"Other\"");
        QTest::newRow("no format")
            << noFormat << VEXALiteStatus::error << u"VEXAFormat is missing"_s;

        PageParts product = good;
        product.withProduct = false;
        QTest::newRow("no product") << signedPage(product) << VEXALiteStatus::error
                                    << u"VEXAProductIdentifier != \"com.ambrel.Grantwell\""_s;
        product.withProduct = true;
        product.product = u"com.ambrel.grantwell"_s;
        QTest::newRow("product differs in case")
            << signedPage(product) << VEXALiteStatus::error
            << u"VEXAProductIdentifier != \"com.ambrel.Grantwell\""_s;
        product.product = u"com.ambrel.Grantwell"_s;
        product.extraHead = u"<meta name=\"VEXAProductIdentifier\"/>\n"_s;
        QTest::newRow("product without content") << signedPage(product) << VEXALiteStatus::error
                                                 << u"VEXAProductIdentifier is invalid"_s;

        PageParts laughs = good;
        laughs.prolog =
            u"<?xml version=\"1.0\"?>\n<!DOCTYPE html [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\n"_s;
        laughs.extraHead = u"<title>&c;</title>"_s;
        QTest::newRow("entity expansion")
            << signedPage(laughs) << VEXALiteStatus::error << u"XML: "_s;
        PageParts external = good;
        external.prolog = u"<!DOCTYPE html [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>\n"_s;
        external.extraHead = u"<title>&secret;</title>"_s;
        QTest::newRow("external entity")
            << signedPage(external) << VEXALiteStatus::error << u"XML: "_s;
        PageParts html = good;
        html.extraHead = u"<title>&nbsp;</title>"_s;
        QTest::newRow("HTML entity") << signedPage(html) << VEXALiteStatus::error << u"XML: "_s;
        PageParts plainDoctype = good;
        plainDoctype.prolog = u"<!DOCTYPE html>\n"_s;
        QTest::newRow("plain doctype")
            << signedPage(plainDoctype) << VEXALiteStatus::updateAvailable << QString();
        QTest::newRow("not XML") << QByteArray("<html><head></html>") << VEXALiteStatus::error
                                 << u"XML: "_s;
        // Saved with a byte-order mark, signed as saved: the bytes verify.
        QTest::newRow("byte-order mark")
            << gw::test::signPage(QByteArray("\xEF\xBB\xBF") + gw::test::pageText(good))
            << VEXALiteStatus::updateAvailable << QString();
        // Signed, but nested far beyond any page: refused, not a crash.
        PageParts deep = good;
        deep.body = u"<div>"_s.repeated(140000) + u"</div>"_s.repeated(140000);
        QTest::newRow("nested 140,000 deep")
            << signedPage(deep) << VEXALiteStatus::error << u"XML: "_s;
        QTest::newRow("not UTF-8")
            << QByteArray("<html>\xff\xfe</html>") << VEXALiteStatus::error << u"XML: "_s;
    }
    void headAndSignature() {
        QFETCH(QByteArray, page);
        QFETCH(VEXALiteStatus, status);
        QFETCH(QString, error);
        QVERIFY(!page.isEmpty());
        auto vexa = checker();
        vexa->processHTML(page, u"manualUpdateCheck"_s);
        QCOMPARE(vexa->status, status);
        if (error.isEmpty()) {
            QVERIFY2(!vexa->errorMessage, qPrintable(vexa->errorMessage.value_or(QString())));
        } else {
            QVERIFY2(vexa->errorMessage && vexa->errorMessage->startsWith(error),
                     qPrintable(vexa->errorMessage.value_or(u"(none)"_s)));
            QVERIFY(vexa->log.contains(u"Error: "_s + *vexa->errorMessage));
            QVERIFY(!settings_->contains(basalt::vexa_key::currentUpdateInfo));
        }
        QCOMPARE(
            settings_->value(basalt::updateAvailableKey).toBool(),
            status == VEXALiteStatus::updateAvailable || status == VEXALiteStatus::formatInvalid);
    }

    void missingPublicKey() {
        VEXALite::publicKey = basalt::UpdateKey();
        PageParts good;
        good.body = kStandardBody;
        auto vexa = checker();
        vexa->processHTML(signedPage(good), u"manualUpdateCheck"_s);
        QCOMPARE(vexa->errorMessage,
                 std::optional<QString>(u"Signature invalid, public key is missing"_s));
    }

    void maintenance() {
        PageParts page;
        page.body = kStandardBody;
        page.extraHead = u"<meta name=\"VEXAMaintenance\" content=\"true\"/>\n"_s;
        const QByteArray signedBytes = signedPage(page);
        const QDateTime before = QDateTime::currentDateTimeUtc();
        auto vexa = checker();
        vexa->processHTML(signedBytes, u"silentUpdateCheck"_s);
        QCOMPARE(vexa->status, VEXALiteStatus::maintenance);
        QVERIFY(vexa->maintenanceMode);
        QVERIFY(vexa->log.contains(u"VEXAMaintenance: Page is in maintenance mode"_s));
        const QDateTime next = settings_->value(basalt::vexa_key::nextUpdateCheck).toDateTime();
        QVERIFY(next >= before.addSecs(1) && next <= QDateTime::currentDateTimeUtc().addSecs(2));

        // Ignored: the page is read through, but nothing is chosen.
        settings_->clear();
        settings_->setValue(basalt::vexa_key::ignoreMaintenance, true);
        auto ignoring = checker();
        ignoring->processHTML(signedBytes, u"silentUpdateCheck"_s);
        QCOMPARE(ignoring->status, VEXALiteStatus::maintenance);
        QVERIFY(!ignoring->updateDetails);
        QVERIFY(!settings_->contains(basalt::vexa_key::nextUpdateCheck));
        QVERIFY(ignoring->log.contains(u"Scan complete. Status: maintenance"_s));
    }

    void entrySelection_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<double>("os");
        QTest::addColumn<VEXALiteStatus>("status");
        QTest::addColumn<QString>("logLine");
        const QString compatible = u"minOS=\"11.0\""_s;
        const QString ours = entry(u"g110"_s, 110, compatible, archive(u"ub"_s));
        const QString older = entry(u"g100"_s, 100, compatible, archive(u"ub"_s));
        QTest::newRow("newer, this processor")
            << entry(u"g120"_s, 120, compatible, archive(u"ass"_s)) + ours << 14.5
            << VEXALiteStatus::updateAvailable << u"Update: ass https://example.com/g.zip"_s;
        QTest::newRow("newer, universal")
            << entry(u"g120"_s, 120, compatible, archive(u"ub"_s)) << 14.5
            << VEXALiteStatus::updateAvailable << u"Update: ub https://example.com/g.zip"_s;
        QTest::newRow("newer, other processor only")
            << entry(u"g120"_s, 120, compatible, archive(u"x86"_s)) + ours + older << 14.5
            << VEXALiteStatus::noUpdateForThisMac << u"Build 110 == appVersion 110"_s;
        QTest::newRow("newer, other processor, nothing else")
            << entry(u"g120"_s, 120, compatible, archive(u"x86"_s)) << 14.5
            << VEXALiteStatus::noUpdateForThisMac << QString();
        QTest::newRow("newer needs newer system")
            << entry(u"g120"_s, 120, u"minOS=\"15.0\""_s, archive(u"ass"_s)) + ours << 14.5
            << VEXALiteStatus::noUpdateForThisMac << u"Reject: Requires system 15.0"_s;
        QTest::newRow("running build first")
            << ours + older << 14.5 << VEXALiteStatus::upToDate << u"Build 110 == appVersion 110"_s;
        QTest::newRow("hidden") << entry(u"g120"_s, 120, compatible, archive(u"ass"_s),
                                         u" hidden"_s) +
                                       ours
                                << 14.5 << VEXALiteStatus::upToDate << u"Reject: hidden"_s;
        QTest::newRow("above maxOS")
            << entry(u"g120"_s, 120, u"minOS=\"11.0\" maxOS=\"13.0\""_s, archive(u"ass"_s)) + ours
            << 14.1 << VEXALiteStatus::upToDate << u"Reject: incompatible with system 14.1"_s;
        QTest::newRow("older only") << older << 14.5 << VEXALiteStatus::noUpdateAtThisTime
                                    << u"Reject: build 100 <  appVersion 110"_s;
        QTest::newRow("no entries")
            << u"<p>Nothing yet</p>"_s << 14.5 << VEXALiteStatus::noUpdateAtThisTime << QString();
        QTest::newRow("no minOS") << entry(u"g120"_s, 120, QString(), archive(u"ass"_s)) + ours
                                  << 14.5 << VEXALiteStatus::error
                                  << u"Error: Group g120 invalid minOS"_s;
        QTest::newRow("minOS with space")
            << entry(u"g120"_s, 120, u"minOS=\" 11.0\""_s, archive(u"ass"_s)) << 14.5
            << VEXALiteStatus::error << u"Error: Group g120 invalid minOS"_s;
        QTest::newRow("no build") << u"<div class=\"VEXAGroup\" id=\"g9\" minOS=\"11.0\">"_s +
                                         archive(u"ass"_s) + u"</div>"_s
                                  << 14.5 << VEXALiteStatus::error
                                  << u"Error: Group g9 invalid build"_s;
        QTest::newRow("no archive")
            << entry(u"g120"_s, 120, compatible, QString()) << 14.5 << VEXALiteStatus::error
            << u"Error: Group g120 invalid VEXAArchive"_s;
        QTest::newRow("broken archives first")
            << entry(
                   u"g120"_s, 120, compatible,
                   u"<a class=\"VEXAArchive ass\" href=\"  \">x</a><a class=\"VEXAArchive\" href=\"https://e/x\">y</a>"_s +
                       archive(u"ass"_s))
            << 14.5 << VEXALiteStatus::updateAvailable
            << u"Error: Architecture invalid https://e/x"_s;
        QTest::newRow("second body")
            << u"</body><body>"_s + entry(u"g120"_s, 120, compatible, archive(u"ass"_s)) << 14.5
            << VEXALiteStatus::updateAvailable << QString();
        QTest::newRow("nested in markup")
            << u"<section><ul><li>"_s + entry(u"g120"_s, 120, compatible, archive(u"ass"_s)) +
                   u"</li></ul></section>"_s
            << 14.5 << VEXALiteStatus::updateAvailable << QString();
    }
    // Kernel versions as versions: 6.18 is newer than 6.2, 6.10 than 6.9.
    void systemVersionsCompareByComponent_data() {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("range");
        QTest::addColumn<VEXALiteStatus>("status");
        QTest::newRow("6.18 meets minOS 6.2")
            << u"6.18"_s << u"minOS=\"6.2\""_s << VEXALiteStatus::updateAvailable;
        QTest::newRow("6.1 is below minOS 6.10")
            << u"6.1"_s << u"minOS=\"6.10\""_s << VEXALiteStatus::noUpdateForThisMac;
        QTest::newRow("6.10 is above maxOS 6.9")
            << u"6.10"_s << u"minOS=\"5.0\" maxOS=\"6.9\""_s << VEXALiteStatus::noUpdateAtThisTime;
        QTest::newRow("6.10 meets minOS 6.10")
            << u"6.10"_s << u"minOS=\"6.10\""_s << VEXALiteStatus::updateAvailable;
    }
    void systemVersionsCompareByComponent() {
        QFETCH(QString, system);
        QFETCH(QString, range);
        QFETCH(VEXALiteStatus, status);
        PageParts parts;
        parts.body = entry(u"g120"_s, 120, range, archive(u"ass"_s));
        auto vexa = checker();
        vexa->OSVersionText = system;
        vexa->OSVersion = system.toDouble();
        vexa->processHTML(signedPage(parts), u"manualUpdateCheck"_s);
        QCOMPARE(vexa->status, status);
        if (status == VEXALiteStatus::noUpdateForThisMac) {
            // Logged as written, not as a number.
            QVERIFY(vexa->log.contains(u"Reject: Requires system 6.10"_s));
        }
    }

    void entrySelection() {
        QFETCH(QString, body);
        QFETCH(double, os);
        QFETCH(VEXALiteStatus, status);
        QFETCH(QString, logLine);
        PageParts parts;
        parts.body = body;
        const QByteArray page = signedPage(parts);
        QVERIFY(!page.isEmpty());
        auto vexa = checker();
        vexa->OSVersion = os;
        vexa->processHTML(page, u"manualUpdateCheck"_s);
        QCOMPARE(vexa->status, status);
        if (!logLine.isEmpty()) {
            QVERIFY2(vexa->log.contains(logLine), qPrintable(vexa->log.join(u'\n')));
        }
        // The scan stops at the deciding entry: the older one is never examined.
        if (status == VEXALiteStatus::upToDate) {
            QVERIFY(!vexa->log.join(u'\n').contains(u"(100)"_s));
        }
        if (status == VEXALiteStatus::updateAvailable) {
            const QVariantMap details{{u"groupID"_s, u"g120"_s},
                                      {u"displayVersion"_s, u"3.120"_s},
                                      {u"buildNumber"_s, 120}};
            QCOMPARE(vexa->updateDetails->value(u"buildNumber"_s).toLongLong(), 120);
            QCOMPARE(vexa->updateDetails->value(u"groupID"_s), details.value(u"groupID"_s));
            QCOMPARE(vexa->updateDetails->value(u"displayVersion"_s),
                     details.value(u"displayVersion"_s));
            const QVariantMap stored =
                settings_->value(basalt::vexa_key::currentUpdateInfo).toMap();
            QCOMPARE(stored.value(u"buildNumber"_s).toLongLong(), 120);
            QVERIFY(settings_->value(basalt::updateAvailableKey).toBool());
        } else {
            QVERIFY(!vexa->updateDetails);
        }
    }

    void ignoredBuildIsPassedOver() {
        settings_->setValue(basalt::vexa_key::ignoreVersionInfo,
                            QVariantMap{{u"groupID"_s, u"g120"_s},
                                        {u"displayVersion"_s, u"3.120"_s},
                                        {u"buildNumber"_s, 120}});
        PageParts parts;
        parts.body = kStandardBody;
        auto vexa = checker();
        vexa->processHTML(signedPage(parts), u"silentUpdateCheck"_s);
        QVERIFY(vexa->log.contains(u"Reject: build 120 is set to be ignored."_s));
        QCOMPARE(vexa->status, VEXALiteStatus::upToDate);
    }

    void importingKeys() {
        QFile file(gw::test::keyPath("test-public.pem"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString pem = QString::fromLatin1(file.readAll());
        QString oneLine = pem;
        oneLine.remove(u'\n');
        for (const QString& text : {pem, oneLine}) {
            QVERIFY(std::holds_alternative<basalt::UpdateKey>(
                basalt::importKey(text, basalt::KeyClass::publicKey)));
        }
        const auto message = [](const QString& text, basalt::KeyClass keyClass) {
            auto result = basalt::importKey(text, keyClass);
            return std::holds_alternative<basalt::KeyError>(result)
                       ? std::get<basalt::KeyError>(result).message
                       : QString();
        };
        QCOMPARE(message(QString(), basalt::KeyClass::publicKey), u"Key data is empty"_s);
        QCOMPARE(
            message(pem, static_cast<basalt::KeyClass>(7)),
            u"Key type unrecognized, should be kSecAttrKeyClassPrivate or kSecAttrKeyClassPublic"_s);
        QCOMPARE(message(u"-----BEGIN RSA PUBLIC KEY-----\n!!!\n-----END RSA PUBLIC KEY-----"_s,
                         basalt::KeyClass::publicKey),
                 u"Unable to convert String to Data"_s);
        QVERIFY(message(u"-----BEGIN RSA PUBLIC KEY-----\nAAAA\n-----END RSA PUBLIC KEY-----"_s,
                        basalt::KeyClass::publicKey)
                    .startsWith(u"The data is not a PKCS#1 RSA key"_s));
    }

    void signingToolRefusesBadInput() {
        QTemporaryDir dir;
        const QString page = dir.filePath(u"page.html"_s);
        QFile(page).open(QIODevice::WriteOnly);
        QFile out(page);
        out.open(QIODevice::WriteOnly);
        out.write("<html><head><meta name=\"VEXASignature\" content=\"nothing\"/></head></html>");
        out.close();
        auto run = gw::test::runProcess(
            {SIGN_TOOL, page.toStdString(), gw::test::keyPath("test-private.pem").toStdString()});
        QCOMPARE(run.status, 1);
        QVERIFY(run.output.empty());
        QVERIFY(run.errors.find("VEXASignaturePlaceHolder") != std::string::npos);
        run = gw::test::runProcess(
            {SIGN_TOOL, page.toStdString(), gw::test::keyPath("test-public.pem").toStdString()});
        QCOMPARE(run.status, 1);
        run = gw::test::runProcess(
            {SIGN_TOOL, "/nonexistent", gw::test::keyPath("test-private.pem").toStdString()});
        QCOMPARE(run.status, 1);
        run = gw::test::runProcess({SIGN_TOOL});
        QCOMPARE(run.status, 1);
        QVERIFY(run.errors.find("usage:") != std::string::npos);
        // A PKCS#8 private key signs as well (verified with its public half).
        PageParts parts;
        parts.body = kStandardBody;
        VEXALite::publicKey = loadKey("other-public.pem");
        auto vexa = checker();
        vexa->processHTML(gw::test::signPage(gw::test::pageText(parts), "other"),
                          u"manualUpdateCheck"_s);
        QCOMPARE(vexa->status, VEXALiteStatus::updateAvailable);
    }
};

QTEST_GUILESS_MAIN(UpdatePageTest)
#include "tst_update_page.moc"
