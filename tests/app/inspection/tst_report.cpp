// `grantwell --report` as a real process, headless.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "support/process_runner.h"
#include "support/test_files.h"

using namespace Qt::StringLiterals;

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
    QCOMPARE(record[u"name"_s].toString(), u"a.txt"_s);
    QCOMPARE(record[u"url"_s].toString(), QString::fromStdString(file));
    QCOMPARE(record[u"accessSummary"_s][u"value"_s].toString(), u"yes"_s);
    QCOMPARE(record[u"owner"_s][u"write"_s].toBool(), true);
    QCOMPARE(record[u"xattrsStatus"_s].toString(), u"hasXattrs"_s);
    QCOMPARE(record[u"xattrs"_s].toArray()[0].toArray()[1].toString(), u"3 b"_s);
    QCOMPARE(record[u"ACLStatus"_s].toString(), u"noACLs"_s);
    QVERIFY(record[u"criticalError"_s].isNull());
    QVERIFY(record[u"attributesModified"_s].toString().contains(
        QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{9}Z$"_s)));
}

void ReportTest::unreachablePathsSetTheStatus() {
    Sandbox box;
    const std::string file = box.file("a", "x");
    const auto result = report({"--report", "--json", file, "/no/such/item"});
    QCOMPARE(result.status, 1);
    const QJsonArray records =
        QJsonDocument::fromJson(QByteArray::fromStdString(result.output)).array();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[1][u"accessSummary"_s][u"text"_s].toString(), u"Unable to determine access"_s);
}

void ReportTest::hostileNamesAndSpecialFiles() {
    Sandbox box;
    const std::string newline = box.file("two\nlines", "x");
    const std::string invalid = box.file("bad\xff name", "x");
    const std::string fifo = box.fifo("pipe");
    const auto result = report({"--report", newline, invalid, fifo, "/dev/zero"});
    QCOMPARE(result.status, 0);
    const QString text = QString::fromUtf8(result.output);
    QVERIFY(text.contains(u"two\\nlines"_s));
    QVERIFY(text.contains(u"Pipe"_s));
    QVERIFY(text.contains(u"Character device"_s));
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
