// The administrator-command layer: the statement interpreter, shell
// quoting, and the outcomes the completion reports.
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <mutex>

#include "basalt/desktop/authorization.h"
#include "basalt/shell_quoting.h"
#include "support/elevation.h"
#include "support/process_runner.h"

using gw::test::SubstituteElevation;

namespace {

// Text no shell should ever interpret.
const std::vector<std::string> kHostileWords = {
    "plain",
    "a b",
    "it's",
    "''",
    "$(touch /tmp/gw-pwned)",
    "`id`",
    "back\\slash\\",
    "quote\"d",
    "new\nline",
    "-rf",
    "$HOME;*",
    std::string("bad\xff\xfe utf8"),
    "",
};

struct Outcome {
    int status = 0;
    QString message;
    QPointer<QObject> sender;
    bool onMainThread = false;
    int calls = 0;
};

// Runs one command through executeWithAuthorization and waits for its one
// completion.
Outcome execute(const std::string& script, QObject* sender = nullptr) {
    auto outcome = std::make_shared<Outcome>();
    auto mutex = std::make_shared<std::mutex>();
    basalt::executeWithAuthorization(
        script, "Please Authorize", QPointer<QObject>(sender),
        [outcome, mutex](int status, const QString& message, QPointer<QObject> back) {
            const std::lock_guard lock(*mutex);
            outcome->status = status;
            outcome->message = message;
            outcome->sender = back;
            outcome->onMainThread =
                QThread::currentThread() == QCoreApplication::instance()->thread();
            ++outcome->calls;
        });
    const auto calls = [&]() {
        const std::lock_guard lock(*mutex);
        return outcome->calls;
    };
    if (!QTest::qWaitFor([&]() { return calls() > 0; }, 10000)) {
        return Outcome{};
    }
    QTest::qWait(50);  // a second call would show here
    const std::lock_guard lock(*mutex);
    return *outcome;
}

}  // namespace

class AuthorizationTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void parsesTheStatement_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("prompt");
        QTest::addColumn<bool>("admin");
        QTest::newRow("full")
            << QByteArray(
                   "do shell script \"ls -l\" with prompt \"Why\" with administrator privileges")
            << true << QByteArray("ls -l") << QByteArray("Why") << true;
        QTest::newRow("clauses swapped")
            << QByteArray("do shell script \"x\" with administrator privileges with prompt \"p\"")
            << true << QByteArray("x") << QByteArray("p") << true;
        QTest::newRow("no clauses") << QByteArray("do shell script \"echo\"") << true
                                    << QByteArray("echo") << QByteArray() << false;
        QTest::newRow("escapes") << QByteArray("do shell script \"a\\\\b \\\"c\\\"\"") << true
                                 << QByteArray("a\\b \"c\"") << QByteArray() << false;
        QTest::newRow("unknown escape") << QByteArray("do shell script \"a\\nb\"") << false
                                        << QByteArray() << QByteArray() << false;
        QTest::newRow("unterminated") << QByteArray("do shell script \"abc") << false
                                      << QByteArray() << QByteArray() << false;
        QTest::newRow("trailing text")
            << QByteArray("do shell script \"a\" with administrator privileges\" & \"b\"") << false
            << QByteArray() << QByteArray() << false;
        QTest::newRow("repeated clause")
            << QByteArray("do shell script \"a\" with prompt \"x\" with prompt \"y\"") << false
            << QByteArray() << QByteArray() << false;
        QTest::newRow("other statement") << QByteArray("tell application \"Finder\" to quit")
                                         << false << QByteArray() << QByteArray() << false;
    }
    void parsesTheStatement() {
        QFETCH(QByteArray, source);
        QFETCH(bool, valid);
        const auto statement = basalt::parseDoShellScript(source.toStdString());
        QCOMPARE(statement.has_value(), valid);
        if (valid) {
            QFETCH(QByteArray, command);
            QFETCH(QByteArray, prompt);
            QFETCH(bool, admin);
            QCOMPARE(QByteArray::fromStdString(statement->command), command);
            QCOMPARE(QByteArray::fromStdString(statement->prompt), prompt);
            QCOMPARE(statement->withAdministratorPrivileges, admin);
        }
    }

    // Whatever a word holds, placed in the statement through the escaping it
    // reaches the program as exactly one argument, unchanged.
    void hostileWordsReachTheProgramAsOneArgument() {
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        for (const auto& word : kHostileWords) {
            const std::string literal = basalt::shellEscapedPath(word);
            const std::string source =
                "do shell script \"printf '%s|' " + literal + "\" with administrator privileges";
            const auto statement = basalt::parseDoShellScript(source);
            QVERIFY2(statement.has_value(), word.c_str());
            const auto outcome = basalt::runShellScript(*statement);
            QVERIFY2(outcome.succeeded, word.c_str());
            QCOMPARE(QByteArray::fromStdString(outcome.result),
                     QByteArray::fromStdString(word + "|"));
        }
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/gw-pwned")));
    }

    void completionReportsEachOutcome_data() {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const int run = static_cast<int>(SubstituteElevation::Behaviour::Run);
        QTest::newRow("success") << run << u"echo done"_qs << 0 << u"done"_qs;
        QTest::newRow("exit 1") << run << u"echo 'no such user' >&2; exit 1"_qs << 1
                                << u"macOS Security denied operation: no such user"_qs;
        QTest::newRow("exit 3, output only")
            << run << u"echo partial; exit 3"_qs << 3 << u"partial"_qs;
        QTest::newRow("dismissed") << static_cast<int>(SubstituteElevation::Behaviour::Dismiss)
                                   << u"echo never"_qs << -128 << u"Operation Cancelled"_qs;
        QTest::newRow("not authorized")
            << static_cast<int>(SubstituteElevation::Behaviour::Refuse) << u"echo never"_qs << 127
            << u"Error executing command as another user: Not authorized"_qs;
        QTest::newRow("statement can't be made")
            << run << u"echo \" unbalanced"_qs << -1 << u"Failed to begin authorization"_qs;
        QTest::newRow("no exit status")
            << run << u"kill -9 $$"_qs << -42 << u"Unable to get error code"_qs;
    }
    void completionReportsEachOutcome() {
        QFETCH(int, behaviour);
        QFETCH(QString, script);
        QFETCH(int, status);
        QFETCH(QString, message);
        SubstituteElevation elevation(static_cast<SubstituteElevation::Behaviour>(behaviour));
        QObject sender;
        const Outcome outcome = execute(script.toStdString(), &sender);
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.sender.data(), &sender);
        // Only the run without a number comes back on the main thread.
        QCOMPARE(outcome.onMainThread, status == -42);
    }

    void missingElevationProgramFailsToBegin() {
        basalt::setElevationProgram("/nonexistent/pkexec");
        const Outcome outcome = execute("echo hi");
        basalt::setElevationProgram("pkexec");
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.status, -1);
        QCOMPARE(outcome.sender.data(), nullptr);
    }
};

QTEST_GUILESS_MAIN(AuthorizationTest)
#include "tst_authorization.moc"
