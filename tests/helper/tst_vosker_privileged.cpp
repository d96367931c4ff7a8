// Vosker as root on paths an ordinary user controls: the user may swap,
// link or hard-link anything under the item while the administrator types
// the password, and root must still change nothing but the item shown.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QTest>

#include "platform/item.h"
#include "support/process_runner.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::test::ProcessResult;
using gw::test::Sandbox;

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kRacedRuns = 2000;
constexpr auto kLinkRefusal = "symbolic link before its last component";

ProcessResult vosker(std::vector<std::string> args) {
    args.insert(args.begin(), VOSKER_PATH);
    return gw::test::runProcess(args);
}

// What an outside file looked like, to prove root left it alone.
struct Snapshot {
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    std::vector<std::string> xattrs;
    bool immutable = false;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshotOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return Snapshot{st.st_uid, st.st_gid, st.st_mode & 07777,
                    S_ISREG(st.st_mode) ? gw::test::userXattrs(path) : std::vector<std::string>{},
                    S_ISREG(st.st_mode) && gw::test::isImmutable(path)};
}

// The user's folder x holds the item x/dir/v; root's folder victim holds a
// file of the same name that the user must never reach through root.
struct Setup {
    Sandbox box;
    std::string x, dir, item, swap, victimDir, victim;

    Setup() {
        victimDir = box.folder("victim", 0755);
        victim = box.file("victim/v", "root's own\n", 0600);
        gw::test::setXattr(victim, "user.keep", "1");
        x = box.folder("x", 0755);
        dir = box.folder("x/dir", 0755);
        item = box.file("x/dir/v", "mine\n", 0600);
        swap = box.link("x/swap", victimDir);
        for (const auto& path : {x, dir, item}) {
            ::lchown(path.c_str(), kNobody, kNobody);
        }
        ::lchown(swap.c_str(), kNobody, kNobody);
    }
    std::string identityOf(const std::string& path) const {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return gw::platform::identityText({st.st_dev, st.st_ino});
    }
};

// An ordinary user's process that swaps x/dir and x/swap (a link to root's
// folder) as fast as it can, until it is stopped.
class Racer {
  public:
    Racer(const std::string& a, const std::string& b) {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(3);
            }
            for (;;) {
                ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
            }
        }
    }
    ~Racer() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

  private:
    pid_t pid_ = -1;
};

// The three commands root runs for Grantwell, as the window asks for them.
void addCommandRows() {
    QTest::addColumn<QStringList>("command");
    QTest::newRow("reset") << QStringList{u"reset"_s, u"-username"_s, u"nobody"_s};
    QTest::newRow("owner") << QStringList{u"owner"_s, u"-username"_s, u"nobody"_s};
    QTest::newRow("lock") << QStringList{u"lock"_s};
}

// The command's words, then the item.
std::vector<std::string> commandLine(const QStringList& command, const std::string& item) {
    std::vector<std::string> args;
    for (const auto& word : command) {
        args.push_back(word.toStdString());
    }
    args.push_back(item);
    return args;
}

#define REQUIRE_ROOT()              \
    if (!gw::test::runningAsRoot()) \
    QSKIP("needs root: these are the runs behind the administrator prompt")

}  // namespace

class VoskerPrivilegedTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void commandsActOnTheItem_data();
    void commandsActOnTheItem();
    void racerNeverReachesAnotherFile_data();
    void racerNeverReachesAnotherFile();
    void hostileItemsAreRefused_data();
    void hostileItemsAreRefused();
    void matchingIdentityIsAccepted();
    void finalLinkIsStillResetAsTheLink();
    void deepResetNeverLeavesTheTree();
};

void VoskerPrivilegedTest::commandsActOnTheItem_data() {
    addCommandRows();
}

// The commands do what they say on an ordinary item: the owner command
// changes the owner only, lock and unlock the immutable flag only.
void VoskerPrivilegedTest::commandsActOnTheItem() {
    REQUIRE_ROOT();
    QFETCH(QStringList, command);
    Sandbox box;
    const std::string file = box.file("f", "text\n", 0600);
    const ProcessResult result = vosker(commandLine(command, file));
    QCOMPARE(result.output, std::string());
    QCOMPARE(result.status, 0);
    struct stat st {};
    ::lstat(file.c_str(), &st);
    if (command.front() == u"reset"_s) {
        QCOMPARE(st.st_uid, kNobody);
        QCOMPARE(st.st_mode & 07777, 0644U);
    } else if (command.front() == u"owner"_s) {
        QCOMPARE(st.st_uid, kNobody);
        QCOMPARE(st.st_gid, 0U);
        QCOMPARE(st.st_mode & 07777, 0600U);
    } else {
        if (!gw::test::isImmutable(file)) {
            QSKIP("this file system has no immutable flag");
        }
        QCOMPARE(st.st_uid, 0U);
        QCOMPARE(vosker({"unlock", file}).status, 0);
        QVERIFY(!gw::test::isImmutable(file));
    }
}

void VoskerPrivilegedTest::racerNeverReachesAnotherFile_data() {
    addCommandRows();
}

// Thousands of root runs against a folder that an ordinary user swaps for
// a link to root's folder: each run either acts on the user's own item or
// refuses with a clear message; root's file never changes.
void VoskerPrivilegedTest::racerNeverReachesAnotherFile() {
    REQUIRE_ROOT();
    QFETCH(QStringList, command);
    Setup setup;
    const Snapshot victimBefore = snapshotOf(setup.victim);
    const std::vector<std::string> args = commandLine(command, setup.item);

    int acted = 0;
    int refused = 0;
    {
        Racer racer(setup.dir, setup.swap);
        QVERIFY(racer.running());
        for (int run = 0; run < kRacedRuns; ++run) {
            const ProcessResult result = vosker(args);
            if (result.status == 0) {
                ++acted;
            } else {
                QVERIFY2(
                    result.status == 1 && result.output.find(kLinkRefusal) != std::string::npos,
                    result.output.c_str());
                ++refused;
            }
            QVERIFY2(
                snapshotOf(setup.victim) == victimBefore,
                ("root changed the file outside the item on run " + std::to_string(run)).c_str());
        }
        QVERIFY(racer.running());
    }
    // Both outcomes must have happened, or the race did not really race.
    qInfo("%s: %d runs acted on the item, %d refused the swapped path, 0 reached another file",
          qPrintable(command.front()), acted, refused);
    QVERIFY(refused > 0);
    QVERIFY(acted > 0);
}

// The whole tree x as root while its folder dir and a link to root's folder
// keep trading places: every entry is opened in its folder and never
// followed, so root's folder and file stay as they were.
void VoskerPrivilegedTest::deepResetNeverLeavesTheTree() {
    REQUIRE_ROOT();
    Setup setup;
    const Snapshot victimBefore = snapshotOf(setup.victim);
    const Snapshot folderBefore = snapshotOf(setup.victimDir);
    const std::vector<std::string> args{"reset", "-deep", "-username", "nobody", setup.x};
    int whole = 0;
    int withFailures = 0;
    {
        Racer racer(setup.dir, setup.swap);
        QVERIFY(racer.running());
        for (int run = 0; run < kRacedRuns / 4; ++run) {
            const ProcessResult result = vosker(args);
            // An entry renamed between the listing and its opening fails alone.
            QVERIFY2(result.status == 0 || result.status == 1, result.output.c_str());
            (result.status == 0 ? whole : withFailures) += 1;
            QVERIFY2(snapshotOf(setup.victim) == victimBefore &&
                         snapshotOf(setup.victimDir) == folderBefore,
                     ("root changed root's own folder on run " + std::to_string(run)).c_str());
        }
        QVERIFY(racer.running());
    }
    qInfo("reset -deep: %d whole runs, %d with an entry that moved away, 0 reached another file",
          whole, withFailures);
    QVERIFY(whole > 0);
}

void VoskerPrivilegedTest::hostileItemsAreRefused_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("hostile");
    QTest::addColumn<QString>("message");
    const QStringList commands{u"reset"_s, u"owner"_s, u"lock"_s};
    for (const auto& command : commands) {
        const QByteArray c = command.toUtf8();
        QTest::newRow((c + " through a static link").constData())
            << command << u"static link"_s << QString::fromLatin1(kLinkRefusal);
        QTest::newRow((c + " of a hard link").constData())
            << command << u"hard link"_s << u"hard links"_s;
        QTest::newRow((c + " of a device node").constData())
            << command << u"device"_s << u"device node"_s;
        QTest::newRow((c + " of another inode").constData())
            << command << u"identity"_s << u"The item changed since it was checked"_s;
    }
}

// The ways a user can point root at a file that is not the one shown: each
// ends in a clear refusal and changes nothing.
void VoskerPrivilegedTest::hostileItemsAreRefused() {
    REQUIRE_ROOT();
    QFETCH(QString, command);
    QFETCH(QString, hostile);
    QFETCH(QString, message);
    Setup setup;
    std::vector<std::string> args{command.toStdString()};
    if (command != u"lock"_s) {
        args.insert(args.end(), {"-username", "nobody"});
    }
    std::string target;
    if (hostile == u"static link"_s) {
        target = setup.swap + "/v";
    } else if (hostile == u"hard link"_s) {
        target = setup.box.path("x/hard");
        QVERIFY(::link(setup.victim.c_str(), target.c_str()) == 0);
    } else if (hostile == u"device"_s) {
        target = setup.box.path("x/null");
        QVERIFY(::mknod(target.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0);
    } else {
        target = setup.item;
        args.insert(args.end(), {"-identity", "1:1"});
    }
    const Snapshot targetBefore = snapshotOf(target);
    const Snapshot victimBefore = snapshotOf(setup.victim);
    args.push_back(target);

    const ProcessResult result = vosker(args);
    QCOMPARE(result.status, 1);
    QVERIFY2(result.output.rfind("error: ", 0) == 0, result.output.c_str());
    QVERIFY2(result.output.find(message.toStdString()) != std::string::npos, result.output.c_str());
    QVERIFY(snapshotOf(setup.victim) == victimBefore);
    QVERIFY(snapshotOf(target) == targetBefore);
}

void VoskerPrivilegedTest::matchingIdentityIsAccepted() {
    REQUIRE_ROOT();
    Setup setup;
    const ProcessResult result = vosker(
        {"reset", "-username", "nobody", "-identity", setup.identityOf(setup.item), setup.item});
    QCOMPARE(result.output, std::string());
    QCOMPARE(result.status, 0);
    QCOMPARE(gw::test::modeOf(setup.item), 0644U);
}

// A link as the last component is what the user was shown: root resets the
// link itself and leaves its target as it was.
void VoskerPrivilegedTest::finalLinkIsStillResetAsTheLink() {
    REQUIRE_ROOT();
    Setup setup;
    const std::string link = setup.box.link("x/dir/to-victim", setup.victim);
    const Snapshot victimBefore = snapshotOf(setup.victim);
    const ProcessResult result = vosker({"reset", "-username", "nobody", link});
    QCOMPARE(result.output, std::string());
    QCOMPARE(result.status, 0);
    QCOMPARE(gw::test::ownerOf(link), kNobody);
    QVERIFY(snapshotOf(setup.victim) == victimBefore);
}

QTEST_GUILESS_MAIN(VoskerPrivilegedTest)
#include "tst_vosker_privileged.moc"
