// Vosker as a real process on real files.
#include <sys/stat.h>

#include <QTest>

#include "support/process_runner.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::test::ProcessResult;
using gw::test::Sandbox;

namespace {

constexpr uid_t kNobody = 65534;

ProcessResult vosker(std::vector<std::string> args, bool asNobody = false) {
    args.insert(args.begin(), VOSKER_PATH);
    return gw::test::runProcess(asNobody ? gw::test::asNobody(args) : args);
}

#define REQUIRE_ROOT()              \
    if (!gw::test::runningAsRoot()) \
    QSKIP("needs root (run the suite with sudo)")

}  // namespace

class VoskerCliTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void argumentErrors_data();
    void argumentErrors();
    void verboseResetOfOrdinaryFile();
    void modeFollowsContent_data();
    void modeFollowsContent();
    void lockAndQuarantine_data();
    void lockAndQuarantine();
    void removesAttributesAndAcl();
    void preserveOptionsLeaveThemAlone();
    void linkIsResetNotItsTarget();
    void volumeRootStopsBeforeAnythingIsReset();
    void hostilePathNames_data();
    void hostilePathNames();
    void usernameOptionSetsOwner();
    void refusedOwnerChangeAsOrdinaryUser();
    void lockNotClearableAsOrdinaryUser();
    void firstFailureStopsTheRun();
    void unreadableOwnItemAsOrdinaryUser();
};

// Messages and their order, for every way the command line can be wrong.
// "%F" stands for an existing file's path.
void VoskerCliTest::argumentErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");

    QTest::newRow("nothing") << QStringList{} << u"error: Not enough arguments.\n"_s << 1;
    QTest::newRow("command only") << QStringList{u"reset"_s} << u"error: Not enough arguments.\n"_s
                                  << 1;
    QTest::newRow("missing, quiet")
        << QStringList{u"reset"_s, u"/no/such/item"_s} << u"error: No files to process\n"_s << 1;
    QTest::newRow("missing, verbose")
        << QStringList{u"reset"_s, u"-v"_s, u"/no/such/item"_s}
        << u"Error: No such file or directory: /no/such/item\nerror: No files to process\n"_s << 1;
    QTest::newRow("relative path")
        << QStringList{u"reset"_s, u"relative/path"_s}
        << u"Unknown argument \"relative/path\"\nerror: No files to process\n"_s << 1;
    QTest::newRow("unknown command checked after paths")
        << QStringList{u"fix"_s, u"-v"_s, u"/no/such"_s, u"%F"_s}
        << u"Error: No such file or directory: /no/such\nerror: Unknown command: \"fix\"\n"_s << 1;
    QTest::newRow("no paths before command check")
        << QStringList{u"fix"_s, u"/no/such"_s} << u"error: No files to process\n"_s << 1;
    QTest::newRow("-username without value") << QStringList{u"reset"_s, u"%F"_s, u"-username"_s}
                                             << u"error: Not enough arguments.\n"_s << 1;
    QTest::newRow("volume root") << QStringList{u"reset"_s, u"%F"_s, u"/"_s}
                                 << u"error: Grantwell will NOT reset the volume, \"/\"\n"_s << 1;
    QTest::newRow("mount point") << QStringList{u"reset"_s, u"/proc"_s}
                                 << u"error: Grantwell will NOT reset the volume, \"proc\"\n"_s
                                 << 1;
    QTest::newRow("upper-case command") << QStringList{u"RESET"_s, u"%F"_s} << QString() << 0;
    // A file is a tree of one: the count, no "not yet available" any more.
    QTest::newRow("-deep") << QStringList{u"reset"_s, u"-deep"_s, u"%F"_s} << u"Reset 1 item\n"_s
                           << 0;
    QTest::newRow("-deep, another inode")
        << QStringList{u"reset"_s, u"-deep"_s, u"-identity"_s, u"1:1"_s, u"%F"_s}
        << u"error: %F: The item changed since it was checked\nReset 0 items, 1 failed\n"_s << 1;
    QTest::newRow("unknown option")
        << QStringList{u"reset"_s, u"-x"_s, u"%F"_s} << u"Unknown argument \"-x\"\n"_s << 0;
    QTest::newRow("owner without a name")
        << QStringList{u"owner"_s, u"%F"_s} << u"error: The owner command needs -username NAME\n"_s
        << 1;
    QTest::newRow("owner of an unknown account")
        << QStringList{u"owner"_s, u"-username"_s, u"no-such-account-here"_s, u"%F"_s}
        << u"error: There is no user account named \"no-such-account-here\"\n"_s << 1;
    QTest::newRow("identity not DEVICE:INODE")
        << QStringList{u"reset"_s, u"-identity"_s, u"12"_s, u"%F"_s}
        << u"error: The identity \"12\" is not DEVICE:INODE\n"_s << 1;
    QTest::newRow("identity without a value") << QStringList{u"reset"_s, u"%F"_s, u"-identity"_s}
                                              << u"error: Not enough arguments.\n"_s << 1;
    QTest::newRow("identity of another inode")
        << QStringList{u"unlock"_s, u"-identity"_s, u"1:1"_s, u"%F"_s}
        << u"error: The item changed since it was checked\n"_s << 1;
}

void VoskerCliTest::argumentErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(int, status);
    Sandbox box;
    const std::string file = box.file("a", "text");
    std::vector<std::string> argv;
    for (const auto& arg : args) {
        argv.push_back(arg == u"%F"_s ? file : arg.toStdString());
    }
    const ProcessResult result = vosker(argv);
    QString expected = output;
    expected.replace(u"%F"_s, QString::fromStdString(file));
    QCOMPARE(QString::fromStdString(result.output), expected);
    QCOMPARE(result.errors, std::string());
    QCOMPARE(result.status, status);
}

void VoskerCliTest::verboseResetOfOrdinaryFile() {
    Sandbox box;
    const std::string file = box.file("notes.txt", "hello", 0666);
    const ProcessResult result = vosker({"reset", "-v", file});
    QCOMPARE(QString::fromStdString(result.output),
             u"No need to update file lock, ACLs or quarantine info\n"
             "Reset File owner, group and permissions reset\n"
             "clearXattrs(on:) couldn't find any xattrs, code: 0\n"
             "Cleared ACLs code: 0\n"_s);
    QCOMPARE(result.status, 0);
    QCOMPARE(gw::test::modeOf(file), mode_t(0644));
}

void VoskerCliTest::modeFollowsContent_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    const QByteArray machO("\xCF\xFA\xED\xFE rest", 9);
    const QByteArray elf(
        "\x7F"
        "ELF\x02\x01",
        6);
    QTest::newRow("plain text") << QByteArray("notes.txt") << QByteArray("hi") << 0644;
    QTest::newRow("Mach-O, no extension") << QByteArray("tool") << machO << 0755;
    QTest::newRow("Mach-O with extension") << QByteArray("tool.dat") << machO << 0644;
    QTest::newRow("ELF, no extension") << QByteArray("prog") << elf << 0755;
    QTest::newRow("shell script") << QByteArray("run.sh") << QByteArray("echo") << 0755;
    QTest::newRow("python script") << QByteArray("x.py") << QByteArray("pass") << 0755;
    QTest::newRow("empty, no extension") << QByteArray("empty") << QByteArray() << 0644;
    QTest::newRow("text, no extension") << QByteArray("README") << QByteArray("words") << 0644;
}

void VoskerCliTest::modeFollowsContent() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    Sandbox box;
    const std::string file = box.file(name.toStdString(), content.toStdString(), 0600);
    const ProcessResult result = vosker({"reset", file});
    QCOMPARE(result.output, std::string());
    QCOMPARE(result.status, 0);
    QCOMPARE(int(gw::test::modeOf(file)), mode);

    // Folders always keep execute; a FIFO is never opened and never blocks.
    const std::string folder = box.folder("dir", 0700);
    const std::string fifo = box.fifo("pipe");
    QCOMPARE(vosker({"reset", folder, fifo}).status, 0);
    QCOMPARE(gw::test::modeOf(folder), mode_t(0755));
    QCOMPARE(gw::test::modeOf(fifo), mode_t(0644));
}

void VoskerCliTest::lockAndQuarantine_data() {
    QTest::addColumn<bool>("preserveAttributes");
    QTest::addColumn<QString>("line");
    QTest::newRow("default") << false << u"Reset file lock, quarantine\n"_s;
    QTest::newRow("-preserveAttributes") << true << u"Reset file lock\n"_s;
}

void VoskerCliTest::lockAndQuarantine() {
    REQUIRE_ROOT();
    QFETCH(bool, preserveAttributes);
    QFETCH(QString, line);
    Sandbox box;
    const std::string file = box.file("download.txt", "x", 0600);
    QVERIFY(gw::test::setXattr(file, "com.apple.quarantine", "0081;5e1f;Safari;"));
    QVERIFY(gw::test::setXattr(file, "color", "red"));
    if (!gw::test::setImmutable(file, true)) {
        QSKIP("this file system has no immutable flag");
    }
    std::vector<std::string> args{"reset", "-v"};
    if (preserveAttributes) {
        args.emplace_back("-preserveAttributes");
    }
    args.push_back(file);
    const ProcessResult result = vosker(args);
    QCOMPARE(result.status, 0);
    QVERIFY2(QString::fromStdString(result.output).startsWith(line), result.output.c_str());
    QVERIFY(!gw::test::isImmutable(file));
    const auto left = gw::test::userXattrs(file);
    QCOMPARE(left.size(), preserveAttributes ? size_t(2) : size_t(0));
}

void VoskerCliTest::removesAttributesAndAcl() {
    Sandbox box;
    const std::string file = box.file("f", "x", 0664);
    QVERIFY(gw::test::setXattr(file, "one", "1"));
    QVERIFY(gw::test::setXattr(file, "two", "2"));
    if (!gw::test::addAclEntry(file, kNobody, "rw")) {
        QSKIP("this file system has no ACLs");
    }
    const ProcessResult result = vosker({"reset", "-v", file});
    QCOMPARE(result.status, 0);
    QVERIFY(QString::fromStdString(result.output).contains(u"Removed 2 xattrs\n"_s));
    QVERIFY(QString::fromStdString(result.output).endsWith(u"Cleared ACLs code: 0\n"_s));
    QVERIFY(gw::test::userXattrs(file).empty());
    QCOMPARE(gw::test::aclText(file), std::string("u::rw-,g::r--,o::r--"));
    QCOMPARE(gw::test::modeOf(file), mode_t(0644));
}

void VoskerCliTest::preserveOptionsLeaveThemAlone() {
    Sandbox box;
    const std::string file = box.file("f", "x", 0664);
    QVERIFY(gw::test::setXattr(file, "keep", "1"));
    if (!gw::test::addAclEntry(file, kNobody, "r")) {
        QSKIP("this file system has no ACLs");
    }
    const ProcessResult result =
        vosker({"reset", "-v", "-preserveAttributes", "-preserveACLs", file});
    QCOMPARE(result.status, 0);
    QCOMPARE(QString::fromStdString(result.output),
             u"No need to update file lock, ACLs or quarantine info\n"
             "Reset File owner, group and permissions reset\n"
             "Attributes were not altered\n"
             "ACLs were not altered\n"_s);
    QCOMPARE(gw::test::userXattrs(file), std::vector<std::string>{"keep"});
    QVERIFY(QString::fromStdString(gw::test::aclText(file)).contains(u"u:65534:r"_s));
}

void VoskerCliTest::linkIsResetNotItsTarget() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string target = box.file("target.sh", "echo", 0600);
    QVERIFY(gw::test::setXattr(target, "keep", "1"));
    const std::string link = box.link("link", target);
    QCOMPARE(::lchown(link.c_str(), kNobody, kNobody), 0);
    const ProcessResult result = vosker({"reset", link});
    QCOMPARE(result.status, 0);
    QCOMPARE(gw::test::ownerOf(link), uid_t(0));
    QCOMPARE(gw::test::modeOf(target), mode_t(0600));
    QCOMPARE(gw::test::userXattrs(target), std::vector<std::string>{"keep"});
    // A dangling link and a loop are items like any other.
    const std::string dangling = box.link("dangling", box.path("gone"));
    const std::string loop = box.link("loop", box.path("loop"));
    QCOMPARE(vosker({"reset", dangling, loop}).status, 0);
}

void VoskerCliTest::volumeRootStopsBeforeAnythingIsReset() {
    Sandbox box;
    const std::string file = box.file("a", "x", 0600);
    QVERIFY(gw::test::setXattr(file, "keep", "1"));
    const ProcessResult result = vosker({"reset", file, "/"});
    QCOMPARE(result.status, 1);
    QCOMPARE(gw::test::modeOf(file), mode_t(0600));
    QCOMPARE(gw::test::userXattrs(file).size(), size_t(1));
}

void VoskerCliTest::hostilePathNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("spaces") << QByteArray("my file.txt");
    QTest::newRow("quotes") << QByteArray("it's \"quoted\".txt");
    QTest::newRow("dollar and backquote") << QByteArray("$(touch pwned)`id`$HOME");
    QTest::newRow("newline") << QByteArray("two\nlines");
    QTest::newRow("invalid UTF-8") << QByteArray("bad\xff\xfe name");
    QTest::newRow("leading dash") << QByteArray("-v");
}

void VoskerCliTest::hostilePathNames() {
    QFETCH(QByteArray, name);
    Sandbox box;
    const std::string file = box.file(name.toStdString(), "x", 0600);
    QVERIFY(gw::test::setXattr(file, "color", "red"));
    const ProcessResult result = vosker({"reset", file});
    QCOMPARE(result.output, std::string());
    QCOMPARE(result.status, 0);
    QCOMPARE(gw::test::modeOf(file), mode_t(0644));
    QVERIFY(gw::test::userXattrs(file).empty());
    QCOMPARE(gw::test::modeOf(box.path("pwned")), mode_t(0));  // nothing ran
}

void VoskerCliTest::usernameOptionSetsOwner() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string file = box.file("a", "x", 0600);
    const ProcessResult named = vosker({"reset", "-username", "nobody", file});
    QCOMPARE(named.output, std::string());
    QCOMPARE(gw::test::ownerOf(file), kNobody);
    const ProcessResult unknown = vosker({"reset", "-username", "no-such-account-x", file});
    QCOMPARE(unknown.status, 1);
    QCOMPARE(unknown.output, std::string("error: Permissions Error: There is no user account named "
                                         "\"no-such-account-x\"\n\n"));
}

void VoskerCliTest::refusedOwnerChangeAsOrdinaryUser() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string file = box.file("roots", "x", 0666);
    QVERIFY(gw::test::setXattr(file, "keep", "1"));
    const ProcessResult result = vosker({"reset", file}, true);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.output, std::string("error: Permissions Error: Operation not permitted\n\n"));
    QCOMPARE(gw::test::modeOf(file), mode_t(0666));
}

void VoskerCliTest::lockNotClearableAsOrdinaryUser() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string file = box.file("locked", "x", 0644);
    QCOMPARE(::chown(file.c_str(), kNobody, kNobody), 0);
    if (!gw::test::setImmutable(file, true)) {
        QSKIP("this file system has no immutable flag");
    }
    const ProcessResult result = vosker({"reset", file}, true);
    QCOMPARE(result.status, 1);
    QCOMPARE(result.output,
             std::string("error: Unable to remove file lock. Error: Operation not permitted\n"));
    QVERIFY(gw::test::isImmutable(file));
}

void VoskerCliTest::firstFailureStopsTheRun() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string roots = box.file("roots", "x", 0600);
    const std::string mine = box.file("mine", "x", 0600);
    QCOMPARE(::chown(mine.c_str(), kNobody, kNobody), 0);
    const ProcessResult result = vosker({"reset", roots, mine}, true);
    QCOMPARE(result.status, 1);
    QCOMPARE(gw::test::modeOf(mine), mode_t(0600));
    // Alone, the second item resets fine as its owner.
    QCOMPARE(vosker({"reset", mine}, true).status, 0);
    QCOMPARE(gw::test::modeOf(mine), mode_t(0644));
}

// An owner can reset an item it can't read: nothing may depend on opening it.
void VoskerCliTest::unreadableOwnItemAsOrdinaryUser() {
    REQUIRE_ROOT();
    Sandbox box;
    const std::string file = box.file("sealed", "x", 0600);
    QVERIFY(gw::test::setXattr(file, "color", "red"));
    const std::string dir = box.folder("sealed-dir", 0700);
    QVERIFY(gw::test::setXattr(dir, "color", "red"));
    for (const auto& item : {file, dir}) {
        QCOMPARE(::chown(item.c_str(), kNobody, kNobody), 0);
        QCOMPARE(::chmod(item.c_str(), 0), 0);
    }
    const ProcessResult result = vosker({"reset", "-v", file, dir}, true);
    QCOMPARE(result.status, 0);
    QVERIFY2(QString::fromStdString(result.output).contains(u"MachO: Permission denied"_s),
             result.output.c_str());
    QCOMPARE(gw::test::modeOf(file), mode_t(0644));
    QCOMPARE(gw::test::modeOf(dir), mode_t(0755));
    QVERIFY(gw::test::userXattrs(file).empty());
    QVERIFY(gw::test::userXattrs(dir).empty());
}

QTEST_GUILESS_MAIN(VoskerCliTest)
#include "tst_vosker_cli.moc"
