// The reset's decisions, with a scripted platform where real files can't
// be made to fail the way a test needs, and with real files for executable
// detection.
#include <sstream>

#include <QTest>

#include "helper/executable_detection.h"
#include "helper/item_reset.h"
#include "helper/xattr_clearing.h"
#include "platform/content_types.h"
#include "support/scripted_helper.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::test::ScriptedHelper;
using gw::test::ScriptedItem;

namespace {

vosker::RunSettings settingsFor(const std::string& path) {
    vosker::RunSettings settings;
    settings.verbose = true;
    settings.ownerName = "mia";
    settings.pathList = {vosker::ItemRequest{path, std::nullopt}};
    return settings;
}

}  // namespace

class ResetLogicTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void clearXattrsOutcomes_data();
    void clearXattrsOutcomes();
    void refusedLockLeavesQuarantine();
    void unreadableFlagsSkipProtectionsSilently();
    void failedRemovalSkipsAclStep();
    void executableDetectionOnRealFiles_data();
    void executableDetectionOnRealFiles();
    void unreadableHeadIsReportedAndAnswersNo();
};

void ResetLogicTest::clearXattrsOutcomes_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<bool>("listingFails");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("fatal");
    const QStringList three{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("none") << QStringList() << QStringList() << false
                          << u"clearXattrs(on:) couldn't find any xattrs, code: 0\n"_s << QString();
    QTest::newRow("listing fails")
        << three << QStringList() << true
        << u"clearXattrs(on:) couldn't find any xattrs, code: -1\n"_s << QString();
    QTest::newRow("all removed") << three << QStringList() << false << u"Removed 3 xattrs\n"_s
                                 << QString();
    QTest::newRow("one refused") << three << QStringList{u"b"_s} << false << QString()
                                 << u"Unable to remove 1 xattrs"_s;
    QTest::newRow("all refused") << three << three << false << QString()
                                 << u"Unable to remove all the xattrs"_s;
}

void ResetLogicTest::clearXattrsOutcomes() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, refused);
    QFETCH(bool, listingFails);
    QFETCH(QString, output);
    QFETCH(QString, fatal);
    ScriptedHelper platform;
    ScriptedItem& scripted = platform.items["/f"];
    scripted.listingFails = listingFails;
    for (const auto& name : names) {
        scripted.xattrs[name.toStdString()] = "v";
    }
    for (const auto& name : refused) {
        scripted.refusedRemovals.insert(name.toStdString());
    }
    std::ostringstream out;
    const gw::platform::Item item("/f", gw::platform::FileKind::Regular);
    const auto result = vosker::clearXattrs(item, platform, true, out);
    QCOMPARE(QString::fromStdString(out.str()), output);
    QCOMPARE(result ? QString::fromStdString(*result) : QString(), fatal);
    // Every name is tried, even after a refusal.
    QCOMPARE(scripted.xattrs.size(), size_t(listingFails ? 3 : refused.size()));
}

void ResetLogicTest::refusedLockLeavesQuarantine() {
    ScriptedHelper platform;
    ScriptedItem& scripted = platform.items["/f"];
    scripted.immutable = true;
    scripted.lockRefused = true;
    scripted.xattrs["com.apple.quarantine"] = "q";
    std::ostringstream out;
    const auto outcome =
        vosker::resetItem({"/f", std::nullopt}, settingsFor("/f"), platform.services(), out);
    QCOMPARE(outcome.status, 1);
    QCOMPARE(outcome.message,
             std::string("Unable to remove file lock, quarantine. Error: Operation not permitted"));
    QCOMPARE(platform.calls, std::vector<std::string>{});  // nothing after the failure
}

void ResetLogicTest::unreadableFlagsSkipProtectionsSilently() {
    ScriptedHelper platform;
    platform.items["/f"].flagsUnreadable = true;
    std::ostringstream out;
    const auto outcome =
        vosker::resetItem({"/f", std::nullopt}, settingsFor("/f"), platform.services(), out);
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.message, std::string("S'all good"));
    QCOMPARE(QString::fromStdString(out.str()),
             u"Reset File owner, group and permissions reset\n"
             "clearXattrs(on:) couldn't find any xattrs, code: 0\n"
             "Cleared ACLs code: 0\n"_s);
    QCOMPARE(platform.calls, (std::vector<std::string>{"owner /f 501:20 420", "acl /f"}));
}

void ResetLogicTest::failedRemovalSkipsAclStep() {
    ScriptedHelper platform;
    ScriptedItem& scripted = platform.items["/f"];
    scripted.xattrs = {{"a", "1"}, {"b", "2"}};
    scripted.refusedRemovals = {"a"};
    scripted.aclCode = 1;
    std::ostringstream out;
    const auto outcome =
        vosker::resetItem({"/f", std::nullopt}, settingsFor("/f"), platform.services(), out);
    QCOMPARE(outcome.status, 1);
    QCOMPARE(outcome.message, std::string("Unable to remove 1 xattrs"));
    QVERIFY(std::find(platform.calls.begin(), platform.calls.end(), "acl /f") ==
            platform.calls.end());
}

void ResetLogicTest::executableDetectionOnRealFiles_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("executable");
    QTest::newRow("Mach-O, no extension") << u"tool"_s << true;
    QTest::newRow("Mach-O universal") << u"fat"_s << true;
    QTest::newRow("Mach-O with extension") << u"tool.dat"_s << false;
    QTest::newRow("ELF") << u"elf"_s << true;
    QTest::newRow("three bytes") << u"short"_s << false;
    QTest::newRow("empty") << u"empty"_s << false;
    QTest::newRow("script") << u"run.command"_s << true;
    QTest::newRow("Perl counts as shell") << u"x.PL"_s << true;
    QTest::newRow("text") << u"notes.txt"_s << false;
    QTest::newRow("execute bit, no extension") << u"bin"_s << true;
    QTest::newRow("folder") << u"dir"_s << true;
    QTest::newRow("folder with extension") << u"dir.txt"_s << true;
    QTest::newRow("link to script") << u"to-script"_s << true;
    QTest::newRow("link to text") << u"to-text"_s << false;
    QTest::newRow("dangling link") << u"dangling"_s << false;
    QTest::newRow("looping link") << u"loop"_s << false;
    QTest::newRow("FIFO") << u"fifo"_s << false;
    QTest::newRow("device") << u"/dev/zero"_s << false;
}

void ResetLogicTest::executableDetectionOnRealFiles() {
    QFETCH(QString, item);
    QFETCH(bool, executable);
    gw::test::Sandbox box;
    box.file("tool", std::string("\xCF\xFA\xED\xFE", 4));
    box.file("fat", std::string("\xCA\xFE\xBA\xBE", 4));
    box.file("tool.dat", std::string("\xCF\xFA\xED\xFE", 4));
    box.file("elf", std::string("\x7F"
                                "ELF",
                                4));
    box.file("short", std::string("\x7F"
                                  "EL",
                                  3));
    box.file("empty");
    box.file("run.command", "echo");
    box.file("x.PL", "print");
    box.file("notes.txt", "words");
    box.file("bin", "words", 0700);
    box.folder("dir");
    box.folder("dir.txt");
    box.link("to-script", box.path("run.command"));
    box.link("to-text", box.path("notes.txt"));
    box.link("dangling", box.path("gone"));
    box.link("loop", box.path("loop"));
    box.fifo("fifo");
    const std::string path =
        item.startsWith(u'/') ? item.toStdString() : box.path(item.toStdString());
    gw::platform::LinuxContentTypes types;
    std::ostringstream out;
    QCOMPARE(vosker::shouldBeExecutable(path, types, out), executable);
    QCOMPARE(out.str(), std::string());
}

void ResetLogicTest::unreadableHeadIsReportedAndAnswersNo() {
    ScriptedHelper platform;
    platform.items["/tool"].headUnreadable = true;
    std::ostringstream out;
    QVERIFY(!vosker::shouldBeExecutable("/tool", platform, out));
    QCOMPARE(out.str(), std::string("MachO: Permission denied\n"));
    QVERIFY(!vosker::shouldBeExecutable("/gone", platform, out));
    QVERIFY(QString::fromStdString(out.str()).endsWith(
        u"shouldBeExecutable(file:) failed to get properties from /gone\n"_s));
}

QTEST_GUILESS_MAIN(ResetLogicTest)
#include "tst_reset_logic.moc"
