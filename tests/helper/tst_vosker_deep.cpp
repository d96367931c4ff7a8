// "Vosker reset -deep" on real trees: what each entry gets, what is left
// alone (links and their targets, other mounts), depth and size without
// running out of stack or descriptors, failures that don't stop the walk,
// progress, and a reader that goes away.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include <QTest>

#include "support/process_runner.h"
#include "support/test_files.h"

using gw::test::ProcessResult;
using gw::test::Sandbox;

extern char** environ;

namespace {

ProcessResult vosker(std::vector<std::string> args) {
    args.insert(args.begin(), VOSKER_PATH);
    return gw::test::runProcess(args);
}

std::string lastLine(const std::string& output) {
    const auto end = output.find_last_not_of('\n');
    const auto start = output.rfind('\n', end);
    return output.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// Makes a file in a folder given by descriptor: trees deeper than the
// kernel's path limit can't be made by path.
void makeFileAt(int dir, const char* name, mode_t mode) {
    const int fd = ::openat(dir, name, O_CREAT | O_WRONLY | O_CLOEXEC, mode);
    QVERIFY(fd >= 0);
    ::fchmod(fd, mode);
    ::close(fd);
}

// Runs the program with its output to /dev/null and answers the most
// descriptors it had open at once, sampled while it runs, and its status.
std::pair<int, int> peakDescriptors(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int peak = 0;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        int count = 0;
        if (DIR* dir = ::opendir(fds.c_str())) {
            while (const dirent* entry = ::readdir(dir))
                count += entry->d_name[0] != '.';
            ::closedir(dir);
        }
        peak = std::max(peak, count);
        ::usleep(500);
    }
    return {peak, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// A folder of the sandbox on a tmpfs of its own where root may mount one:
// making 100,000 files on a slow disk takes longer than resetting them.
// (The tree is a folder inside it: Vosker refuses a disk's own top folder.)
struct ScratchFolder {
    std::string disk;
    std::string path;
    bool mounted = false;
    ScratchFolder(Sandbox& box, const std::string& name) : disk(box.folder(name, 0755)) {
        mounted = gw::test::runningAsRoot() && ::mount("tmpfs", disk.c_str(), "tmpfs", 0,
                                                       "size=256m,nr_inodes=200k,mode=755") == 0;
        path = disk + "/tree";
        ::mkdir(path.c_str(), 0755);
    }
    ~ScratchFolder() {
        if (mounted)
            ::umount2(disk.c_str(), MNT_DETACH);
    }
};

// 1,000 files of mode 600 in each of `folders` folders of mode 700.
void fillWithFiles(const std::string& top, int folders) {
    const int base = ::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int folder = 0; folder < folders; ++folder) {
        const std::string name = "f" + std::to_string(folder);
        QCOMPARE(::mkdirat(base, name.c_str(), 0700), 0);
        const int dir = ::openat(base, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (int file = 0; file < 1000; ++file)
            makeFileAt(dir, std::to_string(file).c_str(), 0600);
        ::close(dir);
    }
    ::close(base);
}

}  // namespace

class VoskerDeepTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void eachEntryGetsWhatAResetAloneGives();
    void linksAndOtherMountsAreLeftAlone();
    void aChainTenThousandFoldersDeep();
    void aHundredThousandEntriesWithAHandfulOfDescriptors();
    void aFailingEntryIsReportedAndTheRestIsReset();
    void progressAndAReaderThatGoesAway();
    void undoPutsBackExactlyWhatWasThere();
    void undoSkipsWhatWasReplacedAndTakesOnlyNames();
};

void VoskerDeepTest::eachEntryGetsWhatAResetAloneGives() {
    Sandbox box;
    const std::string top = box.folder("tree", 0700);
    box.folder("tree/closed", 0500);
    const std::string plain = box.file("tree/closed/notes.txt", "x", 0777);
    const std::string script = box.file("tree/run.sh", "#!/bin/sh\n", 0600);
    const std::string data = box.file("tree/data", "plain", 0600);
    std::filesystem::copy_file("/bin/true", box.path("tree/tool"));
    ::chmod(box.path("tree/tool").c_str(), 0600);
    gw::test::setXattr(plain, "tag", "hi");
    const bool acls = gw::test::addAclEntry(script, 65534, "rwx");

    const ProcessResult run = vosker({"reset", "-deep", top});
    QCOMPARE(run.status, 0);
    QCOMPARE(lastLine(run.output), std::string("Reset 6 items"));
    QVERIFY2(run.output.find("not yet available") == std::string::npos, run.output.c_str());
    QCOMPARE(gw::test::modeOf(top), 0755u);
    QCOMPARE(gw::test::modeOf(box.path("tree/closed")), 0755u);
    QCOMPARE(gw::test::modeOf(plain), 0644u);
    QCOMPARE(gw::test::modeOf(script), 0755u);  // a script by its name
    QCOMPARE(gw::test::modeOf(data), 0644u);
    QCOMPARE(gw::test::modeOf(box.path("tree/tool")), 0755u);  // a program by its bytes
    QVERIFY(gw::test::userXattrs(plain).empty());
    if (acls)
        QCOMPARE(gw::test::aclText(script), std::string("u::rwx,g::r-x,o::r-x"));
}

void VoskerDeepTest::linksAndOtherMountsAreLeftAlone() {
    Sandbox box;
    const std::string top = box.folder("tree", 0755);
    const std::string target = box.file("outside", "keep", 0777);
    gw::test::setXattr(target, "keep", "1");
    const std::string link = box.link("tree/to-outside", target);
    box.link("tree/loop", box.path("tree/loop"));
    box.link("tree/up", box.path("tree"));
    const std::string mounted = box.folder("tree/mounted", 0700);
    const bool mount = gw::test::runningAsRoot() &&
                       ::mount("tmpfs", mounted.c_str(), "tmpfs", 0, "size=64k,mode=700") == 0;
    const std::string inside = mount ? box.file("tree/mounted/inside", "x", 0600) : std::string();

    const ProcessResult run = vosker({"reset", "-deep", top});
    const mode_t insideMode = mount ? gw::test::modeOf(inside) : 0;
    const mode_t mountedMode = mount ? gw::test::modeOf(mounted) : 0;
    if (mount)
        ::umount2(mounted.c_str(), MNT_DETACH);
    QCOMPARE(run.status, 0);
    QCOMPARE(gw::test::modeOf(target), 0777u);
    QCOMPARE(gw::test::userXattrs(target), std::vector<std::string>{"keep"});
    struct stat st {};
    QCOMPARE(::lstat(link.c_str(), &st), 0);
    QVERIFY(S_ISLNK(st.st_mode));  // reset as a link, never followed
    if (mount) {
        QVERIFY2(run.output.find("Left alone: " + mounted) != std::string::npos,
                 run.output.c_str());
        QCOMPARE(insideMode, 0600u);
        QCOMPARE(mountedMode, 0700u);
        QCOMPARE(lastLine(run.output), std::string("Reset 4 items, 1 left alone"));
    } else {
        QCOMPARE(lastLine(run.output), std::string("Reset 5 items"));
    }
}

void VoskerDeepTest::aChainTenThousandFoldersDeep() {
    Sandbox box;
    const std::string top = box.folder("chain", 0700);
    constexpr int kDepth = 10000;
    int dir = ::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth; ++level) {
        QCOMPARE(::mkdirat(dir, "d", 0700), 0);
        const int next = ::openat(dir, "d", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
    }
    makeFileAt(dir, "bottom", 0600);
    ::close(dir);

    const ProcessResult run = vosker({"reset", "-deep", top});
    QCOMPARE(run.status, 0);
    QCOMPARE(lastLine(run.output), std::string("Reset 10,002 items"));
    // Every level, the deepest included, was reached.
    dir = ::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth; ++level) {
        struct stat st {};
        QCOMPARE(::fstatat(dir, "d", &st, AT_SYMLINK_NOFOLLOW), 0);
        QCOMPARE(st.st_mode & 07777, 0755u);
        const int next = ::openat(dir, "d", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
    }
    struct stat st {};
    QCOMPARE(::fstatat(dir, "bottom", &st, AT_SYMLINK_NOFOLLOW), 0);
    QCOMPARE(st.st_mode & 07777, 0644u);
    ::close(dir);
    // The sandbox can't remove what is deeper than a path can say.
    QCOMPARE(gw::test::runProcess({"rm", "-rf", top}).status, 0);
}

void VoskerDeepTest::aHundredThousandEntriesWithAHandfulOfDescriptors() {
    Sandbox box;
    const ScratchFolder scratch(box, "many");
    const std::string& top = scratch.path;
    fillWithFiles(top, 100);
    // A low limit proves the bound; the samples say how many it really used.
    const auto [peak, status] = peakDescriptors(
        {"/usr/bin/prlimit", "--nofile=16", "--", VOSKER_PATH, "reset", "-deep", top});
    QCOMPARE(status, 0);
    qInfo("at most %d descriptors open while 100,101 entries were reset", peak);
    QVERIFY(peak <= 16);
    QCOMPARE(gw::test::modeOf(top + "/f99/999"), 0644u);
    QCOMPARE(gw::test::modeOf(top + "/f0"), 0755u);
}

void VoskerDeepTest::aFailingEntryIsReportedAndTheRestIsReset() {
    if (!gw::test::runningAsRoot())
        QSKIP("needs root to lock a file an ordinary user then meets");
    Sandbox box;
    const std::string top = box.folder("tree", 0700);
    const std::string locked = box.file("tree/locked", "x", 0666);
    const std::string other = box.file("tree/other", "x", 0666);
    for (const auto& path : {top, locked, other})
        ::chown(path.c_str(), 65534, 65534);
    if (!gw::test::setImmutable(locked, true))
        QSKIP("this file system has no immutable flag");
    const ProcessResult run = gw::test::runProcess(
        gw::test::asNobody({VOSKER_PATH, "reset", "-deep", "-username", "nobody", top}));
    gw::test::setImmutable(locked, false);
    QCOMPARE(run.status, 1);
    QVERIFY2(
        run.output.find("error: " + locked + ": Unable to remove file lock") != std::string::npos,
        run.output.c_str());
    QCOMPARE(lastLine(run.output), std::string("Reset 2 items, 1 failed"));
    QCOMPARE(gw::test::modeOf(other), 0644u);
    QCOMPARE(gw::test::modeOf(top), 0755u);
    QCOMPARE(gw::test::modeOf(locked), 0666u);
}

void VoskerDeepTest::progressAndAReaderThatGoesAway() {
    Sandbox box;
    const ScratchFolder scratch(box, "many");
    const std::string& top = scratch.path;
    fillWithFiles(top, 20);
    // Read to the end: lines that count up to the total.
    const ProcessResult whole = vosker({"reset", "-deep", "-progress", top});
    QCOMPARE(whole.status, 0);
    QVERIFY2(whole.output.rfind("progress 0 20021\n", 0) == 0, whole.output.c_str());
    QVERIFY(whole.output.find("progress 20021 20021\nReset 20,021 items\n") != std::string::npos);

    // A reader that leaves after the first line: the walk stops between two
    // entries, well before the end.
    for (int folder = 0; folder < 20; ++folder)
        ::chmod((top + "/f" + std::to_string(folder)).c_str(), 0700);
    int pipeFds[2];
    QCOMPARE(::pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string path = VOSKER_PATH;
    char* args[] = {const_cast<char*>(path.c_str()), const_cast<char*>("reset"),
                    const_cast<char*>("-deep"),      const_cast<char*>("-progress"),
                    const_cast<char*>(top.c_str()),  nullptr};
    pid_t pid = -1;
    QCOMPARE(posix_spawn(&pid, args[0], &actions, nullptr, args, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    char first[64] = {};
    QVERIFY(::read(pipeFds[0], first, sizeof first - 1) > 0);
    ::close(pipeFds[0]);
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 1);
    int untouched = 0;
    for (int folder = 0; folder < 20; ++folder)
        untouched += gw::test::modeOf(top + "/f" + std::to_string(folder)) == 0700u;
    QVERIFY2(untouched > 10, "the walk went on after its reader had gone");
}

namespace {

// What the tools a user trusts say about a tree: owner, group and mode,
// ACLs, user attributes and lock flags of every entry.
std::string dumpOf(const std::string& top) {
    const std::string script =
        "cd '" + top +
        "' && find . | sort | xargs -d '\\n' stat -c '%u %g %a %n' && "
        "getfacl -R --absolute-names . 2>/dev/null; getfattr -R -d -m '^user\\.' "
        "--absolute-names . 2>/dev/null; lsattr -R . 2>/dev/null; true";
    return gw::test::runProcess({"sh", "-c", script}).output;
}

// Vosker with its snapshots kept in `state` (a run as root keeps them in
// root's own folder whatever it is told).
ProcessResult voskerWithState(const std::string& state, const std::vector<std::string>& argv) {
    std::vector<std::string> env{"env", "XDG_STATE_HOME=" + state, VOSKER_PATH};
    env.insert(env.end(), argv.begin(), argv.end());
    return gw::test::runProcess(env);
}

}  // namespace

void VoskerDeepTest::undoPutsBackExactlyWhatWasThere() {
    Sandbox box;
    const std::string top = box.folder("mixed", 0750);
    // 1,000 entries of every kind a reset changes.
    for (int folder = 0; folder < 20; ++folder) {
        const std::string dir = "mixed/d" + std::to_string(folder);
        box.folder(dir, folder % 3 ? 0700 : 0775);
        if (folder % 4 == 0)
            gw::test::runProcess({"setfacl", "-d", "-m", "u:65534:rx", box.path(dir)});
        for (int file = 0; file < 49; ++file) {
            const std::string path =
                box.file(dir + "/f " + std::to_string(file) + ".txt", "x", file % 2 ? 0600 : 0664);
            if (file % 5 == 0)
                gw::test::addAclEntry(path, 65534, "rw-");
            if (file % 7 == 0)
                gw::test::setXattr(path, "tag", "value with\nnewline and \xff byte");
            if (file % 9 == 0)
                gw::test::setXattr(path, "com.apple.quarantine", "0081;x;y;");
            if (file % 11 == 0 && gw::test::runningAsRoot())
                ::chown(path.c_str(), 65534, 65534);
            if (file % 13 == 0)
                gw::test::setImmutable(path, true);
        }
    }
    box.link("mixed/link", "/etc/hostname");
    const std::string before = dumpOf(top);
    const std::string state = box.folder("state", 0700);
    const auto withState = [&](const std::vector<std::string>& argv) {
        return voskerWithState(state, argv);
    };
    // As root the snapshots of every run share root's folder: a name of its own.
    const std::string name = "test-" + std::to_string(::getpid()) + "-mixed";
    const ProcessResult reset = withState({"reset", "-deep", "-snapshot", name, top});
    QCOMPARE(reset.status, 0);
    QVERIFY(dumpOf(top) != before);
    const ProcessResult restore = withState({"restore", name});
    QVERIFY2(restore.status == 0, restore.output.c_str());
    QCOMPARE(lastLine(restore.output), std::string("Restored 1,002 items"));
    QCOMPARE(dumpOf(top), before);
    // As an ordinary user the snapshot is kept in the user's own state folder.
    if (!gw::test::runningAsRoot()) {
        QCOMPARE(gw::test::modeOf(state + "/grantwell/undo"), 0700u);
        QCOMPARE(gw::test::modeOf(state + "/grantwell/undo/" + name), 0600u);
    }
    for (int folder = 0; folder < 20; ++folder) {
        for (int file = 0; file < 49; file += 13)
            gw::test::setImmutable(box.path("mixed/d" + std::to_string(folder) + "/f " +
                                            std::to_string(file) + ".txt"),
                                   false);
    }
}

void VoskerDeepTest::undoSkipsWhatWasReplacedAndTakesOnlyNames() {
    Sandbox box;
    const std::string top = box.folder("tree", 0700);
    const std::string kept = box.file("tree/kept", "x", 0600);
    const std::string swapped = box.file("tree/swapped", "x", 0600);
    const std::string state = box.folder("state", 0700);
    const auto withState = [&](const std::vector<std::string>& argv) {
        return voskerWithState(state, argv);
    };
    const std::string name = "test-" + std::to_string(::getpid()) + "-replaced";
    QCOMPARE(withState({"reset", "-deep", "-snapshot", name, top}).status, 0);
    // Replaced since: another inode under the same name is not touched.
    ::unlink(swapped.c_str());
    box.file("tree/swapped", "new", 0640);
    const ProcessResult restore = withState({"restore", name});
    QCOMPARE(restore.status, 0);
    QVERIFY2(restore.output.find("Skipped: " + swapped + " (it was replaced since the reset)") !=
                 std::string::npos,
             restore.output.c_str());
    QCOMPARE(gw::test::modeOf(kept), 0600u);
    QCOMPARE(gw::test::modeOf(swapped), 0640u);
    // A name, never a path; a snapshot is never overwritten.
    for (const std::string bad : {"../x", "/etc/passwd", ".", "a b", ""}) {
        const ProcessResult refused = withState({"restore", bad});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.output.find("is not letters, digits") != std::string::npos,
                 refused.output.c_str());
    }
    const ProcessResult again = withState({"reset", "-snapshot", name, kept});
    QCOMPARE(again.status, 1);
    QCOMPARE(gw::test::modeOf(kept), 0600u);  // nothing changed without a record
}

QTEST_GUILESS_MAIN(VoskerDeepTest)
#include "tst_vosker_deep.moc"
