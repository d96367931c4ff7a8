// The controller on real files with the event loop running; panels, alerts
// and the elevation program replaced.
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/controller/owner_change_sheet.h"
#include "app/controller/reset_controller.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/item_changes.h"
#include "support/controller_fixture.h"
#include "support/elevation.h"
#include "support/process_runner.h"
#include "support/recording_alerts.h"
#include "support/scripted_access_facts.h"
#include "support/scripted_panels.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::controller::controllerProgressState;
using gw::controller::OwnerChangeSheet;
using gw::controller::ProgressMessage;
using gw::controller::ResetController;
using gw::test::SubstituteElevation;
namespace watch_event = gw::platform::watch_event;

namespace {

// Long enough for the half-second coalescing and the queued refresh.
constexpr int kRefreshWaitMs = 900;

QString systemMessage(int code) {
    return QString::fromLocal8Bit(::strerror(code));
}

// The user's own rights, as an ordinary user has them: the lock is refused.
class LockRefusingChanges final : public gw::platform::ItemChanges {
  public:
    explicit LockRefusingChanges(gw::platform::ItemChanges& real) : real_(real) {}
    gw::platform::Status setPermissions(const std::string& path, mode_t mode) override {
        return real_.setPermissions(path, mode);
    }
    gw::platform::Result<std::optional<bool>> userImmutable(const std::string& path) override {
        return real_.userImmutable(path);
    }
    gw::platform::Status setUserImmutable(const std::string&, bool) override {
        return gw::platform::SysError::fromErrno(EPERM);
    }
    gw::platform::Result<std::string> resolveLinks(const std::string& path) override {
        return real_.resolveLinks(path);
    }

  private:
    gw::platform::ItemChanges& real_;
};

std::string identityOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

}  // namespace

class ResetControllerTest : public QObject {
    Q_OBJECT
    gw::test::ControllerFixture fixture_;
    gw::test::ScriptedPanels& panels_ = fixture_.panels;
    gw::test::RecordingAlerts alerts_;
    std::unique_ptr<gw::test::Sandbox> sandbox_;

    std::unique_ptr<ResetController> makeController() {
        return std::make_unique<ResetController>(fixture_.services());
    }
    // Counts published records from now on.
    static std::unique_ptr<QSignalSpy> refreshes(ResetController& controller) {
        return std::make_unique<QSignalSpy>(&controller, &ResetController::infoChanged);
    }
    void outsideChmod(const std::string& path, const char* mode) {
        QCOMPARE(gw::test::runProcess({"chmod", mode, path}).status, 0);
    }
    bool sawAlert(const QString& title) const {
        for (const auto& alert : alerts_.requests()) {
            if (alert.messageText == title) {
                return true;
            }
        }
        return false;
    }

  private Q_SLOTS:
    void init() {
        fixture_.freshSettings();
        sandbox_ = std::make_unique<gw::test::Sandbox>();
        alerts_.clear();
    }

    void freshControllerAndOptions() {
        auto controller = makeController();
        QCOMPARE(controller->mainString(), u"Grantwell 3"_s);
        QCOMPARE(controller->progressDisplayMessage(),
                 (ProgressMessage{u"Nothing to see"_s, u"Move along please"_s}));
        QCOMPARE(controller->progressState(), controllerProgressState::idle);
        QVERIFY(!controller->progressShow());
        QVERIFY(!controller->fileDetailsShow());
        QVERIFY(!controller->info().url);
        QVERIFY(!controller->hasFileTracker());
        QCOMPARE(controller->resetNestedItems(), false);
        QCOMPARE(controller->resetAttributes(), true);
        QCOMPARE(controller->resetACLs(), true);

        QSignalSpy changed(controller.get(), &ResetController::resetACLsChanged);
        controller->setResetACLs(false);
        QCOMPARE(changed.count(), 1);
        QSettings reread(fixture_.settings().fileName(), QSettings::IniFormat);
        QCOMPARE(reread.value(u"ResetController.resetACLs"_s).toBool(), false);
        QCOMPARE(makeController()->resetACLs(), false);
    }

    void loadingDecidesOnMonitoring_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("monitored");
        QTest::newRow("file") << QByteArray("file") << true;
        QTest::newRow("folder") << QByteArray("folder") << false;
        QTest::newRow("fifo") << QByteArray("fifo") << false;
        QTest::newRow("dangling link") << QByteArray("link") << false;
    }
    void loadingDecidesOnMonitoring() {
        QFETCH(QByteArray, kind);
        QFETCH(bool, monitored);
        std::string path;
        if (kind == "file")
            path = sandbox_->file("item name");
        if (kind == "folder")
            path = sandbox_->folder("item name");
        if (kind == "fifo")
            path = sandbox_->fifo("item name");
        if (kind == "link")
            path = sandbox_->link("item name", "nowhere");
        auto controller = makeController();
        // Whatever was monitored before goes with the item it belonged to.
        controller->loadFile(sandbox_->file("previous"));
        QVERIFY(controller->hasFileTracker());
        controller->loadFile(path);
        QCOMPARE(controller->hasFileTracker(), monitored);
        QCOMPARE(controller->mainString(), u"item name"_s);
        QCOMPARE(controller->info().url, std::optional<std::string>(path));
        QTRY_VERIFY(controller->fileDetailsShow());
        QVERIFY(alerts_.requests().empty());
    }

    void outsideChangesRefreshOnce() {
        const std::string path = sandbox_->file("watched", "", 0644);
        auto controller = makeController();
        controller->loadFile(path);
        auto spy = refreshes(*controller);
        outsideChmod(path, "640");
        QTest::qWait(50);
        outsideChmod(path, "600");
        QTest::qWait(kRefreshWaitMs);
        QCOMPARE(spy->count(), 1);
        QVERIFY(!controller->info().group.read);
        // The refresh itself is not a change.
        QTest::qWait(kRefreshWaitMs);
        QCOMPARE(spy->count(), 1);
    }

    void eventsWithoutADateChangeRefreshNothing() {
        const std::string path = sandbox_->file("quiet");
        auto controller = makeController();
        controller->loadFile(path);
        auto spy = refreshes(*controller);
        controller->handleFileSystemEvent(watch_event::kAttributes);
        controller->handleFileSystemEvent(watch_event::kWrite);
        QTest::qWait(kRefreshWaitMs);
        QCOMPARE(spy->count(), 0);
    }

    void clearingDuringAPendingRefresh() {
        const std::string path = sandbox_->file("cleared");
        auto controller = makeController();
        controller->loadFile(path);
        outsideChmod(path, "644");
        QTest::qWait(150);
        controller->clearFile();
        QTest::qWait(kRefreshWaitMs);
        QVERIFY(!controller->info().url);
        QCOMPARE(controller->info().name, u"Unknown"_s);
        QCOMPARE(controller->mainString(), u"Grantwell"_s);
        QVERIFY(!controller->fileDetailsShow());
        QVERIFY(!controller->hasFileTracker());
    }

    void monitorCreatedDuringAResetWaitsForItsEnd() {
        const std::string first = sandbox_->file("first");
        const std::string second = sandbox_->file("second", "", 0600);
        auto controller = makeController();
        controller->loadFile(first);
        controller->suspendMonitoringForReset();
        controller->loadFile(second);
        auto spy = refreshes(*controller);
        outsideChmod(second, "644");
        QTest::qWait(kRefreshWaitMs);
        QCOMPARE(spy->count(), 0);
        controller->resumeMonitoringAfterReset();
        QTRY_COMPARE_WITH_TIMEOUT(spy->count(), 1, 2000);
        QVERIFY(controller->info().other.read);
    }

    void choosingAFile() {
        const std::string path = sandbox_->file("chosen");
        auto controller = makeController();
        panels_.answers = {std::nullopt, path};
        controller->chooseFile();
        QTest::qWait(50);
        QVERIFY(!controller->info().url);
        controller->chooseFile();
        QTRY_COMPARE(controller->info().url, std::optional<std::string>(path));
        QCOMPARE(panels_.openPanels, 2);
    }

    void togglingPermissionBits() {
        const std::string path = sandbox_->file("bits", "", 0644);
        auto controller = makeController();
        controller->loadFile(path);
        controller->manuallyTogglePermission(2U << 6);
        QCOMPARE(gw::test::modeOf(path), 0444U);
        QTRY_VERIFY(!controller->info().owner.write);
        controller->manuallyTogglePermission(2U << 6);
        QCOMPARE(gw::test::modeOf(path), 0644U);
        QTRY_VERIFY(controller->info().owner.write);
        QVERIFY(alerts_.requests().empty());

        // The mode is the record's nine bits: special bits on disk don't survive.
        ::chmod(path.c_str(), 04755);
        controller->reloadFile();
        controller->manuallyTogglePermission(4U);
        QCOMPARE(gw::test::modeOf(path), 0751U);

        // A shift past the mode gives no bit: the diagnostic alert, and the
        // same mode written back.
        controller->reloadFile();
        controller->manuallyTogglePermission(0);
        QTRY_VERIFY(sawAlert(u"Something went wrong"_s));
        QVERIFY(alerts_.requests().front().informativeText.startsWith(
            u"Probably a value, level combination doesn't match.\nFileInfo.manuallyTogglePermission(_:)\n\nVersion: "_s));
        QCOMPARE(gw::test::modeOf(path), 0751U);
    }

    void aDiskThatStoresNoPermissions() {
        const std::string path = sandbox_->file("on a stick", "", 0644);
        gw::test::ScriptedAccessFacts facts;
        gw::platform::StepFacts folder;
        folder.kind = gw::platform::FileKind::Directory;
        folder.mode = 0755;
        folder.mount = gw::platform::MountFacts{"/", "ext4", {}};
        gw::platform::StepFacts item;
        item.kind = gw::platform::FileKind::Regular;
        item.mode = 0644;
        item.mount =
            gw::platform::MountFacts{"/media/stick", "vfat", {"rw", "uid=0", "fmask=0022"}};
        facts.place(path, item, folder);
        fixture_.access = &facts;
        auto controller = makeController();
        fixture_.access = nullptr;
        controller->loadFile(path);
        QVERIFY(!controller->permissionsAreStored());
        const QString reason =
            u"This disk doesn't store permissions (vfat); they come from its mount options: "
            "uid=0, fmask=0022"_s;
        // Nothing is changed, and the user learns why.
        controller->manuallyTogglePermission(2U << 6);
        QCOMPARE(gw::test::modeOf(path), 0644U);
        QTRY_VERIFY(sawAlert(u"Unable to alter the permissions"_s));
        QCOMPARE(alerts_.requests().back().informativeText, reason);
        controller->toggleLock();
        QTRY_VERIFY(sawAlert(u"Unable to toggle file lock"_s));
        QVERIFY(!gw::test::isImmutable(path));
        QCOMPARE(controller->accessExplanation()->noPermissionSupport, std::optional(reason));
    }

    void togglingTheLock() {
        const std::string path = sandbox_->file("lockable");
        auto controller = makeController();
        controller->loadFile(path);
        controller->toggleLock();
        if (!gw::test::isImmutable(path)) {
            QSKIP("this file system has no immutable flag");
        }
        QTRY_COMPARE(controller->info().lockedUser, gw::inspection::variableValue::yes);
        controller->toggleLock();
        QVERIFY(!gw::test::isImmutable(path));
        QTRY_COMPARE(controller->info().lockedUser, gw::inspection::variableValue::no);

        // A link can't carry the lock: nothing is written, nothing fails.
        controller->loadFile(sandbox_->link("lockable link", path));
        controller->toggleLock();
        QTest::qWait(50);
        QVERIFY(alerts_.requests().empty());
        QVERIFY(!gw::test::isImmutable(path));
    }

    void refusalsOfAnOrdinaryUser() {
        if (gw::test::runningAsRoot()) {
            const auto run = gw::test::rerunAsNobody("refusalsOfAnOrdinaryUser");
            QVERIFY2(run.status == 0, (run.output + run.errors).c_str());
            return;
        }
        auto controller = makeController();
        controller->loadFile("/etc/passwd");
        const auto before = controller->info().owner;
        controller->manuallyTogglePermission(1U);
        QTRY_VERIFY(sawAlert(u"Unable to alter the permissions"_s));
        QCOMPARE(alerts_.requests().back().informativeText, systemMessage(EPERM));
        QVERIFY(alerts_.requests().back().critical && alerts_.requests().back().beep);
        QCOMPARE(controller->info().owner.write, before.write);

        alerts_.clear();
        controller->loadFile(sandbox_->file("mine"));
        controller->toggleLock();
        QTRY_VERIFY(sawAlert(u"Unable to toggle file lock"_s));
        QCOMPARE(alerts_.requests().back().informativeText, systemMessage(EPERM));

        // An item the user can't read is shown, unmonitored, without a word.
        alerts_.clear();
        controller->loadFile(sandbox_->file("unreadable", "", 0200));
        QVERIFY(!controller->hasFileTracker());
        QCOMPARE(controller->mainString(), u"unreadable"_s);
        QTest::qWait(50);
        QVERIFY(alerts_.requests().empty());
    }

    void findingTheOriginal() {
        const std::string target = sandbox_->file("target.txt");
        const std::string middle = sandbox_->link("middle", target);
        auto controller = makeController();
        controller->loadFile(sandbox_->link("outer", middle));
        controller->getOriginalFile();
        QCOMPARE(controller->info().url, std::optional<std::string>(target));

        const std::string dangling = sandbox_->link("dangling", "nowhere");
        controller->loadFile(dangling);
        controller->getOriginalFile();
        QTRY_VERIFY(sawAlert(u"Unable to find original file"_s));
        QVERIFY(
            alerts_.requests().back().informativeText.startsWith(systemMessage(ENOENT) + u'\n'));
        QCOMPARE(controller->info().url, std::optional<std::string>(dangling));

        alerts_.clear();
        const std::string loop = sandbox_->link("loop", "loop");
        controller->loadFile(loop);
        controller->getOriginalFile();
        QTRY_VERIFY(sawAlert(u"Unable to find original file"_s));
        QCOMPARE(controller->info().url, std::optional<std::string>(loop));

        // A plain file is not resolvable: nothing happens.
        alerts_.clear();
        controller->loadFile(target);
        controller->getOriginalFile();
        QTest::qWait(50);
        QVERIFY(alerts_.requests().empty());
    }

    void changingTheOwner() {
        if (!gw::test::runningAsRoot()) {
            QSKIP("the substitute runs the helper with this test's rights");
        }
        const std::string path = sandbox_->file("own'er $(id) `x` \"q\"\nnew line");
        auto controller = std::make_unique<ResetController>(fixture_.services(VOSKER_PATH));
        controller->loadFile(path);
        OwnerChangeSheet sheet(*controller);
        sheet.open();
        QVERIFY(sheet.shown());
        QCOMPARE(sheet.name(), u"root"_s);

        {
            SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
            sheet.setName(u"nobody; touch /tmp/gw-owner-pwned"_s);
            sheet.set();
            QTRY_VERIFY_WITH_TIMEOUT(sawAlert(u"Unable to change the file owner"_s), 5000);
            QCOMPARE(alerts_.requests().back().informativeText,
                     u"Error: 1 The administrator run failed: error: There is no user account "
                     u"named \"nobody; touch /tmp/gw-owner-pwned\""_s);
            QVERIFY(sheet.shown());
            QVERIFY(!QFile::exists(u"/tmp/gw-owner-pwned"_s));

            sheet.setName(u"nobody"_s);
            sheet.set();
            QTRY_VERIFY_WITH_TIMEOUT(!sheet.shown(), 5000);
            QCOMPARE(gw::test::ownerOf(path), 65534U);
            QTRY_COMPARE(controller->info().owner.name, u"nobody"_s);
            const auto commands = elevation.receivedCommands();
            QCOMPARE(commands.size(), 2U);
            // Root runs the helper's own command on the inode shown, no shell.
            const std::vector<std::string> expected{gw::platform::withFoldersResolved(VOSKER_PATH),
                                                    "owner",
                                                    "-username",
                                                    "nobody",
                                                    "-identity",
                                                    identityOf(path),
                                                    path};
            QCOMPARE(commands.back(), expected);
        }
        {
            SubstituteElevation elevation(SubstituteElevation::Behaviour::Dismiss);
            alerts_.clear();
            sheet.open();
            sheet.setName(u"root"_s);
            sheet.set();
            QTRY_VERIFY_WITH_TIMEOUT(!sheet.shown(), 5000);
            QTest::qWait(50);
            QVERIFY(alerts_.requests().empty());
            QCOMPARE(gw::test::ownerOf(path), 65534U);
        }
        sheet.cancel();
        QVERIFY(!sheet.shown());
    }

    // An ordinary user can't change the lock: the helper's lock command runs
    // behind the prompt instead, and a dismissed prompt changes nothing.
    void lockAsksForAdministratorRights() {
        if (!gw::test::runningAsRoot()) {
            QSKIP("the substitute runs the helper with this test's rights");
        }
        const std::string path = sandbox_->file("to lock", "x", 0644);
        if (!gw::test::setImmutable(path, true) || !gw::test::setImmutable(path, false)) {
            QSKIP("this file system has no immutable flag");
        }
        LockRefusingChanges refusing(fixture_.changes);
        fixture_.changesInUse = &refusing;
        auto controller = std::make_unique<ResetController>(fixture_.services(VOSKER_PATH));
        fixture_.changesInUse = &fixture_.changes;
        controller->loadFile(path);
        {
            SubstituteElevation elevation(SubstituteElevation::Behaviour::Dismiss);
            controller->toggleLock();
            QTRY_COMPARE(elevation.receivedCommands().size(), 1U);
            QTest::qWait(100);
            QVERIFY(!gw::test::isImmutable(path));
            QVERIFY(alerts_.requests().empty());
        }
        for (const bool lock : {true, false}) {
            SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
            controller->toggleLock();
            QTRY_COMPARE_WITH_TIMEOUT(gw::test::isImmutable(path), lock, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(
                controller->info().lockedUser,
                lock ? gw::inspection::variableValue::yes : gw::inspection::variableValue::no,
                kRefreshWaitMs * 2);
            const std::vector<std::string> expected{gw::platform::withFoldersResolved(VOSKER_PATH),
                                                    lock ? "lock" : "unlock", "-identity",
                                                    identityOf(path), path};
            QCOMPARE(elevation.receivedCommands().front(), expected);
        }
        QVERIFY(alerts_.requests().empty());
    }

    void alertsAttachToTheWindowWhileItExists() {
        auto controller = makeController();
        controller->showAlert(u"Title"_s, u"Message"_s);
        auto window = std::make_unique<QObject>();
        controller->setParentWindow(window.get());
        controller->showAlert(u"Title"_s, u"Message"_s);
        QTRY_COMPARE(alerts_.requests().size(), 2U);
        QCOMPARE(alerts_.requests()[0].sheetParent.data(), nullptr);
        QCOMPARE(alerts_.requests()[1].sheetParent.data(), window.get());
        for (const auto& alert : alerts_.requests()) {
            QCOMPARE(alert.messageText, u"Title"_s);
            QCOMPARE(alert.informativeText, u"Message"_s);
            QVERIFY(alert.critical && alert.beep);
        }
        window.reset();
        QVERIFY(controller->parentWindow() == nullptr);
    }
};

QTEST_MAIN(ResetControllerTest)
#include "tst_reset_controller.moc"
