// The reset: Vosker with the user's rights, then as administrator.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ostream>

#include <QStringDecoder>

#include "app/controller/background.h"
#include "app/controller/reset_controller.h"
#include "app/controller/reset_reasons.h"
#include "basalt/desktop/alerts.h"
#include "basalt/desktop/authorization.h"
#include "basalt/diagnostics.h"
#include "basalt/shell_quoting.h"

namespace gw::controller {

namespace {

constexpr auto kAuthorizationPrompt =
    "Please Authorize Grantwell as it currently doesn't have permission to reset these "
    "permissions.";

}  // namespace

QString failureReason(const platform::ChildOutcome& task) {
    const int status = task.exitStatus.value_or(-1);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(
        QByteArrayView(task.output.data(), static_cast<qsizetype>(task.output.size())));
    if (decoder.hasError()) {
        return QStringLiteral("Unknown reason, code: ") + QString::number(status);
    }
    return QString::number(status) + u' ' + text;
}

void ResetController::engineLog(const QString& text) const {
    basalt::diagnostics() << "ResetEngine_v4: " << text.toStdString() << '\n';
}

std::vector<std::string> ResetController::helperArguments() const {
    std::vector<std::string> arguments{"reset", "-username", services_.loginName.toStdString()};
    if (resetNestedItems()) {
        arguments.emplace_back("-deep");
    }
    if (!resetACLs()) {
        arguments.emplace_back("-preserveACLs");
    }
    if (!resetAttributes()) {
        arguments.emplace_back("-preserveAttributes");
    }
    return arguments;
}

std::optional<std::string> ResetController::helperLocation() const {
    if (services_.helperPath.empty() || ::access(services_.helperPath.c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    return services_.helperPath;
}

bool ResetController::beginReset() {
    if (resetRunning_) {
        return false;  // one reset at a time; the panel shows the running one
    }
    if (!info_.url) {
        basalt::diagnosticAlert(QStringLiteral("Unable to reset the permissions"),
                                QStringLiteral("File is invalid"), QString(), true);
        return false;
    }
    setProgressDisplayMessage({QStringLiteral("Resetting file permissions..."), mainString_});
    setProgressState(controllerProgressState::working);
    setProgressShow(true);
    resetRunning_ = true;
    suspendMonitoringForReset();
    return true;
}

void ResetController::resetPermissions() {
    if (beginReset()) {
        const std::string url = *info_.url;
        runHelper(url, true);
    }
}

void ResetController::resetAtNewLocation() {
    if (beginReset()) {
        const std::string url = *info_.url;
        chooseNewLocation(url);
    }
}

void ResetController::runHelper(const std::string& url, bool allowEscalation) {
    const auto helper = helperLocation();
    if (!helper) {
        resetFailed(QStringLiteral("Couldn't find the helper process"));
        return;
    }
    std::vector<std::string> argv{*helper};
    for (auto& argument : helperArguments()) {
        argv.push_back(std::move(argument));
    }
    argv.push_back(url);
    engineLog(QStringLiteral("Running Helper (unauthorized)"));
    runInBackground(
        this,
        [argv]() { return platform::runChild(argv, {.mergeOutput = true, .background = true}); },
        [this, allowEscalation](const platform::ChildOutcome& task) {
            if (task.startError) {
                resetFailed(QStringLiteral("Couldn't run helper: ") +
                            QString::fromLocal8Bit(task.startError->description));
                return;
            }
            helperFinished(task, allowEscalation);
        });
}

void ResetController::helperFinished(const platform::ChildOutcome& task, bool allowEscalation) {
    if (task.exitStatus == 0) {
        resetCompleted();
        return;
    }
    const QString reason = failureReason(task);
    engineLog(QStringLiteral("Unauthorized reset failed: ") + reason);
    if (allowEscalation) {
        reportProgress(QStringLiteral("First attempt failed"),
                       QStringLiteral("Attempting again with privilege escalation"));
        runHelperWithAuthorization(true);
    } else {
        resetFailed(reason);
    }
}

void ResetController::runHelperWithAuthorization(bool offerNewLocation) {
    const auto helper = helperLocation();
    if (!helper || !info_.url) {
        resetFailed(QStringLiteral("Couldn't find the helper process"));
        return;
    }
    const std::string url = *info_.url;
    std::unique_ptr<char, decltype(&std::free)> standardized(::realpath(helper->c_str(), nullptr),
                                                             &std::free);
    // Every word is quoted for the shell, the user name and options too.
    std::string command = basalt::shellEscapedPath(standardized ? standardized.get() : *helper);
    for (const auto& argument : helperArguments()) {
        command += ' ' + basalt::shellEscapedPath(argument);
    }
    command += ' ' + basalt::shellEscapedPath(url);
    const std::string source = "do shell script \"" + command + "\" with prompt \"" +
                               kAuthorizationPrompt + "\" with administrator privileges";
    const auto statement = basalt::parseDoShellScript(source);
    if (!statement) {
        basalt::diagnostics() << source << '\n';
        resetFailed(QStringLiteral("Failed to begin Authorization"));
        return;
    }
    engineLog(QStringLiteral("Running Helper (requesting authorization)"));
    runInBackground(
        this, [statement = *statement]() { return basalt::runShellScript(statement); },
        [this, source, url, offerNewLocation](const basalt::ScriptOutcome& outcome) {
            if (outcome.succeeded) {
                resetCompleted();
                return;
            }
            if (outcome.errorNumber == -128) {
                resetFailed(QStringLiteral("Cancelled by customer"));
                return;
            }
            QString message = outcome.errorMessage.value_or(QString());
            if (outcome.errorNumber == 1) {
                message.prepend(QStringLiteral("macOS Security denied the operation: "));
            } else {
                basalt::diagnostics() << source << '\n';
            }
            engineLog(QStringLiteral("Escalation failed: ") + message);
            if (!offerNewLocation) {
                resetFailed(message);
                return;
            }
            reportProgress(
                QStringLiteral("Authorized attempt failed"),
                QStringLiteral("Please select a different location to attempt the next reset."));
            chooseNewLocation(url);
        });
}

void ResetController::reportProgress(const QString& title, const QString& detail) {
    engineLog(QStringLiteral("progress: ") + title + QStringLiteral("; ") + detail);
    setProgressDisplayMessage({title, detail});
}

void ResetController::resetCompleted() {
    engineLog(QStringLiteral("Reset Completed"));
    setProgressDisplayMessage({QStringLiteral("Grantwell Completed"), mainString_});
    setProgressState(controllerProgressState::complete);
    basalt::beep();
    scheduleRefresh();
    resetRunning_ = false;
    resumeMonitoringAfterReset();
}

void ResetController::resetFailed(const QString& reason) {
    engineLog(QStringLiteral("Reset Failed, reason: ") + reason);
    setProgressDisplayMessage({QStringLiteral("Unable to reset the permissions"), reason});
    setProgressState(controllerProgressState::error);
    basalt::beep();
    resetRunning_ = false;
    resumeMonitoringAfterReset();
}

}  // namespace gw::controller
