#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

#include <QObject>
#include <QPointer>
#include <QString>

namespace basalt {

// The one AppleScript statement the programs speak to run a command as
// administrator:
//   do shell script "COMMAND" with prompt "PROMPT" with administrator privileges
// Literals know the escapes \\ and \" only; both clauses are optional and
// may come in either order.
struct ShellScriptStatement {
    std::string command;
    std::string prompt;
    bool withAdministratorPrivileges = false;
};
std::optional<ShellScriptStatement> parseDoShellScript(std::string_view source);

// How a run behind the administrator prompt ended, named at the one place
// where pkexec's statuses are told apart from the program's.
enum class ElevationResult {
    succeeded,
    cancelled,      // the prompt was dismissed
    notAuthorized,  // the password was refused, or the policy says no
    noAgent,        // no polkit authentication agent could show a prompt
    failed,         // the program ran and failed: its status and output
    notStarted,     // nothing ran: the line was not ours, or the program would not start
    untrusted,      // nothing ran: someone other than root could change the program
};

// How one statement ended, as the scripting layer reports it.
struct ScriptOutcome {
    ElevationResult kind = ElevationResult::failed;
    // False: the program could not be run at all.
    bool started() const {
        return kind != ElevationResult::notStarted && kind != ElevationResult::untrusted;
    }
    bool succeeded() const { return kind == ElevationResult::succeeded; }
    std::string result;              // the command's output, one final newline removed
    std::optional<int> errorNumber;  // none when the run ended without one
    std::optional<QString> errorMessage;
};

// Runs the statement's command without a shell: its words (as
// splitQuotedWords reads them) are a program by absolute path and its
// arguments. With administrator privileges that is `ELEVATION PROGRAM
// ARGS...`, and only for a program that belongs to root and that no one
// else can change; when this process is root already, the program runs
// directly. The elevation program answers 126 when its dialog is dismissed
// (error -128) and 127 when the user is not authorized or no agent can ask
// (its message); the programs run this way never exit 126 or 127, so any
// other failure carries the program's exit status and standard error (else
// standard output). Blocks until the command ends.
ScriptOutcome runShellScript(const ShellScriptStatement& statement);

// "/usr/bin/pkexec" unless replaced: by absolute path, never found through
// the user's PATH. Tests run a substitute that records what it was given,
// and trust programs of their own account.
void setElevationProgram(std::string program, uid_t trustedOwner = 0);
std::string elevationProgram();

// The plain-words reason shown when no polkit agent can show the prompt.
inline constexpr auto kNoAgentMessage =
    "No administrator prompt is available: no polkit authentication agent is running";

// The status and message a finished run reports to its caller: 0 and the
// output on success, -128 when the prompt was dismissed, 1 with
// "The administrator run failed: " and the program's message, another
// number with its message, -1 when nothing could be run.
std::pair<int, QString> authorizationStatus(const ScriptOutcome& outcome);

// What a run that ran and failed says: its message, after "The administrator
// run failed: " when its status is 1 (the helper's own failure).
QString administratorFailureText(QString message, std::optional<int> status);

using AuthorizationCompletion =
    std::function<void(int status, const QString& message, QPointer<QObject> sender)>;

// Runs one shell command as administrator in the background and reports
// (status, message, sender) exactly once: 0 and the output on success, -128
// when the prompt was dismissed, 1 with "The administrator run failed: "
// and the command's message, another number with its message, -1 when the
// statement can't be made or the elevation program can't start, -42 (on
// the main thread) when the run ended without a number. Script and prompt
// are placed in the statement's literals as they are: the caller escapes
// them (shellEscapedPath, appleScriptEscaped).
void executeWithAuthorization(const std::string& script, const std::string& prompt,
                              const QPointer<QObject>& sender,
                              const AuthorizationCompletion& completion);

}  // namespace basalt
