// The administrator-command layer: the statement interpreter, shell
// quoting, and the outcomes the completion reports.
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <mutex>

#include <QTemporaryDir>

#include "basalt/desktop/authorization.h"
#include "basalt/shell_quoting.h"
#include "support/elevation.h"
#include "support/process_runner.h"

using namespace Qt::StringLiterals;

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
        [outcome, mutex](int status, const QString& message, const QPointer<QObject>& back) {
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
        const std::string program = writeProgram("printf '%s|' \"$@\"\n");
        for (const auto& word : kHostileWords) {
            const std::string literal = basalt::shellEscapedPath(word);
            const std::string source = "do shell script \"" + basalt::shellEscapedPath(program) +
                                       " " + literal + "\" with administrator privileges";
            const auto statement = basalt::parseDoShellScript(source);
            QVERIFY2(statement.has_value(), word.c_str());
            const auto outcome = basalt::runShellScript(*statement);
            QVERIFY2(outcome.succeeded(), word.c_str());
            QCOMPARE(QByteArray::fromStdString(outcome.result),
                     QByteArray::fromStdString(word + "|"));
        }
        QVERIFY(!QFile::exists(u"/tmp/gw-pwned"_s));
    }

    // The words a command line holds, as the quoting writes them; what a
    // shell would interpret is no line of ours.
    void splitsOnlyQuotedWords_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArrayList>("words");
        QTest::addColumn<bool>("valid");
        QTest::newRow("quoted") << QByteArray("'/a b' 'c'") << QByteArrayList{"/a b", "c"} << true;
        QTest::newRow("quote inside")
            << QByteArray("'it'\\''s' -x") << QByteArrayList{"it's", "-x"} << true;
        QTest::newRow("empty word") << QByteArray("'/p' ''") << QByteArrayList{"/p", ""} << true;
        QTest::newRow("blanks") << QByteArray("  /p\t\n x ") << QByteArrayList{"/p", "x"} << true;
        for (const char* line : {"/p; rm x", "/p $(id)", "/p `id`", "/p | x", "/p > f", "/p & x",
                                 "/p *", "'/p", "/p \"x\"", "/p \\"}) {
            QTest::newRow(line) << QByteArray(line) << QByteArrayList{} << false;
        }
    }
    void splitsOnlyQuotedWords() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArrayList, words);
        QFETCH(bool, valid);
        const auto split = basalt::splitQuotedWords(line.toStdString());
        QCOMPARE(split.has_value(), valid);
        if (valid) {
            QByteArrayList got;
            for (const auto& word : *split) {
                got << QByteArray::fromStdString(word);
            }
            QCOMPARE(got, words);
        }
    }

    void completionReportsEachOutcome_data() {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("body");  // the program's; empty: the command is `raw`
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const int run = static_cast<int>(SubstituteElevation::Behaviour::Run);
        QTest::newRow("success") << run << u"echo done"_s << QString() << 0 << u"done"_s;
        QTest::newRow("exit 1") << run << u"echo 'no such user' >&2; exit 1"_s << QString() << 1
                                << u"The administrator run failed: no such user"_s;
        QTest::newRow("exit 3, output only")
            << run << u"echo partial; exit 3"_s << QString() << 3 << u"partial"_s;
        QTest::newRow("dismissed")
            << static_cast<int>(SubstituteElevation::Behaviour::Dismiss) << u"echo never"_s
            << QString() << -128 << u"Operation Cancelled"_s;
        QTest::newRow("not authorized")
            << static_cast<int>(SubstituteElevation::Behaviour::Refuse) << u"echo never"_s
            << QString() << 127 << u"Error executing command as another user: Not authorized"_s;
        QTest::newRow("statement can't be made") << run << QString() << u"echo \" unbalanced"_s
                                                 << -1 << u"Failed to begin authorization"_s;
        QTest::newRow("a shell line is not run")
            << run << QString() << u"/bin/touch /tmp/gw-pwned; echo"_s << -1
            << u"Failed to begin authorization"_s;
        QTest::newRow("a program found through PATH is not run")
            << run << QString() << u"echo hi"_s << -1 << u"Failed to begin authorization"_s;
        QTest::newRow("no exit status")
            << run << u"kill -9 $$"_s << QString() << -42 << u"Unable to get error code"_s;
    }
    void completionReportsEachOutcome() {
        QFETCH(int, behaviour);
        QFETCH(QString, body);
        QFETCH(QString, raw);
        QFETCH(int, status);
        QFETCH(QString, message);
        SubstituteElevation elevation(static_cast<SubstituteElevation::Behaviour>(behaviour));
        const std::string script = body.isEmpty()
                                       ? raw.toStdString()
                                       : basalt::shellEscapedPath(writeProgram(body.toStdString()));
        QObject sender;
        const Outcome outcome = execute(script, &sender);
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.sender.data(), &sender);
        // Only the run without a number comes back on the main thread.
        QCOMPARE(outcome.onMainThread, status == -42);
        QCOMPARE(elevation.receivedCommands().empty(), status == -1);
        QVERIFY(!QFile::exists(u"/tmp/gw-pwned"_s));
    }

    // pkexec's own 126 and 127 are told apart from the program's statuses,
    // and a missing agent from a refusal.
    void elevationResultsAreNamed_data() {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("kind");
        using B = SubstituteElevation::Behaviour;
        using R = basalt::ElevationResult;
        QTest::newRow("ran") << int(B::Run) << u"exit 0"_s << int(R::succeeded);
        QTest::newRow("program failed") << int(B::Run) << u"exit 1"_s << int(R::failed);
        QTest::newRow("dismissed") << int(B::Dismiss) << u"exit 0"_s << int(R::cancelled);
        QTest::newRow("refused") << int(B::Refuse) << u"exit 0"_s << int(R::notAuthorized);
        QTest::newRow("no agent") << int(B::NoAgent) << u"exit 0"_s << int(R::noAgent);
    }
    void elevationResultsAreNamed() {
        QFETCH(int, behaviour);
        QFETCH(QString, body);
        QFETCH(int, kind);
        SubstituteElevation elevation(static_cast<SubstituteElevation::Behaviour>(behaviour));
        basalt::ShellScriptStatement statement;
        statement.command = basalt::shellQuoted(writeProgram(body.toStdString()));
        statement.withAdministratorPrivileges = true;
        QCOMPARE(int(basalt::runShellScript(statement).kind), kind);
    }

    // A helper that someone other than its owner could change is never
    // handed to the elevation program.
    void untrustedHelperIsRefused_data() {
        QTest::addColumn<unsigned>("programMode");
        QTest::addColumn<unsigned>("folderMode");
        QTest::newRow("program writable by all") << 0777U << 0755U;
        QTest::newRow("program writable by its group") << 0775U << 0755U;
        QTest::newRow("folder writable by all") << 0755U << 0777U;
    }
    void untrustedHelperIsRefused() {
        QFETCH(unsigned, programMode);
        QFETCH(unsigned, folderMode);
        SubstituteElevation elevation(SubstituteElevation::Behaviour::Run);
        const std::string program = writeProgram("echo ran\n");
        ::chmod(program.c_str(), programMode);
        ::chmod(programs_.path().toLocal8Bit().constData(), folderMode);
        const Outcome outcome = execute(basalt::shellEscapedPath(program));
        ::chmod(programs_.path().toLocal8Bit().constData(), 0700);
        QCOMPARE(outcome.status, -1);
        QVERIFY2(
            outcome.message.startsWith(u"Grantwell will not run its helper as administrator: "_s) &&
                outcome.message.endsWith(u"can be changed by other users"_s),
            qPrintable(outcome.message));
        QVERIFY(elevation.receivedCommands().empty());
    }

    void missingElevationProgramFailsToBegin() {
        const std::string program = writeProgram("echo hi\n");
        basalt::setElevationProgram("/nonexistent/pkexec", ::geteuid());
        const Outcome outcome = execute(basalt::shellEscapedPath(program));
        basalt::setElevationProgram("/usr/bin/pkexec");
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.status, -1);
        QCOMPARE(outcome.sender.data(), nullptr);
    }

  private:
    // A program of this test's own, by absolute path.
    std::string writeProgram(const std::string& body) {
        std::string path =
            programs_.filePath(u"program-"_s + QString::number(++programs)).toStdString();
        std::ofstream(path) << "#!/bin/sh\n" << body << '\n';
        ::chmod(path.c_str(), 0755);
        return path;
    }
    QTemporaryDir programs_;
    int programs = 0;
};

QTEST_GUILESS_MAIN(AuthorizationTest)
#include "tst_authorization.moc"
