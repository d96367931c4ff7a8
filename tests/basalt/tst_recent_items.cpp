// Recent items, mirrored into the desktop's shared recently-used.xbel.
#include <sys/stat.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "basalt/desktop/alerts.h"
#include "basalt/desktop/recent_items.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/desktop/recent_documents.h"
#include "support/recording_alerts.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

using gw::platform::XbelRecentDocuments;

namespace {

// Another application's entries as GTK writes them, with an element and a
// comment this application does not know.
const QByteArray kForeignFile = R"XML(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info"
>
  <!-- written by an editor -->
  <bookmark href="file:///home/ann/report%20final.odt" added="2026-01-02T10:00:00.000000Z" modified="2026-01-02T10:00:00.000000Z" visited="2026-01-02T10:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="application/vnd.oasis.opendocument.text"/>
        <bookmark:groups><bookmark:group>Office</bookmark:group></bookmark:groups>
        <bookmark:applications>
          <bookmark:application name="Writer" exec="&apos;writer %u&apos;" modified="2026-01-02T10:00:00.000000Z" count="3"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)XML";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The other application's entry, as it must survive every change.
void verifyForeignEntryKept(const QByteArray& text) {
    QVERIFY(text.contains("file:///home/ann/report%20final.odt"));
    QVERIFY(text.contains("name=\"Writer\""));
    QVERIFY(text.contains("count=\"3\""));
    QVERIFY(text.contains("<bookmark:group>Office</bookmark:group>"));
    QVERIFY(text.contains("written by an editor"));
}

}  // namespace

class RecentItemsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString xbel_;
    gw::test::Sandbox sandbox_;
    gw::platform::LinuxInspectionPlatform platform_;
    gw::test::RecordingAlerts alerts_;

    XbelRecentDocuments documents() {
        return XbelRecentDocuments(xbel_, {u"Grantwell"_s, u"'grantwell %u'"_s});
    }

  private Q_SLOTS:
    void initTestCase() {
        // A desktop's icon theme: the offscreen platform has none of its own.
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << u"/usr/share/icons"_s);
        QIcon::setThemeName(u"Adwaita"_s);
    }
    void init() {
        xbel_ = dir_.filePath(u"recently-used.xbel"_s);
        QFile::remove(xbel_);
        alerts_.clear();
    }

    void addsAndClearsBesideOtherApplications() {
        writeAll(xbel_, kForeignFile);
        auto docs = documents();
        const std::string a = sandbox_.file("a.txt");
        const std::string b = sandbox_.file("b b.txt");
        QVERIFY(docs.note(a).ok());
        QVERIFY(docs.note(b).ok());
        QVERIFY(docs.note(a).ok());  // again: moves to the top, stays one entry
        QCOMPARE(docs.paths(), (std::vector<std::string>{a, b}));
        verifyForeignEntryKept(readAll(xbel_));
        QCOMPARE(readAll(xbel_).count("name=\"Grantwell\""), 2);

        QVERIFY(docs.clear().ok());
        QVERIFY(docs.paths().empty());
        const QByteArray after = readAll(xbel_);
        verifyForeignEntryKept(after);
        QVERIFY(!after.contains("Grantwell"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(xbel_).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600U);
    }

    // An item another application already lists gets this application added
    // to its entry; clearing takes only this application away again.
    void sharesAnEntryWithAnotherApplication() {
        const std::string shared = sandbox_.file("shared.odt");
        QByteArray text = kForeignFile;
        text.replace("file:///home/ann/report%20final.odt",
                     "file://" + QByteArray::fromStdString(shared));
        writeAll(xbel_, text);
        auto docs = documents();
        QVERIFY(docs.note(shared).ok());
        QCOMPARE(docs.paths(), std::vector<std::string>{shared});
        QCOMPARE(readAll(xbel_).count("<bookmark href="), 1);
        QVERIFY(docs.clear().ok());
        const QByteArray after = readAll(xbel_);
        QCOMPARE(after.count("<bookmark href="), 1);
        QVERIFY(after.contains("name=\"Writer\""));
        QVERIFY(!after.contains("Grantwell"));
    }

    void leavesAnUnreadableFileAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << kForeignFile.left(kForeignFile.size() / 2);
        QTest::newRow("not xbel") << QByteArray("<html><body/></html>");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02garbage", 10);
        QTest::newRow("nested 30,000 deep")
            << QByteArray("<?xml version=\"1.0\"?><xbel version=\"1.0\">") +
                   QByteArray("<folder>").repeated(30000) +
                   QByteArray("</folder>").repeated(30000) + QByteArray("</xbel>");
    }

    // A FIFO in its place is refused at once, never waited on, and stays.
    void neverBlocksOnAFifo() {
        QFile::remove(xbel_);
        QVERIFY(::mkfifo(QFile::encodeName(xbel_).constData(), 0600) == 0);
        auto docs = documents();
        QVERIFY(docs.note(sandbox_.file("c.txt")).failed());
        QVERIFY(docs.paths().empty());
        struct stat st {};
        QVERIFY(::lstat(QFile::encodeName(xbel_).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QFile::remove(xbel_);
    }
    void leavesAnUnreadableFileAlone() {
        QFETCH(QByteArray, content);
        writeAll(xbel_, content);
        auto docs = documents();
        QVERIFY(docs.note(sandbox_.file("c.txt")).failed());
        QVERIFY(docs.clear().failed());
        QVERIFY(docs.paths().empty());
        QCOMPARE(readAll(xbel_), content);
    }

    void pathsThatAreNotUtf8RoundTrip() {
        const std::string odd = sandbox_.file(std::string("odd\xff name\n$`'.txt"));
        auto docs = documents();
        QVERIFY(docs.note(odd).ok());
        QCOMPARE(documents().paths(), std::vector<std::string>{odd});
    }

    void controllerKeepsOneEntryPerPathMostRecentFirst() {
        auto docs = documents();
        const std::string one = sandbox_.file("Case.txt");
        const std::string two = sandbox_.file("case.txt");
        basalt::AMRecentItemController controller(docs, platform_);
        QSignalSpy changed(&controller, &basalt::AMRecentItemController::itemListChanged);
        controller.addRecentItem(one);
        controller.addRecentItem(two);
        controller.addRecentItem(one);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(controller.itemList().size(), 2U);
        QCOMPARE(controller.itemList()[0].id, one);
        QCOMPARE(controller.itemList()[0].name, u"Case.txt"_s);
        QCOMPARE(controller.itemList()[1].id, two);

        // A new controller starts from what the desktop's list holds.
        basalt::AMRecentItemController restarted(docs, platform_);
        QCOMPARE(restarted.itemList().size(), 2U);
        QCOMPARE(restarted.itemList()[0].id, one);

        restarted.clearRecentItems();
        QVERIFY(restarted.itemList().empty());
        QVERIFY(docs.paths().empty());
    }

    void deletedItemKeepsItsNameAndGetsAnIconForItsName() {
        auto docs = documents();
        basalt::AMRecentItemController controller(docs, platform_);
        const std::string gone = sandbox_.path("gone.png");
        controller.addRecentItem(gone);
        QCOMPARE(controller.itemList().front().name, u"gone.png"_s);
        QCOMPARE(controller.itemList().front().url, gone);
        // The picture a PNG wears, found from the name alone.
        const QIcon icon = controller.itemList().front().icon;
        QVERIFY(!icon.isNull());
        QVERIFY2(icon.name().startsWith(u"image-"_s), qPrintable(icon.name()));
    }

    void openingCallsTheActionOrSaysItIsMissing() {
        auto docs = documents();
        basalt::AMRecentItemController controller(docs, platform_);
        controller.addRecentItem(sandbox_.file("open.txt"));
        controller.openRecentItem(controller.itemList().front());
        QTRY_COMPARE(alerts_.requests().size(), 1U);
        QCOMPARE(
            alerts_.requests().front().messageText,
            u"Failed to open the recent item as the \"Action\" closure wasn't specified. Please "
            u"contact the application author."_s);

        std::string opened;
        QObject::connect(&controller, &basalt::AMRecentItemController::recentItemChosen,
                         &controller, [&](const std::string& path) { opened = path; });
        controller.openRecentItem(controller.itemList().front());
        QCOMPARE(opened, sandbox_.path("open.txt"));
    }
};

QTEST_MAIN(RecentItemsTest)
#include "tst_recent_items.moc"
