// The inspection's pure rules, and the rules that need values Linux never
// produces, through the scripted platform.
#include <QTest>

#include "app/inspection/file_info.h"
#include "support/scripted_inspection.h"

using namespace Qt::StringLiterals;

using namespace gw::inspection;
using gw::test::ScriptedInspection;

Q_DECLARE_METATYPE(variableValue)

class InspectionRulesTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void branchConversions_data();
    void branchConversions();
    void aclLines_data();
    void aclLines();
    void byteCounts_data();
    void byteCounts();
    void typeNames_data();
    void typeNames();
    void accessVerdict_data();
    void accessVerdict();
    void emptyRecord();
    void platformOnlyValues();
    void refreshRules();
};

void InspectionRulesTest::branchConversions_data() {
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<uint>("composed");
    QTest::newRow("754") << 0754u << u"rwxr-xr--"_s << 0754u;
    QTest::newRow("set-uid drops out") << 04755u << u"rwxr-xr-x"_s << 0755u;
    QTest::newRow("sticky folder") << 01777u << u"rwxrwxrwx"_s << 0777u;
    QTest::newRow("nothing") << 0u << u"---------"_s << 0u;
}

void InspectionRulesTest::branchConversions() {
    QFETCH(uint, mode);
    QFETCH(QString, bits);
    QFETCH(uint, composed);
    PermissionsBranch branches[3];
    QString seen;
    for (int i = 0; i < 3; ++i) {
        branches[i].apply(mode, 6 - 3 * i);
        seen += QString(branches[i].read ? u'r' : u'-') + (branches[i].write ? u'w' : u'-') +
                (branches[i].execute ? u'x' : u'-');
    }
    QCOMPARE(seen, bits);
    unsigned back = 0;
    for (int i = 0; i < 3; ++i)
        branches[i].addBits(back, 6 - 3 * i);
    QCOMPARE(back, composed);
    QCOMPARE(branches[0].name, u"Unknown"_s);  // apply never touches the name
}

void InspectionRulesTest::aclLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("properties");
    const int user = int(aclType::user), group = int(aclType::group),
              unknown = int(aclType::unknown);
    const int allow = int(aclAction::allow), deny = int(aclAction::deny);
    QTest::newRow("six fields, deny")
        << u"user:FFFFEEEE-DDDD-CCCC-BBBB-AAAA000001F5:bob:501:deny:delete,chown"_s << user
        << u"bob"_s << deny << u"delete, chown"_s;
    QTest::newRow("four fields, a Linux id")
        << u"group:ABCDEFAB-CDEF-ABCD-EFAB-CDEF00000FA1:allow:read"_s << group << u"4001"_s << allow
        << u"read"_s;
    QTest::newRow("four fields, another identifier")
        << u"user:12345678-AAAA-BBBB-CCCC-DDDDEEEEFFFF:allow:read"_s << user << u"1234...FFFF"_s
        << allow << u"read"_s;
    QTest::newRow("short identifier")
        << u"user:ab:allow:read"_s << user << u"ab...ab"_s << allow << u"read"_s;
    QTest::newRow("Allow is not allow")
        << u"user:X:n:1:Allow:read"_s << user << u"n"_s << deny << u"read"_s;
    QTest::newRow("five fields") << u"user:X:bob::allow:read"_s << user
                                 << u"user:X:bob::allow:read"_s << allow << QString();
    QTest::newRow("other tag") << u"mask:0:mask:0:allow:read,,write,"_s << unknown << u"mask"_s
                               << allow << u"read, write"_s;
    QTest::newRow("inherited")
        << u"user:X:owner@:0:allow:read,write,file_inherit,directory_inherit"_s << user
        << u"owner@"_s << allow << u"read, write, file_inherit, directory_inherit"_s;
}

void InspectionRulesTest::aclLines() {
    QFETCH(QString, line);
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(int, action);
    QFETCH(QString, properties);
    const PrettyACLItem item = parseACLLine(line);
    QCOMPARE(item.id, line);
    QCOMPARE(int(item.type), type);
    QCOMPARE(item.name, name);
    QCOMPARE(int(item.action), action);
    QCOMPARE(item.properties, properties);
}

void InspectionRulesTest::byteCounts_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("attributeText");
    QTest::newRow("zero") << 0ll << u"Zero KB"_s << u"Zero KB"_s;
    QTest::newRow("one") << 1ll << u"1 byte"_s << u"1 byte"_s;
    QTest::newRow("42") << 42ll << u"42 bytes"_s << u"42 b"_s;
    QTest::newRow("999") << 999ll << u"999 bytes"_s << u"999 b"_s;
    QTest::newRow("1.5 KB rounds") << 1500ll << u"2 KB"_s << u"2 KB"_s;
    QTest::newRow("2 KB") << 2000ll << u"2 KB"_s << u"2 KB"_s;
    QTest::newRow("rounds into MB") << 999999ll << u"1 MB"_s << u"1 MB"_s;
    QTest::newRow("1.5 MB") << 1500000ll << u"1.5 MB"_s << u"1.5 MB"_s;
    QTest::newRow("GB") << 1234567890ll << u"1.23 GB"_s << u"1.23 GB"_s;
}

void InspectionRulesTest::byteCounts() {
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QFETCH(QString, attributeText);
    QCOMPARE(byteCountText(bytes), text);
    QCOMPARE(attributeSizeText(bytes), attributeText);
}

void InspectionRulesTest::typeNames_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("flags");  // 1 folder, 2 resolvable, 4 link
    QTest::addColumn<QString>("extensionKind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("kind stands") << u"/a/x.txt"_s << u"Plain text"_s << 4 << QString()
                                 << u"Plain text"_s;
    QTest::newRow("folder") << u"/a/x"_s << u"Unknown"_s << 1 << QString() << u"Folder"_s;
    QTest::newRow("alias") << u"/a/x"_s << u"Unknown"_s << 2 << QString() << u"Alias"_s;
    QTest::newRow("link, no extension")
        << u"/a/x"_s << u"Unknown"_s << 6 << QString() << u"Symbolic Link"_s;
    QTest::newRow("link with known extension")
        << u"/a/x.txt"_s << u"Unknown"_s << 6 << u"Plain text"_s << u"Symbolic Link"_s;
    QTest::newRow("plain, no extension")
        << u"/a/x"_s << u"Unknown"_s << 0 << QString() << u"Unknown File Type"_s;
    QTest::newRow("known extension")
        << u"/a/x.png"_s << u"Unknown"_s << 0 << u"PNG image"_s << u"PNG image"_s;
    QTest::newRow("app") << u"/a/X.app"_s << u"Unknown"_s << 0 << QString() << u"Application"_s;
    QTest::newRow("unknown extension")
        << u"/a/x.zzq"_s << u"Unknown"_s << 0 << QString() << u"Unknown File Type"_s;
}

void InspectionRulesTest::typeNames() {
    QFETCH(QString, path);
    QFETCH(QString, current);
    QFETCH(int, flags);
    QFETCH(QString, extensionKind);
    QFETCH(QString, expected);
    ScriptedInspection platform;
    if (!extensionKind.isNull())
        platform.extensionKind = extensionKind;
    FileInfo info;
    info.typeIsFolder = flags & 1;
    info.typeIsResolvable = flags & 2;
    info.typeIsSymbolicLink = flags & 4;
    QCOMPARE(info.resolveTypeName(path.toStdString(), current, platform), expected);
}

void InspectionRulesTest::accessVerdict_data() {
    // Letters: A application, D directory, P package, X executable,
    // R readable, W writable, V read-only volume, L locked.
    QTest::addColumn<QString>("facts");
    QTest::addColumn<QString>("path");
    QTest::addColumn<variableValue>("value");
    QTest::addColumn<QString>("text");
    using V = variableValue;
    const QString file = u"/home/mia/doc"_s;
    QTest::newRow("1 app, not executable")
        << u"AR"_s << file << V::error << u"Not able to run Kind"_s;
    QTest::newRow("2 app, runs but can't be read")
        << u"AX"_s << file << V::yesButAlso << u"You can run this Kind, but not read it"_s;
    QTest::newRow("3 app") << u"AXR"_s << file << V::yes << u"You can use this Kind"_s;
    QTest::newRow("4 folder, no enter")
        << u"DRW"_s << file << V::error << u"Not able to open Kind"_s;
    QTest::newRow("5 folder, unreadable")
        << u"DXW"_s << file << V::error << u"Not able to see inside Kind"_s;
    QTest::newRow("6 folder, unwritable")
        << u"DXR"_s << file << V::error << u"Not able to save files to Kind"_s;
    QTest::newRow("7 folder, disk locked")
        << u"DXRWV"_s << file << V::error << u"Disk locked, can't save to Kind"_s;
    QTest::newRow("7 folder, disk locked, so not writable")
        << u"DXRV"_s << file << V::error << u"Disk locked, can't save to Kind"_s;
    QTest::newRow("8 folder") << u"DXRW"_s << file << V::yes
                              << u"You can open & save files to Kind"_s;
    QTest::newRow("9 file, unreadable") << u"W"_s << file << V::error << u"Not able to open item"_s;
    QTest::newRow("10 disk locked, also locked")
        << u"RVL"_s << file << V::error << u"Disk locked, can't save changes"_s;
    QTest::newRow("11 file") << u"RW"_s << file << V::yes << u"You can open & save changes"_s;
    QTest::newRow("12 locked") << u"RL"_s << file << V::error << u"Locked, can't save changes"_s;
    QTest::newRow("13 not writable") << u"R"_s << file << V::error << u"Not able to save changes"_s;
    QTest::newRow("package is a file")
        << u"DPRW"_s << file << V::yes << u"You can open & save changes"_s;
    QTest::newRow("system app")
        << u"AXR"_s << u"/System/Applications/X.app"_s << V::yesButAlso
        << u"You can use this Kind, may not be able to adjust permissions."_s;
    QTest::newRow("system, unreadable")
        << u""_s << u"/usr/share/doc/x"_s << V::yesButAlso
        << u"Not able to open item, may not be able to adjust permissions."_s;
    QTest::newRow("/usr/local is the user's")
        << u"R"_s << u"/usr/local/x"_s << V::error << u"Not able to save changes"_s;
    QTest::newRow("/System alone")
        << u"RW"_s << u"/System"_s << V::yes << u"You can open & save changes"_s;
    QTest::newRow("no values") << u"?"_s << u"/System/x"_s << V::error
                               << u"Unable to determine access"_s;
}

void InspectionRulesTest::accessVerdict() {
    QFETCH(QString, facts);
    QFETCH(QString, path);
    QFETCH(variableValue, value);
    QFETCH(QString, text);
    ScriptedInspection platform;
    if (facts == u"?"_s) {
        platform.access.reset();
    } else {
        auto& a = *platform.access;
        a.isApplication = facts.contains(u'A');
        a.isDirectory = facts.contains(u'D');
        a.isPackage = facts.contains(u'P');
        a.isExecutable = facts.contains(u'X');
        a.isReadable = facts.contains(u'R');
        a.isWritable = facts.contains(u'W');
        a.volumeIsReadOnly = facts.contains(u'V');
    }
    FileInfo info;
    info.url = path.toStdString();
    info.typeName = u"Kind"_s;
    info.lockedUser = facts.contains(u'L') ? variableValue::yes : variableValue::no;
    info.buildAccessSummary(platform);
    QCOMPARE(info.accessSummary.first, value);
    QCOMPARE(info.accessSummary.second, text);
}

void InspectionRulesTest::emptyRecord() {
    ScriptedInspection platform;
    const FileInfo empty(std::nullopt, platform);
    QCOMPARE(empty.name, u"Unknown"_s);
    QCOMPARE(empty.typeName, u"Unknown"_s);
    QCOMPARE(empty.infoSummary, u"Unknown"_s);
    QCOMPARE(empty.accessSummary.second, u"Unknown"_s);
    QVERIFY(!empty.url && !empty.icon && !empty.criticalError && !empty.attributesModified);
    QCOMPARE(empty.lockedUser, variableValue::unknown);
    QCOMPARE(empty.ACLStatus, FileACLStatus::unknown);
    QCOMPARE(empty.xattrsStatus, FileXattrStatus::unknown);
    QCOMPARE(platform.iconFetches, 0);
}

// What only another system (or a failure) produces.
void InspectionRulesTest::platformOnlyValues() {
    using gw::platform::AttributeDictionary;
    ScriptedInspection platform;
    AttributeDictionary& attributes = *platform.attributeDictionary;
    attributes.fileType = AttributeDictionary::FileType::Regular;
    attributes.hfsTypeCode = 0x616C6973;  // "alis"
    attributes.size = 0;
    attributes.immutable = 7;  // not 1: not locked
    attributes.extendedAttributes = AttributeDictionary::Xattrs{
        {u"com.apple.metadata:kMDItemWhereFroms"_s, QByteArray("not a plist")},
        {u"com.apple.macl"_s, QByteArray("x")},
        {u"com.apple.appstore.vendor_name"_s, QByteArray("Ambrel \xff")},
        {u"other"_s, std::nullopt}};
    platform.xattrLength = 90;
    platform.spotlightSize = 1234;
    auto& values = *platform.resources;
    values.localizedTypeDescription = u"Alias file"_s;
    values.isSystemImmutable = true;
    values.isAliasFile = false;  // the resource value wins over the type code
    values.isVolume = true;
    values.volumeIsReadOnly = true;
    platform.acl = std::optional<std::string>("!#acl 1\n");
    platform.access->isReadable = true;
    const FileInfo info(std::string("/System/Library/x"), platform);
    QCOMPARE(info.size, int64_t(1234));
    QCOMPARE(info.typeIsResolvable, false);
    QCOMPARE(info.lockedUser, variableValue::no);
    QCOMPARE(info.lockedSystem, variableValue::yes);
    QCOMPARE(info.criticalError, std::optional<QString>(u"Volume locked"_s));
    QVERIFY(info.lockedVolume);
    QCOMPARE(info.typeName, u"Alias file"_s);
    QCOMPARE(info.infoSummary, u"1 KB, Alias file"_s);
    QCOMPARE(info.ACLStatus, FileACLStatus::hasACLdetritus);
    QCOMPARE(info.xattrsStatus, FileXattrStatus::hasXattrs);
    QCOMPARE(info.warnings.size(), 1);
    QVERIFY(info.warnings[0].startsWith(u"WhereFroms: "_s));
    QVERIFY(info.warningsHave);
    QCOMPARE(info.prettyAttrs.size(), size_t(2));
    QCOMPARE(info.prettyAttrs[0].label, u"Privacy: App Consent tag"_s);
    QVERIFY(info.prettyAttrs[0].helpTag.has_value());
    QCOMPARE(info.prettyAttrs[1].label, u"Vendor: Ambrel \uFFFD"_s);
    QCOMPARE(info.xattrs, (std::vector<std::pair<QString, QString>>{{u"other"_s, u"Unknown"_s}}));
    QCOMPARE(info.accessSummary.first, variableValue::yesButAlso);
    QVERIFY(!info.ownedByMe);

    // A failed resource request leaves the kind to the type rules, and the
    // "alis" type code then stands.
    platform.resources.reset();
    platform.acl = gw::platform::SysError::fromErrno(EACCES);
    const FileInfo bare(std::string("/a/b"), platform);
    QCOMPARE(bare.typeName, u"Alias"_s);
    QCOMPARE(bare.ACLStatus, FileACLStatus::unknown);
    QVERIFY(!bare.criticalError);
}

void InspectionRulesTest::refreshRules() {
    using gw::platform::AttributeDictionary;
    ScriptedInspection platform;
    AttributeDictionary& attributes = *platform.attributeDictionary;
    attributes.ownerAccountName = u"mia"_s;
    attributes.posixPermissions = 0644;
    attributes.size = 10;
    attributes.fileType = AttributeDictionary::FileType::Regular;
    platform.resources->localizedTypeDescription = u"Text"_s;
    FileInfo info(std::string("/a/b.txt"), platform);
    QVERIFY(info.ownedByMe);
    QCOMPARE(platform.iconFetches, 1);

    // Nothing changed: the icon is not fetched again.
    info.refresh(platform);
    QCOMPARE(platform.iconFetches, 1);

    // A special bit never composes back: every refresh sees a change.
    attributes.posixPermissions = 04644;
    info.refresh(platform);
    info.refresh(platform);
    QCOMPARE(platform.iconFetches, 3);

    // The volume became read-only: the refresh never touches those facts.
    platform.resources->volumeIsReadOnly = true;
    platform.resources->isVolume = true;
    info.refresh(platform);
    QVERIFY(!info.criticalError && !info.lockedVolume);

    // Attributes unreadable, then readable again with the same length.
    const AttributeDictionary saved = *platform.attributeDictionary;
    platform.attributeDictionary.reset();
    info.refresh(platform);
    QCOMPARE(info.xattrLength, int64_t(-1));
    QCOMPARE(info.lockedUser, variableValue::unknown);
    QCOMPARE(info.owner.name, u"mia"_s);
    platform.attributeDictionary = saved;
    platform.attributeDictionary->extendedAttributes =
        AttributeDictionary::Xattrs{{u"tag"_s, QByteArray(50, 'x')}};
    platform.xattrLength = 0;
    info.refresh(platform);
    QCOMPARE(info.xattrLength, int64_t(0));
    QCOMPARE(info.xattrs.size(), size_t(1));  // read again: -1 differed from 0
}

QTEST_GUILESS_MAIN(InspectionRulesTest)
#include "tst_inspection_rules.moc"
