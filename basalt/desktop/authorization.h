#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// How one statement ended, as the scripting layer reports it.
struct ScriptOutcome {
    bool started = true;  // false: the program could not be run at all
    bool succeeded = false;
    std::string result;              // the command's output, one final newline removed
    std::optional<int> errorNumber;  // none when the run ended without one
    std::optional<QString> errorMessage;
};

// Runs the statement: `ELEVATION /bin/sh -c COMMAND` with administrator
// privileges, `/bin/sh -c COMMAND` without. The elevation program answers
// 126 when its dialog is dismissed (error -128) and 127 when the user is
// not authorized (its message); any other failure carries the exit status
// and standard error (else standard output). Blocks until the command ends.
ScriptOutcome runShellScript(const ShellScriptStatement& statement);

// "pkexec" unless replaced (tests run a substitute that records what the
// shell was given).
void setElevationProgram(std::string program);
std::string elevationProgram();

using AuthorizationCompletion =
    std::function<void(int status, const QString& message, QPointer<QObject> sender)>;

// Runs one shell command as administrator in the background and reports
// (status, message, sender) exactly once: 0 and the output on success, -128
// when the prompt was dismissed, 1 with "macOS Security denied operation: "
// and the command's message, another number with its message, -1 when the
// statement can't be made or the elevation program can't start, -42 (on
// the main thread) when the run ended without a number. Script and prompt
// are placed in the statement's literals as they are: the caller escapes
// them (shellEscapedPath, appleScriptEscaped).
void executeWithAuthorization(const std::string& script, const std::string& prompt,
                              QPointer<QObject> sender, AuthorizationCompletion completion);

}  // namespace basalt
