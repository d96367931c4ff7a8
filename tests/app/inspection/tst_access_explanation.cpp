// What the kernel can't be made to show on every machine: disks that store
// no permissions, items the caller can't see, active security modules, and
// the mount table's own text. The kernel itself is the oracle elsewhere.
#include <QTest>

#include "app/inspection/access_explanation.h"
#include "support/scripted_access_facts.h"

using namespace Qt::StringLiterals;

using namespace gw::inspection;
using gw::platform::AccountFacts;
using gw::platform::FileKind;
using gw::platform::MountFacts;
using gw::platform::StepFacts;
using gw::test::ScriptedAccessFacts;

namespace {

StepFacts folder(unsigned mode, uid_t uid = 0, const MountFacts& mount = {"/", "ext4", {}}) {
    StepFacts facts;
    facts.kind = FileKind::Directory;
    facts.mode = mode;
    facts.uid = uid;
    facts.gid = uid;
    facts.mount = mount;
    return facts;
}

StepFacts file(unsigned mode, uid_t uid = 0, const MountFacts& mount = {"/", "ext4", {}}) {
    StepFacts facts = folder(mode, uid, mount);
    facts.kind = FileKind::Regular;
    return facts;
}

QString firstCause(const AccessExplanation& explanation, AccessAction action) {
    const auto* verdict = explanation.verdict(action);
    if (!verdict)
        return u"no verdict"_s;
    if (verdict->allowed)
        return u"allowed"_s;
    return causeKey(verdict->blockers.front().cause) + u' ' +
           QString::fromStdString(verdict->blockers.front().path);
}

}  // namespace

class AccessExplanationTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void diskWithoutPermissions();
    void whatCannotBeSeen();
    void sentencesAndNotes();
    void mountTable();
};

void AccessExplanationTest::diskWithoutPermissions() {
    ScriptedAccessFacts facts;
    const MountFacts fat{"/media/stick", "vfat", {"rw", "uid=1001", "fmask=0133", "dmask=0022"}};
    facts.items["/"] = folder(0755);
    facts.items["/media"] = folder(0755);
    facts.items["/media/stick"] = folder(0755, 1001, fat);
    facts.items["/media/stick/notes.txt"] = file(0644, 1001, fat);
    const AccountFacts other{"other", 1002, 1002, {1002}};
    const auto explanation = explainAccess("/media/stick/notes.txt", other, false, facts);
    QCOMPARE(explanation.noPermissionSupport.value_or(QString()),
             u"This disk doesn't store permissions (vfat); they come from its mount options: "
             "uid=1001, fmask=0133, dmask=0022"_s);
    QCOMPARE(firstCause(explanation, AccessAction::open), u"allowed"_s);
    QCOMPARE(firstCause(explanation, AccessAction::save),
             u"noPermissionSupport /media/stick/notes.txt"_s);
    QCOMPARE(firstCause(explanation, AccessAction::remove), u"noPermissionSupport /media/stick"_s);
    // Its owner by the mount options may do what the options allow.
    const AccountFacts owner{"owner", 1001, 1001, {1001}};
    QCOMPARE(
        firstCause(explainAccess("/media/stick/notes.txt", owner, true, facts), AccessAction::save),
        u"allowed"_s);
}

void AccessExplanationTest::whatCannotBeSeen() {
    ScriptedAccessFacts facts;
    facts.items["/"] = folder(0755);
    facts.items["/home"] = folder(0755);
    facts.items["/home/ann"] = folder(0711, 1001);  // others may pass, the caller can't look in
    const AccountFacts ann{"ann", 1001, 1001, {1001}};
    const auto explanation = explainAccess("/home/ann/report.txt", ann, false, facts);
    for (const auto& verdict : explanation.actions) {
        QVERIFY(!verdict.allowed);
        QCOMPARE(verdict.blockers.size(), size_t(1));
        QCOMPARE(causeKey(verdict.blockers[0].cause), u"unknown"_s);
        QCOMPARE(verdict.blockers[0].path, std::string("/home/ann/report.txt"));
        QVERIFY(verdict.blockers[0].text.contains(u"could not be looked at"_s));
    }
    // Where a closed folder already explains it, the unseen item adds nothing.
    facts.items["/home/ann"] = folder(0700, 1001);
    const AccountFacts me{"me", 1000, 1000, {1000}};
    const auto mine = explainAccess("/home/ann/report.txt", me, true, facts);
    QCOMPARE(mine.verdict(AccessAction::open)->blockers.size(), size_t(1));
    QCOMPARE(firstCause(mine, AccessAction::open), u"folderClosed /home/ann"_s);
    // A missing item says so.
    facts.errors["/home/gone"] = ENOENT;
    const auto gone = explainAccess("/home/gone", me, true, facts);
    QCOMPARE(gone.verdict(AccessAction::open)->blockers[0].text, u"/home/gone doesn't exist"_s);
}

void AccessExplanationTest::sentencesAndNotes() {
    ScriptedAccessFacts facts;
    facts.modules = {"AppArmor"};
    facts.items["/"] = folder(0755);
    facts.items["/srv"] = folder(0755);
    facts.items["/srv/data"] = folder(0700, 1001);
    facts.items["/srv/data/f"] = file(0644, 1001);
    const AccountFacts me{"me", 1000, 1000, {1000}};
    const auto explanation = explainAccess("/srv/data/f", me, true, facts);
    QCOMPARE(verdictSentence(explanation, *explanation.verdict(AccessAction::open)),
             u"You can't open this file: the folder /srv/data (owner user1001, mode 700) is "
             "closed to you."_s);
    QCOMPARE(securityModulesNote(explanation),
             u"AppArmor is active on this system and may refuse more than the permissions say."_s);
    const auto asRoot = explainAccess("/srv/data/f", AccountFacts{"root", 0, 0, {0}}, false, facts);
    QCOMPARE(verdictSentence(asRoot, *asRoot.verdict(AccessAction::save)),
             u"root can save changes to this file."_s);
    QCOMPARE(firstCause(asRoot, AccessAction::run), u"noExecuteBit /srv/data/f"_s);
}

void AccessExplanationTest::mountTable() {
    const auto entries = gw::platform::parseMountInfo(
        "36 35 98:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 36 0:41 / /media/My\\040Stick rw,nosuid,noexec master:7 - vfat /dev/sdb1 "
        "rw,uid=1000,fmask=0022\n"
        "41 36 0:42 / /mnt/ro ro,relatime - tmpfs tmpfs rw,size=1024k\n"
        "garbage line\n"
        "x 1 2 3 4 5 - a b c\n");
    QCOMPARE(entries.size(), size_t(3));
    QCOMPARE(entries[1].id, 40u);
    QCOMPARE(entries[1].facts.mountPoint, std::string("/media/My Stick"));
    QCOMPARE(entries[1].facts.fsType, std::string("vfat"));
    QVERIFY(entries[1].facts.noexec);
    QVERIFY(!entries[1].facts.readOnly);
    QCOMPARE(entries[1].facts.superOptions,
             (std::vector<std::string>{"rw", "uid=1000", "fmask=0022"}));
    QVERIFY(entries[2].facts.readOnly);
}

QTEST_GUILESS_MAIN(AccessExplanationTest)
#include "tst_access_explanation.moc"
