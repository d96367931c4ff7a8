// The feedback message's facts and text, with the system's facts replaced.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <iostream>
#include <sstream>

#include "basalt/desktop/am_system_info.h"
#include "basalt/desktop/feedback.h"
#include "basalt/diagnostics.h"

using namespace Qt::StringLiterals;

namespace {

basalt::FeedbackFacts sampleFacts() {
    basalt::FeedbackFacts facts;
    facts.appVersion = u"3.0.2 (142)"_s;
    facts.now = QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    facts.launchDate = facts.now.addSecs(-3900);
    facts.codeSigner = u"Developer ID Application: Ambrel (ABC123)"_s;
    facts.systemVersion = u"Debian GNU/Linux 12 (bookworm), kernel 6.1.0"_s;
    facts.uptimeSeconds = 3 * 86400 + 4 * 3600;
    facts.languageName = u"German"_s;
    facts.marketingName = u"ThinkPad X1"_s;
    facts.cpuBrand = u"M2"_s;
    facts.clockSource = 2'400'000;
    facts.physicalMemory = 16LL * 1024 * 1024 * 1024;
    return facts;
}

void write(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

}  // namespace

class FeedbackTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void bodyHasTheThreeLines() {
        const QString body =
            basalt::feedbackBody(u"Please enter your message below:\n"_s, sampleFacts());
        const QStringList lines = body.split(u'\n');
        QCOMPARE(lines[0], u"Please enter your message below:"_s);
        QCOMPARE(lines[3], u"3.0.2 (142), 1 hr, 5 min, Dev.ID: Ambrel (ABC123)"_s);
        QCOMPARE(lines[4], u"Debian GNU/Linux 12 (bookworm), kernel 6.1.0, up 3 days, German"_s);
        QCOMPARE(lines[5], u"ThinkPad X1 M2 @ 2.4 GHz, 16 GB"_s);
        QVERIFY(body.endsWith(u"16 GB\n"_s));
    }

    void itemsThatAreMissingAreLeftOut() {
        auto facts = sampleFacts();
        facts.launchDate.reset();
        facts.appVersion.reset();
        facts.translated = true;
        facts.uptimeSeconds.reset();
        facts.languageName.reset();
        facts.clockSource.reset();
        facts.codeSigner = u"Apple Mac OS Application Signing"_s;
        const QStringList lines = basalt::feedbackBody(u"Hi"_s, facts).split(u'\n');
        QCOMPARE(lines[2], u"Unknown, x86_64 version, \uF8FF App Store: "_s);
        QCOMPARE(lines[3], u"Debian GNU/Linux 12 (bookworm), kernel 6.1.0"_s);
        QCOMPARE(lines[4], u"ThinkPad X1 M2, 16 GB"_s);
    }

    // Linux's failure texts never reach a user's mail: the fact is left out.
    void failuresStayOutOfTheMail() {
        auto facts = sampleFacts();
        facts.codeSigner = u"Failed to read code signature Error: -1"_s;
        facts.marketingName = u"Failed with Error: -1"_s;
        facts.cpuBrand.clear();
        facts.clockSource.reset();
        const QString body = basalt::feedbackBody(u"Hi"_s, facts);
        QVERIFY2(!body.contains(u"Failed"_s) && !body.contains(u"-1"_s), qPrintable(body));
        QCOMPARE(body.split(u'\n')[4], u"16 GB"_s);
    }

    void clockFigures_data() {
        QTest::addColumn<qlonglong>("source");
        QTest::addColumn<double>("figure");
        QTest::newRow("cpufreq 3.6 GHz") << 3'600'000LL << 3.6;
        QTest::newRow("cpuinfo 2400.000 MHz") << 2'400'000LL << 2.4;
    }
    void clockFigures() {
        QFETCH(qlonglong, source);
        QFETCH(double, figure);
        auto facts = sampleFacts();
        facts.clockSource = source;
        QCOMPARE(basalt::clockFigure(facts), figure);
    }

    void subjects() {
        QCOMPARE(basalt::feedbackSubject(u"<appName> Feedback"_s, u"Grantwell"_s),
                 u"Grantwell Feedback"_s);
        QCOMPARE(basalt::feedbackSubject(u"<appName> Feedback"_s, std::nullopt),
                 u"Unknown Feedback"_s);
        QCOMPARE(basalt::feedbackSubject(u"Feedback on the app"_s, u"Grantwell"_s),
                 u"Feedback on the app"_s);
    }

    void durationsAndMemory() {
        QCOMPARE(basalt::shortDuration(3900), u"1 hr, 5 min"_s);
        QCOMPARE(basalt::shortDuration(86400 + 61), u"1 day, 1 min, 1 sec"_s);
        QCOMPARE(basalt::shortDuration(0), u"0 sec"_s);
        QCOMPARE(basalt::memoryCountText(16LL << 30), u"16 GB"_s);
        QCOMPARE(basalt::memoryCountText(static_cast<int64_t>(15.5 * (1LL << 30))), u"15.5 GB"_s);
    }

    // The machine's name comes from the firmware; without it, from the
    // model, and the miss is logged.
    void systemFactsFromTheFirmware() {
        QTemporaryDir root;
        const QString base = root.path() + u'/';
        gw::platform::SystemFacts facts(base.toStdString());
        std::ostringstream log;
        basalt::setDiagnosticsStream(log);
        QCOMPARE(basalt::AMSystemInfo::marketingName(facts), u"Failed with Error: -1"_s);
        QCOMPARE(QString::fromStdString(log.str()),
                 u"Failed to get the machine's marketing name: Failed to get platform\n"_s);

        write(base + u"sys/class/dmi/id/sys_vendor"_s, "LENOVO\n");
        write(base + u"sys/class/dmi/id/board_name"_s, "20XW\n");
        QCOMPARE(basalt::AMSystemInfo::marketingName(facts), u"LENOVO 20XW"_s);
        write(base + u"proc/device-tree/model"_s,
              QByteArray("Raspberry Pi 5 Model B Rev 1.0\0", 31));
        QCOMPARE(basalt::AMSystemInfo::marketingName(facts), u"Raspberry Pi 5 Model B Rev 1.0"_s);
        write(base + u"sys/class/dmi/id/product_name"_s, "ThinkPad X1 Carbon Gen 9\n");
        QCOMPARE(basalt::AMSystemInfo::marketingName(facts), u"ThinkPad X1 Carbon Gen 9"_s);

        write(base + u"proc/cpuinfo"_s, "processor\t: 0\nmodel name\t: Apple M2 Pro\n");
        QCOMPARE(basalt::AMSystemInfo::cpuBrand(true, facts), u"M2 Pro"_s);
        QCOMPARE(basalt::AMSystemInfo::cpuBrand(false, facts), u"Apple M2 Pro"_s);
        write(base + u"proc/cpuinfo"_s, "model name\t: Intel(R) Core(TM) i7-1185G7 @ 3.00GHz\n");
        QCOMPARE(basalt::AMSystemInfo::cpuBrand(true, facts),
                 u"Intel(R) Core(TM) i7-1185G7 @ 3.00GHz"_s);
        QVERIFY(!facts.cpuMHz());
        write(base + u"proc/cpuinfo"_s, "model name\t: QEMU Virtual CPU\ncpu MHz\t\t: 2400.000\n");
        QCOMPARE(facts.cpuMHz().value(), 2400.0);
        write(base + u"proc/device-tree/timer/clock-frequency"_s,
              QByteArray("\x01\x6e\x36\x00", 4));
        QCOMPARE(facts.timerFrequencyHz().value(), 24'000'000);
        basalt::setDiagnosticsStream(std::cout);
    }
};

QTEST_GUILESS_MAIN(FeedbackTest)
#include "tst_feedback.moc"
