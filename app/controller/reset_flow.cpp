// The reset: Vosker with the user's rights, then as administrator.
#include <unistd.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QRandomGenerator>

#include "app/controller/background.h"
#include "app/controller/elevated_helper.h"
#include "app/controller/reset_controller.h"
#include "app/controller/reset_run.h"
#include "basalt/desktop/alerts.h"
#include "basalt/diagnostics.h"

using namespace Qt::StringLiterals;

namespace gw::controller {

namespace {

// Unique enough for one user's snapshots, and only the letters a snapshot
// name may have.
std::string newSnapshotName() {
    return QDateTime::currentDateTimeUtc()
               .toString(u"'reset-'yyyyMMdd-HHmmss-zzz"_s)
               .toStdString() +
           "-" + std::to_string(::getpid()) + "-" +
           std::to_string(QRandomGenerator::global()->bounded(1000000));
}

}  // namespace

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
        basalt::diagnosticAlert(
            QCoreApplication::translate("reset_flow", "Unable to reset the permissions"),
            QCoreApplication::translate("reset_flow", "File is invalid"), QString(), true);
        return false;
    }
    setProgressDisplayMessage(
        {QCoreApplication::translate("reset_flow", "Resetting file permissions..."), mainString_});
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
        resetFailed(QCoreApplication::translate("reset_flow", "Couldn't find the helper process"));
        return;
    }
    std::vector<std::string> arguments = helperArguments();
    // What the reset changes is recorded first, for "Undo Reset".
    pendingSnapshot_ = newSnapshotName();
    arguments.insert(arguments.end(), {"-snapshot", pendingSnapshot_});
    // The item the record shows, and only while it still is that item.
    const bool shown = info_.url == url;
    for (auto& argument : itemArguments(url, shown ? info_.identity : std::nullopt)) {
        arguments.push_back(std::move(argument));
    }
    resetRun_ = std::make_unique<ResetRun>(*helper, std::move(arguments), allowEscalation);
    connect(resetRun_.get(), &ResetRun::progress, this, &ResetController::reportProgress);
    connect(resetRun_.get(), &ResetRun::completed, this, &ResetController::resetCompleted);
    connect(resetRun_.get(), &ResetRun::failed, this, &ResetController::resetFailed);
    connect(resetRun_.get(), &ResetRun::newLocationWanted, this,
            [this, url]() { chooseNewLocation(url); });
    connect(resetRun_.get(), &ResetRun::counted, this, &ResetController::reportCount);
    connect(resetRun_.get(), &ResetRun::stopped, this, [this](quint64 done, quint64 total) {
        resetFailed(QCoreApplication::translate("reset_flow", "Stopped after %1 of %2 items")
                        .arg(QLocale().toString(done), QLocale().toString(total)));
    });
    setProgressFraction(std::nullopt);
    resetRun_->start();
}

void ResetController::undoReset() {
    if (!lastSnapshot_ || resetRunning_) {
        return;
    }
    const auto helper = helperLocation();
    if (!helper) {
        undoFinished(false,
                     QCoreApplication::translate("reset_flow", "Couldn't find the helper process"));
        return;
    }
    const std::vector<std::string> arguments{"restore", lastSnapshot_->name};
    if (lastSnapshot_->elevated) {
        runHelperAsAdministrator(
            this, *helper, arguments, kUndoPrompt, [this](const basalt::ScriptOutcome& outcome) {
                if (outcome.kind == basalt::ElevationResult::cancelled)
                    return;
                undoFinished(outcome.succeeded(), basalt::authorizationStatus(outcome).second);
            });
        return;
    }
    std::vector<std::string> argv{*helper};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    runInBackground(
        this, [argv]() { return platform::runChild(argv, {.mergeOutput = true}); },
        [this](const platform::ChildOutcome& task) {
            undoFinished(task.exitStatus == 0, QString::fromStdString(task.output).trimmed());
        });
}

void ResetController::undoFinished(bool succeeded, const QString& message) {
    if (!succeeded) {
        showAlert(QCoreApplication::translate("reset_flow", "Unable to undo the reset"), message);
        return;
    }
    lastSnapshot_.reset();
    Q_EMIT undoAvailableChanged();
    reloadFile();
}

void ResetController::reportProgress(const QString& title, const QString& detail) {
    engineLog(u"progress: "_s + title + u"; "_s + detail);
    setProgressDisplayMessage({title, detail});
}

void ResetController::reportCount(quint64 done, quint64 total) {
    if (progressState_ != controllerProgressState::working || total == 0)
        return;
    setProgressDisplayMessage({progressDisplayMessage_.title,
                               QCoreApplication::translate("reset_flow", "%1 of %2")
                                   .arg(QLocale().toString(done), QLocale().toString(total))});
    setProgressFraction(static_cast<double>(std::min(done, total)) / static_cast<double>(total));
}

void ResetController::resetCompleted() {
    engineLog(u"Reset Completed"_s);
    if (resetRun_ && (resetRun_->ranElevated() || resetRun_->recordedForUndo())) {
        lastSnapshot_ = Snapshot{pendingSnapshot_, resetRun_->ranElevated()};
        Q_EMIT undoAvailableChanged();
    }
    setProgressDisplayMessage(
        {QCoreApplication::translate("reset_flow", "Grantwell Completed"), mainString_});
    setProgressState(controllerProgressState::complete);
    basalt::beep();
    scheduleRefresh();
    resetRunning_ = false;
    resumeMonitoringAfterReset();
}

void ResetController::resetFailed(const QString& reason) {
    engineLog(u"Reset Failed, reason: "_s + reason);
    setProgressDisplayMessage(
        {QCoreApplication::translate("reset_flow", "Unable to reset the permissions"), reason});
    setProgressState(controllerProgressState::error);
    basalt::beep();
    resetRunning_ = false;
    resumeMonitoringAfterReset();
}

}  // namespace gw::controller
