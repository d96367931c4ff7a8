#include "authorization.h"

#include <unistd.h>

#include <mutex>
#include <ostream>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

#include "basalt/diagnostics.h"
#include "basalt/shell_quoting.h"
#include "platform/child_process.h"
#include "platform/program_trust.h"

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

constexpr int kDismissed = 126;
constexpr int kNotAuthorized = 127;
constexpr int kUserCancelled = -128;

constexpr auto kNoAgentText = "No authentication agent found";

constexpr auto kPkexec = "/usr/bin/pkexec";

std::mutex programMutex;
std::string programName = kPkexec;
uid_t trustedOwner = 0;

class StatementParser {
  public:
    explicit StatementParser(std::string_view source) : text_(source) {}

    std::optional<ShellScriptStatement> parse() {
        ShellScriptStatement statement;
        if (!words({"do", "shell", "script"})) {
            return std::nullopt;
        }
        auto command = literal();
        if (!command) {
            return std::nullopt;
        }
        statement.command = std::move(*command);
        bool seenPrompt = false;
        while (!atEnd()) {
            if (words({"with", "prompt"}) && !seenPrompt) {
                auto prompt = literal();
                if (!prompt) {
                    return std::nullopt;
                }
                statement.prompt = std::move(*prompt);
                seenPrompt = true;
            } else if (words({"with", "administrator", "privileges"}) &&
                       !statement.withAdministratorPrivileges) {
                statement.withAdministratorPrivileges = true;
            } else {
                return std::nullopt;
            }
        }
        return statement;
    }

  private:
    void skipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }
    bool atEnd() {
        skipSpace();
        return pos_ == text_.size();
    }
    // Consumes the words when all of them follow; otherwise consumes nothing.
    bool words(std::initializer_list<std::string_view> expected) {
        const size_t start = pos_;
        for (const auto word : expected) {
            skipSpace();
            if (text_.substr(pos_, word.size()) != word) {
                pos_ = start;
                return false;
            }
            pos_ += word.size();
            const bool boundary = pos_ == text_.size() || text_[pos_] == ' ' ||
                                  text_[pos_] == '\t' || text_[pos_] == '\n' ||
                                  text_[pos_] == '\r' || text_[pos_] == '"';
            if (!boundary) {
                pos_ = start;
                return false;
            }
        }
        return true;
    }
    std::optional<std::string> literal() {
        skipSpace();
        if (pos_ >= text_.size() || text_[pos_] != '"') {
            return std::nullopt;
        }
        ++pos_;
        std::string value;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return value;
            }
            if (c == '\\') {
                if (pos_ >= text_.size() || (text_[pos_] != '\\' && text_[pos_] != '"')) {
                    return std::nullopt;
                }
                value += text_[pos_++];
            } else {
                value += c;
            }
        }
        return std::nullopt;  // unterminated
    }

    std::string_view text_;
    size_t pos_ = 0;
};

std::string withoutFinalNewline(std::string text) {
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

QString messageText(const std::string& bytes) {
    return QString::fromLocal8Bit(withoutFinalNewline(bytes));
}

void writeScriptLine(const std::string& script) {
    diagnostics()
        << "executeWithAuthorization(inScript:inPrompt:sender:completionHandler:) script: "
        << script << '\n';
}

}  // namespace

std::optional<ShellScriptStatement> parseDoShellScript(std::string_view source) {
    return StatementParser(source).parse();
}

void setElevationProgram(std::string program, uid_t owner) {
    const std::lock_guard lock(programMutex);
    programName = std::move(program);
    trustedOwner = owner;
}

std::string elevationProgram() {
    const std::lock_guard lock(programMutex);
    return programName;
}

namespace {

ScriptOutcome notStarted(QString message, ElevationResult kind = ElevationResult::notStarted) {
    ScriptOutcome outcome;
    outcome.kind = kind;
    outcome.errorMessage = std::move(message);
    return outcome;
}

}  // namespace

ScriptOutcome runShellScript(const ShellScriptStatement& statement) {
    auto words = splitQuotedWords(statement.command);
    if (!words || words->empty() || words->front().empty() || words->front().front() != '/') {
        return notStarted(QCoreApplication::translate(
            "authorization", "The command is not one program given by its full path"));
    }
    uid_t owner = 0;
    std::string program;
    {
        const std::lock_guard lock(programMutex);
        owner = trustedOwner;
        program = programName;
    }
    // Through pkexec unless this process is root already; a substitute
    // (a test's) is always gone through, so its outcomes can be had as root.
    const bool throughElevation =
        statement.withAdministratorPrivileges && (::geteuid() != 0 || program != kPkexec);
    if (statement.withAdministratorPrivileges) {
        if (const auto problem = gw::platform::untrustedProgramReason(words->front(), owner)) {
            return notStarted(
                QCoreApplication::translate(
                    "authorization", "Grantwell will not run its helper as administrator: ") +
                    QString::fromLocal8Bit(*problem),
                ElevationResult::untrusted);
        }
        if (throughElevation) {
            words->insert(words->begin(), program);
        }
    }
    auto child = gw::platform::runChild(*words);

    if (child.startError) {
        return notStarted(
            QString::fromStdString(words->front() + ": " + child.startError->description));
    }
    ScriptOutcome outcome;
    if (!child.exitStatus) {
        outcome.errorMessage = QCoreApplication::translate(
            "authorization", "The command ended without an exit status.");
        return outcome;
    }
    const int status = *child.exitStatus;
    if (status == 0) {
        outcome.kind = ElevationResult::succeeded;
        outcome.result = withoutFinalNewline(std::move(child.output));
        return outcome;
    }
    if (throughElevation && status == kDismissed) {
        outcome.kind = ElevationResult::cancelled;
        outcome.errorNumber = kUserCancelled;
        outcome.errorMessage = QCoreApplication::translate("authorization", "User canceled.");
        return outcome;
    }
    outcome.errorNumber = status;
    const bool elevationRefused = throughElevation && status == kNotAuthorized;
    if (elevationRefused) {
        outcome.kind = child.errors.find(kNoAgentText) != std::string::npos
                           ? ElevationResult::noAgent
                           : ElevationResult::notAuthorized;
    }
    const std::string& text =
        child.errors.empty() && !elevationRefused ? child.output : child.errors;
    outcome.errorMessage = messageText(text);
    return outcome;
}

std::pair<int, QString> authorizationStatus(const ScriptOutcome& outcome) {
    if (!outcome.started()) {
        // Why an untrusted helper was refused is the user's to know; a
        // program that would not start is only a failure to begin.
        return {-1, outcome.kind == ElevationResult::untrusted
                        ? outcome.errorMessage.value_or(QString())
                        : QCoreApplication::translate("authorization",
                                                      "Failed to begin authorization")};
    }
    if (outcome.succeeded()) {
        // Success is 0: the thread's errno after a run means nothing.
        return {0, QString::fromLocal8Bit(outcome.result)};
    }
    if (!outcome.errorNumber) {
        return {-42, QCoreApplication::translate("authorization", "Unable to get error code")};
    }
    const int number = *outcome.errorNumber;
    if (number == kUserCancelled) {
        return {kUserCancelled,
                QCoreApplication::translate("authorization", "Operation Cancelled")};
    }
    return {number, administratorFailureText(outcome.errorMessage.value_or(u"Unknown"_s), number)};
}

QString administratorFailureText(QString message, std::optional<int> status) {
    if (status == 1) {
        message.prepend(
            QCoreApplication::translate("authorization", "The administrator run failed: "));
    }
    return message;
}

void executeWithAuthorization(const std::string& script, const std::string& prompt,
                              const QPointer<QObject>& sender,
                              const AuthorizationCompletion& completion) {
    QThreadPool::globalInstance()->start([script, prompt, sender, completion]() {
        const std::string source = "do shell script \"" + script + "\" with prompt \"" + prompt +
                                   "\" with administrator privileges";
        const auto statement = parseDoShellScript(source);
        if (!statement) {
            completion(
                -1, QCoreApplication::translate("authorization", "Failed to begin authorization"),
                sender);
            writeScriptLine(script);
            return;
        }
        const ScriptOutcome outcome = runShellScript(*statement);
        if (!outcome.started()) {
            diagnostics() << "executeWithAuthorization: "
                          << outcome.errorMessage.value_or(QString()).toStdString() << '\n';
        } else if (!outcome.succeeded() && outcome.errorNumber &&
                   *outcome.errorNumber != kUserCancelled) {
            writeScriptLine(script);
        }
        const auto [status, text] = authorizationStatus(outcome);
        // A copy the queued call can capture (a structured binding can't be).
        const QString message = text;
        if (status == -42) {
            // The run without a number is reported from the main thread.
            if (QCoreApplication* app = QCoreApplication::instance()) {
                QMetaObject::invokeMethod(
                    app, [completion, sender, message]() { completion(-42, message, sender); },
                    Qt::QueuedConnection);
            }
            return;
        }
        completion(status, message, sender);
    });
}

}  // namespace basalt
