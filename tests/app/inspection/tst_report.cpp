// `grantwell --report` as a real process, headless.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "support/process_runner.h"
#include "support/test_files.h"

using gw::test::Sandbox;

namespace {

gw::test::ProcessResult report(std::vector<std::string> args) {
    args.insert(args.begin(), GRANTWELL_PATH);
    return gw::test::runProcess(args);
}

}  // namespace

class ReportTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void jsonCarriesTheFieldNames();
    void unreachablePathsSetTheStatus();
    void hostileNamesAndSpecialFiles();
    void usage();
};

void ReportTest::jsonCarriesTheFieldNames() {
    Sandbox box;
    const std::string file = box.file("a.txt", "hello", 0644);
    QVERIFY(gw::test::setXattr(file, "color", "red"));
    const auto result = report({"--report", "--json", file});
    QCOMPARE(result.status, 0);
    QJsonParseError error{};
    const QJsonObject record =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.output), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(record[u"name"_qs].toString(), u"a.txt"_qs);
    QCOMPARE(record[u"url"_qs].toString(), QString::fromStdString(file));
    QCOMPARE(record[u"accessSummary"_qs][u"value"_qs].toString(), u"yes"_qs);
    QCOMPARE(record[u"owner"_qs][u"write"_qs].toBool(), true);
    QCOMPARE(record[u"xattrsStatus"_qs].toString(), u"hasXattrs"_qs);
    QCOMPARE(record[u"xattrs"_qs].toArray()[0].toArray()[1].toString(), u"3 b"_qs);
    QCOMPARE(record[u"ACLStatus"_qs].toString(), u"noACLs"_qs);
    QVERIFY(record[u"criticalError"_qs].isNull());
    QVERIFY(record[u"attributesModified"_qs].toString().contains(
        QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{9}Z$"_qs)));
}

void ReportTest::unreachablePathsSetTheStatus() {
    Sandbox box;
    const std::string file = box.file("a", "x");
    const auto result = report({"--report", "--json", file, "/no/such/item"});
    QCOMPARE(result.status, 1);
    const QJsonArray records =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.output)).array();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[1][u"accessSummary"_qs][u"text"_qs].toString(),
             u"Unable to determine access"_qs);
}

void ReportTest::hostileNamesAndSpecialFiles() {
    Sandbox box;
    const std::string newline = box.file("two\nlines", "x");
    const std::string invalid = box.file("bad\xff name", "x");
    const std::string fifo = box.fifo("pipe");
    const auto result = report({"--report", newline, invalid, fifo, "/dev/zero"});
    QCOMPARE(result.status, 0);
    const QString text = QString::fromUtf8(result.output);
    QVERIFY(text.contains(u"two\\nlines"_qs));
    QVERIFY(text.contains(u"Pipe"_qs));
    QVERIFY(text.contains(u"Character device"_qs));
}

void ReportTest::usage() {
    QCOMPARE(report({"--report"}).status, 2);
    QCOMPARE(report({"--no-such-option"}).status, 2);
    // An empty path is no item, not the current folder.
    const auto empty = report({"--report", ""});
    QCOMPARE(empty.status, 1);
    QCOMPARE(empty.output, std::string());
    QCOMPARE(empty.errors, std::string("grantwell: an empty path names no item\n"));
    QCOMPARE(report({""}).status, 2);
}

QTEST_GUILESS_MAIN(ReportTest)
#include "tst_report.moc"
