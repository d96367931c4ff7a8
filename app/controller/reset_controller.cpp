#include "app/controller/reset_controller.h"
#include "app/controller/background.h"
#include "app/controller/reset_run.h"
#include "platform/tree_count.h"

#include <ostream>

#include <QCoreApplication>
#include <QTimer>

#include "basalt/desktop/alerts.h"
#include "basalt/diagnostics.h"

namespace gw::controller {

namespace {

const ProgressMessage kIdleMessage{
    QCoreApplication::translate("reset_controller", "Nothing to see"),
    QCoreApplication::translate("reset_controller", "Move along please")};

// Attribute events are coalesced for this long into one refresh.
constexpr int kRefreshDelayMs = 500;

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

}  // namespace gw::controller
