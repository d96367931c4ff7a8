// The reset end to end: the real Vosker on real files with the event loop
// running. The helper's first run is made as the unprivileged account, as
// an ordinary user's would be; the substitute elevation program stands in
// for pkexec and marks its runs, which then run as root.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/controller/reset_controller.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/item_changes.h"
#include "support/controller_fixture.h"
#include "support/elevation.h"
#include "support/process_runner.h"
#include "support/recording_alerts.h"
#include "support/scripted_panels.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::controller::controllerProgressState;
using gw::controller::ProgressMessage;
using gw::controller::ResetController;
using gw::test::SubstituteElevation;

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kResetTimeoutMs = 10000;

// A path no shell or script should ever split.
const std::string kHostileName = "sp ace 'q' \"d\" $HOME `id` back\\slash\nnew line \xff";

std::string writeScript(const QTemporaryDir& dir, const char* name, const std::string& body) {
    std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
    return path;
}

void giveToNobody(const std::string& path) {
    QCOMPARE(::lchown(path.c_str(), kNobody, kNobody), 0);
}

}  // namespace

class ResetFlowTest : public QObject {
    Q_OBJECT
    QTemporaryDir tools_;
    gw::test::ControllerFixture fixture_;
    gw::test::ScriptedPanels& panels_ = fixture_.panels;
    gw::test::RecordingAlerts alerts_;
    std::unique_ptr<gw::test::Sandbox> sandbox_;
    std::string helper_;    // Vosker: as nobody, or as root when elevated
    std::string recorder_;  // records its arguments; fails unless elevated
    std::string copier_;    // cp as nobody, as the user's copy would be made
    std::string argumentLog_;

    std::unique_ptr<ResetController> makeController(const std::string& helper) {
        return std::make_unique<ResetController>(fixture_.services(helper, copier_, u"nobody"_s));
    }
    // Every progress pair the panel showed, in order.
    static std::shared_ptr<std::vector<ProgressMessage>> progressLog(ResetController& controller) {
        auto log = std::make_shared<std::vector<ProgressMessage>>();
        QObject::connect(
            &controller, &ResetController::progressDisplayMessageChanged, &controller,
            [log, &controller]() { log->push_back(controller.progressDisplayMessage()); });
        return log;
    }
    static bool showed(const std::vector<ProgressMessage>& log, const ProgressMessage& message) {
        return std::find(log.begin(), log.end(), message) != log.end();
    }
    static void waitForOutcome(ResetController& controller) {
        QTRY_VERIFY_WITH_TIMEOUT(controller.progressState() != controllerProgressState::working,
                                 kResetTimeoutMs);
    }
    // The argument lists the recorder was run with, in order.
    std::vector<std::vector<std::string>> recordedRuns() const {
        std::ifstream in(argumentLog_, std::ios::binary);
        std::vector<std::vector<std::string>> runs(1);
        std::string argument;
        while (std::getline(in, argument, '\0')) {
            if (argument == "--end--") {
                runs.emplace_back();
            } else {
                runs.back().push_back(argument);
            }
        }
        runs.pop_back();
        return runs;
    }

  private Q_SLOTS:
    void initTestCase() {
        if (!gw::test::runningAsRoot()) {
            QSKIP("the flow needs root to act as both the user and the administrator");
        }
        ::chmod(tools_.path().toLocal8Bit().constData(), 0755);
        const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        helper_ = writeScript(tools_, "vosker",
                              "[ -n \"$GRANTWELL_TEST_ELEVATED\" ] && exec '" VOSKER_PATH
                              "' \"$@\"\n"
                              "exec " +
                                  asNobody + "'" VOSKER_PATH "' \"$@\"\n");
        argumentLog_ = tools_.filePath(u"arguments"_s).toStdString();
        recorder_ =
            writeScript(tools_, "recorder",
                        "printf '%s\\0' \"$@\" --end-- >> '" + argumentLog_ +
                            "'\n"
                            "[ -n \"$GRANTWELL_TEST_ELEVATED\" ] && exit 0\n"
                            "echo 'error: Permissions Error: Operation not permitted'\nexit 1\n");
        copier_ = writeScript(tools_, "copier", "exec " + asNobody + "cp \"$@\"\n");
    }
    void init() {
        fixture_.freshSettings();
        sandbox_ = std::make_unique<gw::test::Sandbox>();
        alerts_.clear();
        std::remove(argumentLog_.c_str());
    }

    void argumentsFollowTheOptions_data() {
        QTest::addColumn<bool>("nested");
        QTest::addColumn<bool>("acls");
        QTest::addColumn<bool>("attributes");
        QTest::addColumn<QStringList>("options");
        // Literal rows: the expectation must not repeat the code's conditionals.
        QTest::newRow("defaults") << false << true << true << QStringList{};
        QTest::newRow("nested") << true << true << true << QStringList{u"-deep"_s};
        QTest::newRow("keep ACLs") << false << false << true << QStringList{u"-preserveACLs"_s};
        QTest::newRow("keep attributes")
            << false << true << false << QStringList{u"-preserveAttributes"_s};
        QTest::newRow("keep both")
            << false << false << false << QStringList{u"-preserveACLs"_s, u"-preserveAttributes"_s};
        QTest::newRow("all three")
            << true << false << false
            << QStringList{u"-deep"_s, u"-preserveACLs"_s, u"-preserveAttributes"_s};
    }
    void argumentsFollowTheOptions() {
        QFETCH(bool, nested);
        QFETCH(bool, acls);
        QFETCH(bool, attributes);
        QFETCH(QStringList, options);
        auto controller = makeController(helper_);
        controller->setResetNestedItems(nested);
        controller->setResetACLs(acls);
        controller->setResetAttributes(attributes);
        QStringList arguments;
        for (const auto& argument : controller->helperArguments()) {
            arguments << QString::fromStdString(argument);
        }
        QCOMPARE(arguments, QStringList({u"reset"_s, u"-username"_s, u"nobody"_s}) + options);
    }

    void usersOwnFileNeedsOneRun() {
        const std::string path = sandbox_->file("own file", "x", 0600);
        QVERIFY(gw::test::setXattr(path, "note", "dropped"));
        giveToNobody(path);
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        auto controller = makeController(helper_);
        controller->loadFile(path);
        auto log = progressLog(*controller);
        controller->resetPermissions();
        QCOMPARE(controller->progressState(), controllerProgressState::working);
        QVERIFY(controller->progressShow());
        QVERIFY(controller->isMonitoringPaused());
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        QCOMPARE(controller->progressDisplayMessage(),
                 (ProgressMessage{u"Grantwell Completed"_s, u"own file"_s}));
        QCOMPARE(log->front(),
                 (ProgressMessage{u"Resetting file permissions..."_s, u"own file"_s}));
        QVERIFY(elevation.receivedCommands().empty());
        QCOMPARE(gw::test::modeOf(path), 0644U);
        QVERIFY(gw::test::userXattrs(path).empty());
        QTRY_VERIFY(controller->info().other.read);  // the record was refreshed
        QVERIFY(!controller->isMonitoringPaused());
        QVERIFY(controller->progressShow());
        QTRY_VERIFY(alerts_.beeps() >= 1);
    }

    // A folder and everything in it: the count beside the switch, the panel
    // counting up to it, every entry reset.
    void aFolderAndEverythingInIt() {
        const std::string top = sandbox_->folder("tree", 0700);
        giveToNobody(top);
        for (int i = 0; i < 300; ++i) {
            const std::string file = sandbox_->file("tree/f" + std::to_string(i), "x", 0600);
            giveToNobody(file);
        }
        auto controller = makeController(helper_);
        controller->loadFile(top);
        QTRY_COMPARE(controller->enclosedItems(), std::optional<quint64>(301));
        controller->setResetNestedItems(true);
        auto log = progressLog(*controller);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        QVERIFY(showed(*log, {u"Resetting file permissions..."_s, u"301 of 301"_s}));
        QCOMPARE(controller->progressFraction(), std::optional<double>(1.0));
        QCOMPARE(gw::test::modeOf(top), 0755U);
        QCOMPARE(gw::test::modeOf(sandbox_->path("tree/f299")), 0644U);
    }

    // Cancel stops the walk between two entries and says how far it got;
    // no administrator is asked.
    void cancelStopsAFolderWalk() {
        const std::string disk = sandbox_->folder("disk", 0755);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64m,nr_inodes=100k,mode=755") != 0)
            QSKIP("no tmpfs to build a large tree on quickly");
        // Unmounted however the test ends, or the sandbox can't be removed.
        const std::unique_ptr<const char, void (*)(const char*)> unmount(
            disk.c_str(), [](const char* path) { ::umount2(path, MNT_DETACH); });
        const std::string top = disk + "/tree";
        ::mkdir(top.c_str(), 0700);
        giveToNobody(top);
        for (int folder = 0; folder < 40; ++folder) {
            const std::string dir = top + "/d" + std::to_string(folder);
            ::mkdir(dir.c_str(), 0700);
            giveToNobody(dir);
            for (int file = 0; file < 1000; ++file) {
                const std::string path = dir + "/" + std::to_string(file);
                ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
                giveToNobody(path);
            }
        }
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        auto controller = makeController(helper_);
        controller->loadFile(top);
        controller->setResetNestedItems(true);
        controller->resetPermissions();
        QTRY_VERIFY_WITH_TIMEOUT(controller->progressFraction().has_value(), kResetTimeoutMs);
        controller->progressCancelPressed();
        waitForOutcome(*controller);
        const ProgressMessage shown = controller->progressDisplayMessage();
        int untouched = 0;
        for (int folder = 0; folder < 40; ++folder)
            untouched += gw::test::modeOf(top + "/d" + std::to_string(folder)) == 0700U;
        QCOMPARE(controller->progressState(), controllerProgressState::error);
        QVERIFY2(shown.detail.startsWith(u"Stopped after "_s), qPrintable(shown.detail));
        QVERIFY(shown.detail.endsWith(u" of 40,041 items"_s));
        QVERIFY(untouched > 0);
        QVERIFY(elevation.receivedCommands().empty());
    }

    void escalationSucceeds() {
        const std::string path = sandbox_->file("root's file", "x", 0600);
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        auto controller = makeController(helper_);
        controller->loadFile(path);
        auto log = progressLog(*controller);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        QVERIFY(showed(
            *log, {u"First attempt failed"_s, u"Attempting again with privilege escalation"_s}));
        QCOMPARE(elevation.receivedCommands().size(), 1U);
        QCOMPARE(gw::test::ownerOf(path), kNobody);
        QCOMPARE(gw::test::modeOf(path), 0644U);
        QVERIFY(panels_.saveRequests.empty());
        QVERIFY(!controller->isMonitoringPaused());
    }

    // Undo puts back what the reset changed, with the rights the reset had:
    // the user's own for the user's file, the administrator's for root's.
    void undoTakesTheResetBack() {
        const std::string state = sandbox_->folder("state", 0700);
        giveToNobody(state);
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        const std::string own = sandbox_->file("own", "x", 0660);
        QVERIFY(gw::test::setXattr(own, "note", "kept"));
        giveToNobody(own);
        auto controller = makeController(helper_);
        QSignalSpy undoable(controller.get(), &ResetController::undoAvailableChanged);
        controller->loadFile(own);
        QVERIFY(!controller->undoAvailable());
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(gw::test::modeOf(own), 0644U);
        QVERIFY(controller->undoAvailable());
        controller->undoReset();
        QTRY_VERIFY_WITH_TIMEOUT(!controller->undoAvailable(), kResetTimeoutMs);
        QCOMPARE(gw::test::modeOf(own), 0660U);
        QCOMPARE(gw::test::userXattrs(own), std::vector<std::string>{"note"});
        QTRY_COMPARE(controller->info().group.write, true);  // the record was read again

        const std::string roots = sandbox_->file("root's", "x", 0600);
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        controller->loadFile(roots);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(gw::test::ownerOf(roots), kNobody);
        controller->undoReset();
        QTRY_VERIFY_WITH_TIMEOUT(!controller->undoAvailable(), kResetTimeoutMs);
        QCOMPARE(gw::test::ownerOf(roots), 0U);
        QCOMPARE(gw::test::modeOf(roots), 0600U);
        const auto commands = elevation.receivedCommands();
        QCOMPARE(commands.size(), 2U);
        QCOMPARE(commands.back().size(), 3U);
        QCOMPARE(commands.back()[1], std::string("restore"));
        ::unsetenv("XDG_STATE_HOME");
        QVERIFY(alerts_.requests().empty());
    }

    // A dismissed prompt, or nobody to ask: the panel says which, no copy is
    // offered, and the item is as it was.
    void escalationEndsWithoutACopy_data() {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("reason");
        QTest::newRow("dismissed")
            << int(SubstituteElevation::Behaviour::Dismiss) << u"Cancelled by customer"_s;
        QTest::newRow("no agent") << int(SubstituteElevation::Behaviour::NoAgent)
                                  << u"No administrator prompt is available: no polkit "
                                     u"authentication agent is running"_s;
    }
    void escalationEndsWithoutACopy() {
        QFETCH(int, behaviour);
        QFETCH(QString, reason);
        const std::string path = sandbox_->file("root's file", "x", 0600);
        SubstituteElevation elevation(static_cast<SubstituteElevation::Behaviour>(behaviour));
        auto controller = makeController(helper_);
        controller->loadFile(path);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::error);
        QCOMPARE(controller->progressDisplayMessage(),
                 (ProgressMessage{u"Unable to reset the permissions"_s, reason}));
        QVERIFY(panels_.saveRequests.empty());
        QCOMPARE(gw::test::ownerOf(path), 0U);
        QVERIFY(!controller->isMonitoringPaused());
    }

    // Both runs fail: the copy at a new place is made with the user's
    // rights and reset without another prompt.
    void escalationFailsAndTheCopyIsReset() {
        // Readable, so the user can copy it, but not the user's to reset.
        const std::string path = sandbox_->file("report.txt", "content", 0604);
        const std::string destination = sandbox_->folder("elsewhere", 0755);
        giveToNobody(destination);
        const std::string copy = destination + "/report copy.txt";
        panels_.answers = {copy};
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Fail);
        auto controller = makeController(helper_);
        controller->loadFile(path);
        auto log = progressLog(*controller);
        QSignalSpy panelShown(controller.get(), &ResetController::newLocationPanelShown);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        QVERIFY(showed(*log, {u"Authorized attempt failed"_s,
                              u"Please select a different location to attempt the next reset."_s}));
        QCOMPARE(panels_.saveRequests.size(), 1U);
        const auto& request = panels_.saveRequests.front();
        QCOMPARE(request.prompt, u"Choose"_s);
        QCOMPARE(request.name, u"report.txt"_s);
        QCOMPARE(request.folder + "/report.txt", path);
        QCOMPARE(request.requiredExtension, u"txt"_s);
        QVERIFY(request.message.startsWith(
            u"Grantwell wasn't able to reset the permissions at that location"_s));
        QCOMPARE(panelShown.count(), 2);

        QCOMPARE(controller->info().url, std::optional<std::string>(copy));
        QCOMPARE(controller->progressDisplayMessage(),
                 (ProgressMessage{u"Grantwell Completed"_s, u"report copy.txt"_s}));
        QCOMPARE(gw::test::ownerOf(copy), kNobody);
        QCOMPARE(gw::test::modeOf(copy), 0644U);
        QCOMPARE(gw::test::modeOf(path), 0604U);  // the original is left as it was
        QCOMPARE(gw::test::ownerOf(path), 0U);
        QVERIFY(!controller->isMonitoringPaused());
    }

    void hostilePathReachesVoskerAsOneArgument() {
        const std::string path = sandbox_->file(kHostileName);
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        auto controller = makeController(recorder_);
        controller->loadFile(path);
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        const auto runs = recordedRuns();
        QCOMPARE(runs.size(), 2U);
        struct stat st {};
        QCOMPARE(::lstat(path.c_str(), &st), 0);
        // The inode the window showed goes with the path, in both runs.
        // Each run records what it changes, under a name of the window's.
        QVERIFY(runs[0].size() > 4 && runs[0][3] == "-snapshot");
        const std::vector<std::string> expected{
            "reset",
            "-username",
            "nobody",
            "-snapshot",
            runs[0][4],
            "-identity",
            std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino),
            path};
        QCOMPARE(runs[0], expected);
        QCOMPARE(runs[1], expected);
    }

    void copyCarriesWhatTheOptionsKeep_data() {
        QTest::addColumn<bool>("acls");
        QTest::addColumn<bool>("attributes");
        QTest::addColumn<bool>("quarantineKept");
        QTest::addColumn<bool>("aclKept");
        QTest::addColumn<bool>("attributeKept");
        QTest::newRow("defaults") << true << true << false << false << false;
        QTest::newRow("both off") << false << false << true << true << true;
        // The quarantine record goes with the ACLs, even when the rest goes.
        QTest::newRow("keep ACLs") << false << true << true << true << false;
        QTest::newRow("keep attributes") << true << false << false << false << true;
    }
    void copyCarriesWhatTheOptionsKeep() {
        QFETCH(bool, acls);
        QFETCH(bool, attributes);
        QFETCH(bool, quarantineKept);
        QFETCH(bool, aclKept);
        QFETCH(bool, attributeKept);
        const std::string path = sandbox_->file("marked.txt", "x", 0644);
        giveToNobody(path);
        if (!gw::test::setXattr(path, "com.apple.quarantine", "0081;00000000;Safari;") ||
            !gw::test::setXattr(path, "xdg.origin.url", "https://example.com/") ||
            !gw::test::addAclEntry(path, 0, "r")) {
            QSKIP("this file system has no user attributes or ACLs");
        }
        const std::string destination = sandbox_->folder("to", 0755);
        giveToNobody(destination);
        const std::string copy = destination + "/marked.txt";
        panels_.answers = {copy};
        // A helper that changes nothing shows the copy as made.
        auto controller = makeController("/bin/true");
        controller->setResetACLs(acls);
        controller->setResetAttributes(attributes);
        controller->loadFile(path);
        controller->resetAtNewLocation();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressState(), controllerProgressState::complete);
        const auto names = gw::test::userXattrs(copy);
        const auto has = [&](const char* name) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        QCOMPARE(has("com.apple.quarantine"), quarantineKept);
        QCOMPARE(has("xdg.origin.url"), attributeKept);
        QCOMPARE(gw::test::aclText(copy).find("u:0:r") != std::string::npos, aclKept);
    }

    void cancelledPanelEndsTheReset() {
        const std::string path = sandbox_->file("kept");
        auto controller = makeController(helper_);
        controller->loadFile(path);
        panels_.answers = {std::nullopt};
        controller->resetAtNewLocation();
        QVERIFY(controller->isMonitoringPaused());
        waitForOutcome(*controller);
        QCOMPARE(
            controller->progressDisplayMessage(),
            (ProgressMessage{u"Unable to reset the permissions"_s, u"Cancelled by customer"_s}));
        QCOMPARE(controller->progressState(), controllerProgressState::error);
        QVERIFY(controller->hasFileTracker());
        QVERIFY(!controller->isMonitoringPaused());
        QTRY_VERIFY(alerts_.beeps() >= 1);
    }

    void helperProblems_data() {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << u"/nonexistent/Vosker"_s
                                 << u"Couldn't find the helper process"_s;
        QTest::newRow("can't start")
            << u"broken"_s << u"Couldn't run helper: No such file or directory"_s;
    }
    void helperProblems() {
        QFETCH(QString, helper);
        QFETCH(QString, reason);
        std::string program = helper.toStdString();
        if (helper == u"broken"_s) {
            program = tools_.filePath(u"broken"_s).toStdString();
            std::ofstream(program) << "#!/nonexistent/interpreter\n";
            ::chmod(program.c_str(), 0755);
        }
        auto controller = makeController(program);
        controller->loadFile(sandbox_->file("item"));
        controller->resetPermissions();
        waitForOutcome(*controller);
        QCOMPARE(controller->progressDisplayMessage(),
                 (ProgressMessage{u"Unable to reset the permissions"_s, reason}));
    }

    void noItemNoReset() {
        auto controller = makeController(helper_);
        controller->resetPermissions();
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QCOMPARE(alerts_.requests().front().messageText, u"Unable to reset the permissions"_s);
        QVERIFY(alerts_.requests().front().informativeText.startsWith(u"File is invalid\n"_s));
        QVERIFY(!controller->progressShow());
        QCOMPARE(controller->progressState(), controllerProgressState::idle);
    }
};

QTEST_MAIN(ResetFlowTest)
#include "tst_reset_flow.moc"
