// The record gathered from real items through the Linux platform.
#include <plist/plist.h>
#include <sys/acl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QTest>

#include "app/inspection/file_info.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "support/process_runner.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using namespace gw::inspection;
using gw::test::Sandbox;

namespace {

std::string binaryPlist(const std::vector<const char*>& entries) {
    plist_t array = plist_new_array();
    for (const char* entry : entries)
        plist_array_append_item(array, plist_new_string(entry));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_bin(array, &data, &length);
    std::string bytes(data, length);
    free(data);
    plist_free(array);
    return bytes;
}

bool setAcl(const std::string& path, acl_type_t type, const char* text) {
    acl_t acl = acl_from_text(text);
    const bool ok = acl && acl_set_file(path.c_str(), type, acl) == 0;
    acl_free(acl);
    return ok;
}

}  // namespace

class FileInfoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void ordinaryFile();
    void folderLinkAndSpecialFiles();
    void missingItem();
    void aclEntries();
    void explainedAttributes();
    void lockedFile();
    void refreshFollowsTheItem();
    void kindAndVerdictOfRealFiles_data();
    void kindAndVerdictOfRealFiles();

  private:
    gw::platform::LinuxInspectionPlatform platform_;
};

void FileInfoTest::ordinaryFile() {
    Sandbox box;
    const std::string path = box.file("notes.txt", "hello", 0640);
    const FileInfo info(path, platform_);
    QCOMPARE(info.name, u"notes.txt"_s);
    QCOMPARE(info.url, std::optional<std::string>(path));
    QCOMPARE(info.size, int64_t(5));
    QCOMPARE(info.typeName, u"Plain text document"_s);
    QCOMPARE(info.infoSummary, u"5 bytes, Plain text document"_s);
    QCOMPARE(info.owner.name,
             QString::fromStdString(gw::platform::LinuxAccounts().userName(geteuid())));
    QVERIFY(info.ownedByMe);
    QVERIFY(info.owner.read && info.owner.write && !info.owner.execute);
    QVERIFY(info.group.read && !info.group.write);
    QVERIFY(!info.other.read);
    QCOMPARE(info.other.name, u"Unknown"_s);
    QCOMPARE(info.lockedUser, variableValue::no);
    QCOMPARE(info.lockedSystem, variableValue::no);
    QCOMPARE(info.ACLStatus, FileACLStatus::noACLs);
    QCOMPARE(info.xattrsStatus, FileXattrStatus::noXattrs);
    QCOMPARE(info.accessSummary.second, u"You can open & save changes"_s);
    QVERIFY(info.isDeletable);
    QVERIFY(info.icon.has_value());
    QVERIFY(info.attributesModified.has_value());
    QVERIFY(!info.criticalError);
}

void FileInfoTest::folderLinkAndSpecialFiles() {
    Sandbox box;
    const FileInfo folder(box.folder("dir", 0755), platform_);
    QVERIFY(folder.typeIsFolder);
    QCOMPARE(folder.typeName, u"Folder"_s);
    QVERIFY(folder.accessSummary.second.startsWith(u"You can open & save files to Folder"_s));

    const FileInfo link(box.link("link.txt", box.file("t.txt", "x")), platform_);
    QVERIFY(link.typeIsSymbolicLink && link.typeIsResolvable);
    QCOMPARE(link.typeName, u"Symbolic Link"_s);
    QCOMPARE(link.ACLStatus, FileACLStatus::noACLs);

    const FileInfo dangling(box.link("dangling", box.path("gone")), platform_);
    QVERIFY(dangling.typeIsSymbolicLink);
    QCOMPARE(dangling.accessSummary.second, u"Not able to open item"_s);
    const FileInfo loop(box.link("loop", box.path("loop")), platform_);
    QVERIFY(loop.typeIsSymbolicLink);

    // Never opened for reading: none of these may block.
    const FileInfo fifo(box.fifo("pipe"), platform_);
    QCOMPARE(fifo.typeName, u"Pipe"_s);
    const FileInfo device(std::string("/dev/zero"), platform_);
    QCOMPARE(device.typeName, u"Character device"_s);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = box.path("sock");
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const FileInfo socketInfo(socketPath, platform_);
    ::close(sock);
    QCOMPARE(socketInfo.typeName, u"Socket"_s);
    const FileInfo proc(std::string("/proc/self/status"), platform_);
    QCOMPARE(proc.accessSummary.first, variableValue::yesButAlso);

    const FileInfo root(std::string("/"), platform_);
    QCOMPARE(root.name, u"/"_s);
    QCOMPARE(root.criticalError, std::optional<QString>(u"Will not reset a volume"_s));
}

void FileInfoTest::missingItem() {
    const FileInfo info(std::string("/no/such/item"), platform_);
    QCOMPARE(info.owner.name, u"Unknown"_s);
    QCOMPARE(info.lockedUser, variableValue::unknown);
    QCOMPARE(info.ACLStatus, FileACLStatus::unknown);
    QCOMPARE(info.accessSummary.first, variableValue::error);
    QVERIFY(!info.ownedByMe);
}

void FileInfoTest::aclEntries() {
    Sandbox box;
    const std::string file = box.file("f", "x", 0640);
    if (!setAcl(file, ACL_TYPE_ACCESS,
                "u::rw-,g::r--,u:65534:rw-,g:4123457:r--,u:4123456:---,m::rw-,o::---")) {
        QSKIP("this file system has no ACLs");
    }
    const FileInfo info(file, platform_);
    QCOMPARE(info.ACLStatus, FileACLStatus::hasACLs);
    QCOMPARE(info.prettyACLS.size(), size_t(5));
    QCOMPARE(info.prettyACLS[0].name, u"nobody"_s);
    QCOMPARE(info.prettyACLS[0].properties, u"read, write"_s);
    // An id without a name: its decimal number, as the owner field shows it.
    QCOMPARE(info.prettyACLS[1].name, u"4123456"_s);
    QCOMPARE(info.prettyACLS[1].action, aclAction::deny);
    // The owning group's own entry: the grid's group row is the mask.
    QCOMPARE(info.prettyACLS[2].name, u"group@"_s);
    QCOMPARE(info.prettyACLS[2].properties, u"read"_s);
    QCOMPARE(info.prettyACLS[3].type, aclType::group);
    QCOMPARE(info.prettyACLS[3].name, u"4123457"_s);
    QCOMPARE(info.prettyACLS[4].name, u"mask"_s);
    QVERIFY(hasAccessMask(info.prettyACLS));

    // A mask narrower than an entry: what is left is told beside the rights.
    QVERIFY(setAcl(file, ACL_TYPE_ACCESS, "u::rw-,g::rw-,u:65534:rwx,m::r--,o::---"));
    const FileInfo masked(file, platform_);
    QCOMPARE(masked.prettyACLS[0].effective, u"read"_s);
    QCOMPARE(rightsWithEffect(masked.prettyACLS[0]),
             u"read, write, execute \u2014 effective: read"_s);
    QCOMPARE(masked.prettyACLS[1].name, u"group@"_s);
    QCOMPARE(rightsWithEffect(masked.prettyACLS[1]), u"read, write \u2014 effective: read"_s);
    QCOMPARE(rightsWithEffect(masked.prettyACLS[2]), u"read"_s);  // the mask itself

    const std::string dir = box.folder("d", 0755);
    QVERIFY(setAcl(dir, ACL_TYPE_DEFAULT, "u::rwx,g::r-x,o::r-x"));
    const FileInfo folder(dir, platform_);
    QCOMPARE(folder.ACLStatus, FileACLStatus::hasACLs);
    QCOMPARE(folder.prettyACLS.size(), size_t(3));
    QCOMPARE(folder.prettyACLS[0].name, u"owner@"_s);
    QVERIFY(folder.prettyACLS[2].properties.endsWith(u"file_inherit, directory_inherit"_s));
}

void FileInfoTest::explainedAttributes() {
    Sandbox box;
    const std::string file = box.file("download.zip", "PK", 0644);
    QVERIFY(gw::test::setXattr(
        file, "com.apple.metadata:kMDItemWhereFroms",
        binaryPlist({"https://downloads.example.com/a.zip", "https://example.com/page"})));
    QVERIFY(gw::test::setXattr(file, "com.apple.quarantine", "0081;5e;Safari;"));
    QVERIFY(gw::test::setXattr(file, "tag", std::string(40, 'x')));
    QVERIFY(gw::test::setXattr(file, "big", std::string(3000, 'x')));
    const FileInfo info(file, platform_);
    QCOMPARE(info.xattrsStatus, FileXattrStatus::hasXattrs);
    QCOMPARE(info.prettyAttrs.size(), size_t(1));
    QCOMPARE(info.prettyAttrs[0].label, u"From: downloads.example.com"_s);
    QCOMPARE(info.prettyAttrs[0].details->size(), 2);
    QCOMPARE(info.xattrs.size(), size_t(2));
    QVERIFY(std::find(info.xattrs.begin(), info.xattrs.end(), std::pair(u"tag"_s, u"40 b"_s)) !=
            info.xattrs.end());
    QVERIFY(std::find(info.xattrs.begin(), info.xattrs.end(), std::pair(u"big"_s, u"3 KB"_s)) !=
            info.xattrs.end());

    // XML property list, a bare word, binary garbage, and the browsers' own.
    const std::string xml = box.file("x", "", 0644);
    QVERIFY(gw::test::setXattr(xml, "com.apple.metadata:kMDItemWhereFroms",
                               "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>"
                               "<string>word</string></array></plist>"));
    const FileInfo word(xml, platform_);
    QCOMPARE(word.prettyAttrs.at(0).label, u"From word"_s);
    QVERIFY(!word.prettyAttrs.at(0).details);

    const std::string garbage = box.file("g", "", 0644);
    QVERIFY(gw::test::setXattr(garbage, "com.apple.metadata:kMDItemWhereFroms",
                               std::string("bplist00\xff\x00\x13garbage", 18)));
    const FileInfo broken(garbage, platform_);
    QVERIFY(broken.prettyAttrs.empty() && broken.xattrs.empty());
    QCOMPARE(broken.warnings.size(), 1);
    QVERIFY(broken.warningsHave);

    // A NUL inside a string (libplist aborts when it is copied out) and text
    // that isn't UTF-8: not a list of addresses, the warning, no crash.
    for (const std::string& inside : {std::string("a\0b", 3), std::string("\xff\xfe")}) {
        const std::string hostile = box.file("h", "", 0644);
        QVERIFY(gw::test::setXattr(hostile, "com.apple.metadata:kMDItemWhereFroms",
                                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>" +
                                       inside + "</string></array></plist>"));
        const FileInfo nul(hostile, platform_);
        QVERIFY(nul.prettyAttrs.empty());
        QCOMPARE(nul.warnings.size(), 1);
    }

    const std::string browser = box.file("b", "", 0644);
    QVERIFY(gw::test::setXattr(browser, "xdg.origin.url", "https://files.example.net/b"));
    QVERIFY(gw::test::setXattr(browser, "xdg.referrer.url", "https://example.net/"));
    const FileInfo linuxDownload(browser, platform_);
    QCOMPARE(linuxDownload.prettyAttrs.size(), size_t(1));
    QCOMPARE(linuxDownload.prettyAttrs[0].label, u"From: files.example.net"_s);
    QCOMPARE(*linuxDownload.prettyAttrs[0].details,
             (QStringList{u"https://files.example.net/b"_s, u"https://example.net/"_s}));
    QVERIFY(linuxDownload.xattrs.empty());
}

void FileInfoTest::lockedFile() {
    if (!gw::test::runningAsRoot())
        QSKIP("setting the immutable flag needs root");
    Sandbox box;
    const std::string file = box.file("locked.txt", "x", 0644);
    if (!gw::test::setImmutable(file, true))
        QSKIP("this file system has no immutable flag");
    const FileInfo info(file, platform_);
    QCOMPARE(info.lockedUser, variableValue::yes);
    QCOMPARE(info.accessSummary.second, u"Locked, can't save changes"_s);
    QVERIFY(!info.isDeletable);
}

void FileInfoTest::refreshFollowsTheItem() {
    Sandbox box;
    const std::string file = box.file("f.txt", "x", 0644);
    FileInfo info(file, platform_);
    const auto before = info.attributesModified;
    QVERIFY(gw::test::setXattr(file, "added", "1"));
    QCOMPARE(::chmod(file.c_str(), 0600), 0);
    info.refresh(platform_);
    QCOMPARE(info.xattrs.size(), size_t(1));
    QVERIFY(!info.group.read);
    QVERIFY(info.attributesModified != before);
    // The item goes away: the refresh keeps the record and marks it.
    QCOMPARE(::unlink(file.c_str()), 0);
    info.refresh(platform_);
    QCOMPARE(info.xattrLength, int64_t(-1));
    QCOMPARE(info.lockedUser, variableValue::unknown);
    QVERIFY(info.xattrs.empty());
    QVERIFY(!info.typeIsFolder);
}

// What the record says of real files as an ordinary user sees them: a
// script or JSON is a document, only an ELF program is an application, and a
// file whose content can't be read is judged by its name and mode.
void FileInfoTest::kindAndVerdictOfRealFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("copyOf");  // else the content written
    QTest::addColumn<QString>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("kind");  // empty: not checked
    QTest::addColumn<QString>("verdict");
    const QString mine = u"You can open & save changes"_s;
    for (const char* name :
         {"settings.json", "notes.sh", "tool.py", "conf.pl", "app.js", "m.lua"}) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString() << u"#!/bin/sh\n{}\n"_s
                            << 0755 << QString() << mine;
    }
    QTest::newRow("a program") << u"prog"_s << u"/usr/bin/true"_s << QString() << 0755 << QString()
                               << u"You can use this "_s;
    QTest::newRow("a library is not a program")
        << u"libacl.so.1"_s << u"/usr/lib/x86_64-linux-gnu/libacl.so.1"_s << QString() << 0644
        << QString() << mine;
    QTest::newRow("a program run but not read")
        << u"runonly"_s << u"/usr/bin/true"_s << QString() << 0111 << u"Executable"_s
        << u"You can run this Executable, but not read it"_s;
    QTest::newRow("unreadable, named") << u"secret.txt"_s << QString() << u"words"_s << 0200
                                       << u"Plain text document"_s << u"Not able to open item"_s;
    QTest::newRow("unreadable, unnamed") << u"secret"_s << QString() << u"words"_s << 0200
                                         << u"Unknown File Type"_s << u"Not able to open item"_s;
}

void FileInfoTest::kindAndVerdictOfRealFiles() {
    if (gw::test::runningAsRoot()) {
        const auto run = gw::test::rerunAsNobody("kindAndVerdictOfRealFiles");
        QVERIFY2(run.status == 0, (run.output + run.errors).c_str());
        return;
    }
    QFETCH(QString, name);
    QFETCH(QString, copyOf);
    QFETCH(QString, content);
    QFETCH(int, mode);
    QFETCH(QString, kind);
    QFETCH(QString, verdict);
    Sandbox box;
    std::string body = content.toStdString();
    if (!copyOf.isEmpty()) {
        QFile source(copyOf);
        if (!source.open(QIODevice::ReadOnly)) {
            QSKIP("no such file on this machine");
        }
        body = source.readAll().toStdString();
    }
    const std::string path = box.file(name.toStdString(), body, static_cast<mode_t>(mode));
    const FileInfo info(path, platform_);
    if (!kind.isEmpty()) {
        QCOMPARE(info.typeName, kind);
    }
    QVERIFY2(info.accessSummary.second.startsWith(verdict),
             qPrintable(info.typeName + u": "_s + info.accessSummary.second));
    // A file the user can read but whose size reads 0 still has a kind.
    const FileInfo status("/proc/self/status", platform_);
    QVERIFY(status.typeName != u"Empty document"_s);
}

QTEST_GUILESS_MAIN(FileInfoTest)
#include "tst_file_info.moc"
