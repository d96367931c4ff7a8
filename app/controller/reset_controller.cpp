#include "app/controller/reset_controller.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ostream>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include "app/controller/background.h"
#include "app/controller/copy_arguments.h"
#include "app/controller/elevated_helper.h"
#include "app/controller/reset_reasons.h"
#include "app/controller/reset_run.h"
#include "basalt/desktop/alerts.h"
#include "basalt/diagnostics.h"
#include "platform/path_text.h"
#include "platform/tree_count.h"
#include "platform/xattr_view.h"

using namespace Qt::StringLiterals;

namespace gw::controller {

namespace {

const ProgressMessage kIdleMessage{
    QCoreApplication::translate("reset_controller", "Nothing to see"),
    QCoreApplication::translate("reset_controller", "Move along please")};

// Attribute events are coalesced for this long into one refresh.
constexpr int kRefreshDelayMs = 500;

// Unique enough for one user's snapshots, and only the letters a snapshot
// name may have.
std::string newSnapshotName() {
    return QDateTime::currentDateTimeUtc()
               .toString(u"'reset-'yyyyMMdd-HHmmss-zzz"_s)
               .toStdString() +
           "-" + std::to_string(::getpid()) + "-" +
           std::to_string(QRandomGenerator::global()->bounded(1000000));
}

unsigned modeFromRecord(const inspection::FileInfo& info) {
    const auto bits = [](const inspection::PermissionsBranch& branch) {
        return (branch.read ? 4U : 0U) | (branch.write ? 2U : 0U) | (branch.execute ? 1U : 0U);
    };
    return (bits(info.owner) << 6) | (bits(info.group) << 3) | bits(info.other);
}

QString describe(const platform::SysError& error) {
    return QString::fromLocal8Bit(error.description);
}

}  // namespace

ResetController::ResetController(ControllerServices services, const std::optional<std::string>& url,
                                 QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      progressDisplayMessage_(kIdleMessage),
      mainString_(QCoreApplication::translate("reset_controller", "Grantwell 3")),
      mainIcon_(services_.applicationIcon) {
    if (url) {
        loadFile(*url);
    }
}

ResetController::~ResetController() = default;

bool ResetController::option(const char* key, bool fallback) const {
    return services_.settings.value(QString::fromLatin1(key), fallback).toBool();
}

void ResetController::setOption(const char* key, bool value, void (ResetController::*changed)()) {
    const QString name = QString::fromLatin1(key);
    const bool had = services_.settings.contains(name);
    const bool old = services_.settings.value(name).toBool();
    services_.settings.setValue(name, value);
    services_.settings.sync();
    if (!had || old != value) {
        Q_EMIT(this->*changed)();
    }
}

bool ResetController::resetNestedItems() const {
    return option(kResetNestedItemsKey, false);
}
bool ResetController::resetAttributes() const {
    return option(kResetAttributesKey, true);
}
bool ResetController::resetACLs() const {
    return option(kResetACLsKey, true);
}
void ResetController::setResetNestedItems(bool value) {
    setOption(kResetNestedItemsKey, value, &ResetController::resetNestedItemsChanged);
}
void ResetController::setResetAttributes(bool value) {
    setOption(kResetAttributesKey, value, &ResetController::resetAttributesChanged);
}
void ResetController::setResetACLs(bool value) {
    setOption(kResetACLsKey, value, &ResetController::resetACLsChanged);
}

void ResetController::setInfo(inspection::FileInfo info) {
    info_ = std::move(info);
    accessExplanation_.reset();
    if (services_.access && info_.url) {
        accessExplanation_ = inspection::explainAccess(*info_.url, services_.access->caller(), true,
                                                       *services_.access);
    }
    Q_EMIT infoChanged();
    countEnclosedItems();
}

void ResetController::countEnclosedItems() {
    const bool folder = info_.url && info_.typeIsFolder && !info_.typeIsSymbolicLink;
    if (folder && countedFolder_ == info_.url)
        return;  // the same folder refreshed: its count stands
    countedFolder_ = folder ? info_.url : std::nullopt;
    if (enclosedItems_) {
        enclosedItems_.reset();
        Q_EMIT enclosedItemsChanged();
    }
    if (!folder)
        return;
    const std::string path = *info_.url;
    runInBackground(
        this, [path]() { return platform::countTreeEntries(path, kEnclosedLimit); },
        [this, path](std::optional<uint64_t> count) {
            if (countedFolder_ == path && count) {
                enclosedItems_ = *count;
                Q_EMIT enclosedItemsChanged();
            }
        });
}

std::optional<inspection::AccessExplanation> ResetController::explainFor(
    const QString& account) const {
    if (!services_.access || !info_.url)
        return std::nullopt;
    const auto facts = services_.access->account(account.trimmed().toStdString());
    if (!facts)
        return std::nullopt;
    return inspection::explainAccess(
        *info_.url, *facts, facts->uid == services_.access->caller().uid, *services_.access);
}

QStringList ResetController::accountNames() const {
    QStringList names;
    if (services_.access) {
        for (const auto& name : services_.access->accountNames())
            names << QString::fromStdString(name);
    }
    return names;
}

bool ResetController::permissionsAreStored() const {
    return !accessExplanation_ || !accessExplanation_->noPermissionSupport;
}

void ResetController::setProgressState(controllerProgressState state) {
    if (progressState_ != state) {
        progressState_ = state;
        Q_EMIT progressStateChanged();
    }
}

void ResetController::setProgressShow(bool show) {
    if (progressShow_ != show) {
        progressShow_ = show;
        Q_EMIT progressShowChanged();
    }
}

void ResetController::setProgressDisplayMessage(ProgressMessage message) {
    if (!(progressDisplayMessage_ == message)) {
        progressDisplayMessage_ = std::move(message);
        Q_EMIT progressDisplayMessageChanged();
    }
}

void ResetController::setFileDetailsShow(bool show) {
    if (fileDetailsShow_ != show) {
        fileDetailsShow_ = show;
        Q_EMIT fileDetailsShowChanged();
    }
}

void ResetController::setMainString(const QString& text) {
    if (mainString_ != text) {
        mainString_ = text;
        Q_EMIT mainStringChanged();
    }
}

void ResetController::setMainIcon(const QIcon& icon) {
    mainIcon_ = icon;
    Q_EMIT mainIconChanged();
}

void ResetController::setQuickLookURL(std::optional<std::string> url) {
    if (quickLookURL_ != url) {
        quickLookURL_ = std::move(url);
        Q_EMIT quickLookURLChanged();
    }
}

void ResetController::publishNameAndIcon() {
    if (info_.icon) {
        const QIcon icon = services_.iconForName ? services_.iconForName(*info_.icon)
                                                 : QIcon::fromTheme(*info_.icon);
        if (!icon.isNull()) {
            setMainIcon(icon);
        }
    }
    setMainString(info_.name);
}

void ResetController::loadFile(const std::string& url) {
    setInfo(inspection::FileInfo(url, services_.inspection));
    Q_EMIT itemLoaded(url);
    if (!info_.typeIsFolder) {
        auto monitor =
            FileMonitor::create(url, platform::watch_event::kAttributes,
                                [this](FileSystemEvents event) { handleFileSystemEvent(event); });
        // An item that can't be monitored is still shown; the window's
        // activation check stands in for the monitor.
        if (monitor) {
            fileTracker_ = std::move(monitor.value());
            if (fileTrackerIsPaused_) {
                fileTracker_->pause();
            }
        } else {
            fileTracker_.reset();
        }
    } else {
        // The previous item's monitor would only report on an item no longer
        // shown, and would keep the activation check from standing in.
        fileTracker_.reset();
    }
    publishNameAndIcon();
    QTimer::singleShot(0, this, [this]() { setFileDetailsShow(true); });
}

void ResetController::clearFile() {
    setInfo(inspection::FileInfo());
    if (services_.applicationName) {
        setMainString(*services_.applicationName);
    }
    setMainIcon(services_.applicationIcon);
    fileTracker_.reset();
    setFileDetailsShow(false);
    setProgressShow(false);
    setProgressState(controllerProgressState::idle);
    setProgressDisplayMessage(kIdleMessage);
}

void ResetController::reloadFile() {
    if (info_.url) {
        const std::string url = *info_.url;
        loadFile(url);
    }
}

void ResetController::chooseFile() {
    QPointer<ResetController> self(this);
    services_.panels.chooseItem(parentWindow_, [self](std::optional<std::string> path) {
        if (self && path) {
            self->loadFile(*path);
        }
    });
}

bool ResetController::attributesHaveChanged() {
    if (!info_.url) {
        return false;
    }
    const auto values = services_.inspection.resourceValues(*info_.url);
    if (!values) {
        basalt::diagnostics() << "ResetController."
                              << "attributesHaveChanged()"
                              << " can't get attributeModificationDate\n";
        return false;
    }
    if (!values->attributeModificationDate) {
        return false;
    }
    return !info_.attributesModified ||
           *info_.attributesModified != *values->attributeModificationDate;
}

void ResetController::handleFileSystemEvent(FileSystemEvents event) {
    basalt::diagnostics() << "ResetController.handleFileSystemEvent(event:)\n";
    if (!(event & platform::watch_event::kAttributes) || awaitingAttributeUpdate_ ||
        !attributesHaveChanged()) {
        return;
    }
    // Everything that arrives in the next half second is one change.
    awaitingAttributeUpdate_ = true;
    QTimer::singleShot(kRefreshDelayMs, this, [this]() {
        scheduleRefresh();
        awaitingAttributeUpdate_ = false;
    });
}

void ResetController::scheduleRefresh() {
    QMetaObject::invokeMethod(this, &ResetController::refreshInfo, Qt::QueuedConnection);
}

void ResetController::refreshInfo() {
    if (!info_.url) {
        return;  // cleared meanwhile: nothing to refresh
    }
    if (fileTracker_) {
        fileTracker_->pause();
    }
    inspection::FileInfo refreshed = info_;
    refreshed.refresh(services_.inspection);
    setInfo(std::move(refreshed));
    if (fileTracker_) {
        fileTracker_->resume();
    }
    publishNameAndIcon();
}

void ResetController::showAlert(const QString& title, const QString& message) {
    platform::AlertRequest request;
    request.messageText = title;
    request.informativeText = message;
    request.critical = true;
    request.beep = true;
    request.sheetParent = parentWindow_;
    basalt::presentAlert(std::move(request));
}

void ResetController::progressCancelPressed() {
    if (progressState_ != controllerProgressState::working) {
        return;
    }
    // A walk through a folder stops between two entries and says how far it
    // got; anything else can't be stopped, and only the panel goes.
    if (resetRun_ && progressFraction_) {
        resetRun_->cancel();
        return;
    }
    setProgressState(controllerProgressState::complete);
}

void ResetController::setProgressFraction(std::optional<double> fraction) {
    if (progressFraction_ != fraction) {
        progressFraction_ = fraction;
        Q_EMIT progressFractionChanged();
    }
}

void ResetController::progressDonePressed() {
    setProgressState(controllerProgressState::idle);
    setProgressShow(false);
}

void ResetController::suspendMonitoringForReset() {
    if (fileTrackerIsPaused_) {
        return;
    }
    fileTrackerIsPaused_ = true;
    if (fileTracker_) {
        fileTracker_->pause();
    }
}

void ResetController::resumeMonitoringAfterReset() {
    if (!fileTrackerIsPaused_) {
        return;
    }
    fileTrackerIsPaused_ = false;
    if (fileTracker_) {
        fileTracker_->resume();
    }
}

// The reset: Vosker with the user's rights, then as administrator.

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

// The single changes the user makes by hand from the detail panels.

void ResetController::manuallyTogglePermission(unsigned bit) {
    if (!info_.url) {
        return;
    }
    if (!permissionsAreStored()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to alter the permissions"),
                  *accessExplanation_->noPermissionSupport);
        return;
    }
    // Rebuilt from the record, which is what the user is looking at: only the
    // nine permission bits take part.
    const unsigned current = modeFromRecord(info_);
    const unsigned changed = (current & bit) ? (current ^ bit) : (current | bit);
    if (changed == current) {
        basalt::diagnosticAlert(
            QCoreApplication::translate("manual_changes", "Something went wrong"),
            QCoreApplication::translate("manual_changes",
                                        "Probably a value, level combination doesn't match."),
            u"FileInfo.manuallyTogglePermission(_:)"_s, true);
    }
    if (const auto set = services_.changes.setPermissions(*info_.url, static_cast<mode_t>(changed));
        set.failed()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to alter the permissions"),
                  describe(set.error()));
        return;
    }
    scheduleRefresh();
}

void ResetController::toggleLock() {
    if (!info_.url) {
        return;
    }
    if (!permissionsAreStored()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                  *accessExplanation_->noPermissionSupport);
        return;
    }
    auto locked = services_.changes.userImmutable(*info_.url);
    if (!locked) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                  describe(locked.error()));
        return;
    }
    // An item that can't carry the lock reports no value; nothing is written.
    if (locked->has_value()) {
        const bool lock = !**locked;
        if (const auto set = services_.changes.setUserImmutable(*info_.url, lock); set.failed()) {
            // Only an administrator may change the lock: ask, as a reset does.
            if (set.error().code == EPERM && helperLocation()) {
                toggleLockAsAdministrator(lock);
                return;
            }
            showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                      describe(set.error()));
            return;
        }
    }
    scheduleRefresh();
}

void ResetController::toggleLockAsAdministrator(bool lock) {
    std::vector<std::string> arguments{lock ? "lock" : "unlock"};
    for (auto& argument : itemArguments(*info_.url, info_.identity)) {
        arguments.push_back(std::move(argument));
    }
    runHelperAsAdministrator(this, *helperLocation(), arguments, kLockPrompt,
                             [this](const basalt::ScriptOutcome& outcome) {
                                 using basalt::ElevationResult;
                                 if (outcome.kind == ElevationResult::succeeded) {
                                     scheduleRefresh();
                                 } else if (outcome.kind == ElevationResult::noAgent) {
                                     showAlert(QCoreApplication::translate(
                                                   "manual_changes", "Unable to toggle file lock"),
                                               QString::fromLatin1(basalt::kNoAgentMessage));
                                 } else if (outcome.kind != ElevationResult::cancelled) {
                                     showAlert(QCoreApplication::translate(
                                                   "manual_changes", "Unable to toggle file lock"),
                                               basalt::authorizationStatus(outcome).second);
                                 }
                             });
}

void ResetController::getOriginalFile() {
    if (!info_.typeIsResolvable || !info_.url) {
        return;
    }
    // Linux has no alias files: anything resolvable here is a symbolic link.
    auto original = services_.changes.resolveLinks(*info_.url);
    if (!original) {
        basalt::diagnosticAlert(
            QCoreApplication::translate("manual_changes", "Unable to find original file"),
            describe(original.error()), u"FileInfo.getOriginalFile()"_s, true);
        return;
    }
    loadFile(original.value());
}

// The reset's last resort: a copy of the item at a place the user chooses,
// reset with the user's own rights.

void ResetController::chooseNewLocation(const std::string& url) {
    platform::SavePanelRequest request;
    request.message =
        u"Grantwell wasn't able to reset the permissions at that location, please choose a "
        "different location or file name."_s;
    request.prompt = QCoreApplication::translate("new_location", "Choose");
    request.name = QFile::decodeName(QByteArray::fromStdString(platform::lastPathComponent(url)));
    request.folder = platform::parentPath(url);
    const QString extension =
        QFile::decodeName(QByteArray::fromStdString(platform::pathExtension(url)));
    // Only an extension some type claims restricts the choice.
    if (!extension.isEmpty() && services_.inspection.kindForExtension(extension)) {
        request.requiredExtension = extension;
    }
    Q_EMIT newLocationPanelShown(true);
    // Without a window the panel is application-modal rather than a sheet.
    QPointer<ResetController> self(this);
    services_.panels.chooseSaveLocation(parentWindow_, request,
                                        [self, url](const std::optional<std::string>& newLocation) {
                                            if (self) {
                                                self->copyToNewLocation(newLocation, url);
                                            }
                                        });
}

void ResetController::copyToNewLocation(const std::optional<std::string>& newLocation,
                                        const std::string& url) {
    Q_EMIT newLocationPanelShown(false);
    if (!newLocation) {
        resetFailed(QCoreApplication::translate("new_location", "Cancelled by customer"));
        return;
    }
    if (newLocation->empty()) {
        resetFailed(QCoreApplication::translate("new_location", "File is invalid"));
        return;
    }
    const bool acls = resetACLs();
    const bool attributes = resetAttributes();
    const auto argv = copyToolArguments(services_.copyProgram, acls, attributes, url, *newLocation);
    // cp carries all attributes or none: the quarantine record is then
    // taken from the copy, or given to it, as the ACL setting says.
    const bool keepQuarantine = copyKeepsQuarantine(acls);
    const bool stripQuarantine = !attributes && !keepQuarantine;
    const bool addQuarantine = attributes && keepQuarantine;
    engineLog(u"Copying file to new location..."_s);
    runInBackground(
        this,
        [argv, stripQuarantine, addQuarantine, from = url, to = *newLocation]() {
            auto task = platform::runChild(argv, {.mergeOutput = true, .background = true});
            if (task.exitStatus == 0 && stripQuarantine) {
                if (const auto removed =
                        platform::removeAttributeThroughout(to, platform::kQuarantineAttribute);
                    removed.failed()) {
                    task.exitStatus = 1;
                    task.output += "The quarantine record could not be removed from the copy: " +
                                   removed.error().description + '\n';
                }
            }
            if (task.exitStatus == 0 && addQuarantine) {
                if (const auto copied =
                        platform::copyAttributeThroughout(from, to, platform::kQuarantineAttribute);
                    copied.failed()) {
                    task.exitStatus = 1;
                    task.output += "The quarantine record could not be given to the copy: " +
                                   copied.error().description + '\n';
                }
            }
            return task;
        },
        [this, to = *newLocation](const platform::ChildOutcome& task) {
            if (task.startError) {
                resetFailed(
                    QCoreApplication::translate("new_location", "Failed to reset new file: ") +
                    QString::fromLocal8Bit(task.startError->description));
                return;
            }
            copyFinished(task, to);
        });
}

void ResetController::copyFinished(const platform::ChildOutcome& task,
                                   const std::string& newLocation) {
    if (task.exitStatus != 0) {
        const QString reason = failureReason(task);
        engineLog(u"New location reset failed: "_s + reason);
        resetFailed(reason);
        return;
    }
    engineLog(u"File copied to new location"_s);
    loadFile(newLocation);
    runHelper(newLocation, false);
}

}  // namespace gw::controller
