// The Linux services on real files.
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <QTest>

#include "platform/accounts.h"
#include "platform/acl_store.h"
#include "platform/item.h"
#include "platform/path_text.h"
#include "platform/xattr_view.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using namespace gw::platform;

class LinuxPlatformTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void pathText_data();
    void pathText();
    void volumeRoots();
    void accountsNameUnknownIdsByNumber();
    void xattrViewIsTheUserNamespace();
    void aclRemovalNeverWidens();
    void aclRemovalDropsFolderDefaults();
};

void LinuxPlatformTest::pathText_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("extension");
    QTest::newRow("root") << u"/"_s << u"/"_s << u"/"_s << QString();
    QTest::newRow("file") << u"/a/b.txt"_s << u"b.txt"_s << u"/a"_s << u"txt"_s;
    QTest::newRow("trailing slash") << u"/a/dir/"_s << u"dir"_s << u"/a"_s << QString();
    QTest::newRow("top level") << u"/mnt"_s << u"mnt"_s << u"/"_s << QString();
    QTest::newRow("hidden") << u"/a/.bashrc"_s << u".bashrc"_s << u"/a"_s << QString();
    QTest::newRow("trailing dot") << u"/a/name."_s << u"name."_s << u"/a"_s << QString();
    QTest::newRow("two dots") << u"/a/x.tar.gz"_s << u"x.tar.gz"_s << u"/a"_s << u"gz"_s;
}

void LinuxPlatformTest::pathText() {
    QFETCH(QString, path);
    QFETCH(QString, last);
    QFETCH(QString, parent);
    QFETCH(QString, extension);
    const std::string p = path.toStdString();
    QCOMPARE(QString::fromStdString(lastPathComponent(p)), last);
    QCOMPARE(QString::fromStdString(parentPath(p)), parent);
    QCOMPARE(QString::fromStdString(pathExtension(p)), extension);
}

void LinuxPlatformTest::volumeRoots() {
    LinuxItemFiles files;
    gw::test::Sandbox box;
    QCOMPARE(files.isVolumeRoot("/").value(), true);
    QCOMPARE(files.isVolumeRoot("/proc").value(), true);
    QCOMPARE(files.isVolumeRoot(box.folder("d")).value(), false);
    QCOMPARE(files.isVolumeRoot(box.link("to-root", "/")).value(), false);
    QVERIFY(!files.isVolumeRoot(box.path("missing")).ok());
}

void LinuxPlatformTest::accountsNameUnknownIdsByNumber() {
    LinuxAccounts accounts;
    QCOMPARE(accounts.userName(0), std::string("root"));
    QCOMPARE(accounts.userName(4123456), std::string("4123456"));
    QCOMPARE(accounts.groupName(4123456), std::string("4123456"));
    const auto root = accounts.userNamed("root");
    QVERIFY(root.has_value());
    QCOMPARE(root->primaryGroup, gid_t(0));
    QVERIFY(!accounts.userNamed("no-such-account-x").has_value());
}

void LinuxPlatformTest::xattrViewIsTheUserNamespace() {
    gw::test::Sandbox box;
    const std::string file = box.file("f", "x", 0644);
    QVERIFY(gw::test::setXattr(file, "com.apple.quarantine", "q"));
    QVERIFY(gw::test::setXattr(file, "b", "12345"));
    if (gw::test::runningAsRoot()) {
        QCOMPARE(::lsetxattr(file.c_str(), "trusted.hidden", "x", 1, 0), 0);
    }
    LinuxItemFiles files;
    LinuxXattrView view;
    const auto item = files.open(file);
    QVERIFY(item.ok());
    auto names = view.names(*item).value();
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (std::vector<std::string>{"b", "com.apple.quarantine"}));
    QCOMPARE(view.nameListLength(*item), int64_t(2 + 21));
    QCOMPARE(std::string(view.value(*item, "b")->data(), 5), std::string("12345"));
    QVERIFY(view.remove(*item, "b").ok());
    QVERIFY(view.remove(*item, "b").failed());  // already gone
    QCOMPARE(gw::test::userXattrs(file), std::vector<std::string>{"com.apple.quarantine"});

    // A link's view is the link's own (always empty), never its target's.
    const auto link = files.open(box.link("l", file));
    QVERIFY(link.ok());
    QCOMPARE(view.nameListLength(*link), int64_t(0));
}

void LinuxPlatformTest::aclRemovalNeverWidens() {
    gw::test::Sandbox box;
    const std::string file = box.file("f", "x", 0640);
    acl_t acl = acl_from_text("u::rw-,g::r--,g:65534:rw-,m::rw-,o::---");
    QVERIFY(acl);
    const bool set = acl_set_file(file.c_str(), ACL_TYPE_ACCESS, acl) == 0;
    acl_free(acl);
    if (!set) {
        QSKIP("this file system has no ACLs");
    }
    QCOMPARE(gw::test::modeOf(file), mode_t(0660));  // the group bits show the mask
    LinuxItemFiles files;
    LinuxAclStore store;
    QCOMPARE(store.removeAcl(*files.open(file)), 0);
    QCOMPARE(gw::test::aclText(file), std::string("u::rw-,g::r--,o::---"));
    QCOMPARE(gw::test::modeOf(file), mode_t(0640));
    // Nothing stored: nothing to do, and still a success.
    QCOMPARE(store.removeAcl(*files.open(file)), 0);
}

void LinuxPlatformTest::aclRemovalDropsFolderDefaults() {
    gw::test::Sandbox box;
    const std::string dir = box.folder("d", 0755);
    acl_t acl = acl_from_text("u::rwx,g::r-x,u:65534:rwx,m::rwx,o::r-x");
    const bool set = acl_set_file(dir.c_str(), ACL_TYPE_DEFAULT, acl) == 0;
    acl_free(acl);
    if (!set) {
        QSKIP("this file system has no ACLs");
    }
    LinuxItemFiles files;
    LinuxAclStore store;
    QCOMPARE(store.removeAcl(*files.open(dir)), 0);
    QVERIFY(::getxattr(dir.c_str(), "system.posix_acl_default", nullptr, 0) < 0);
    QCOMPARE(gw::test::modeOf(dir), mode_t(0755));
}

QTEST_GUILESS_MAIN(LinuxPlatformTest)
#include "tst_linux_platform.moc"
