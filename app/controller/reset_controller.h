#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/controller/controller_services.h"
#include "app/controller/file_monitor.h"
#include "app/inspection/access_explanation.h"
#include "app/inspection/file_info.h"
#include "platform/child_process.h"

namespace gw::controller {

class ResetRun;

// The two lines of the progress panel.
struct ProgressMessage {
    QString title;
    QString detail;
    bool operator==(const ProgressMessage&) const = default;
};

// The one observable object behind the window: the record of the item being
// examined, kept fresh while the item changes on disk, the reset options,
// and the progress of a reset. Main thread only.
class ResetController : public QObject {
    Q_OBJECT

  public:
    enum class controllerProgressState { idle, working, complete, error };
    Q_ENUM(controllerProgressState)

    static constexpr auto kResetNestedItemsKey = "ResetController.resetNestedItems";
    static constexpr auto kResetAttributesKey = "ResetController.resetAttributes";
    static constexpr auto kResetACLsKey = "ResetController.resetACLs";

    explicit ResetController(ControllerServices services,
                             const std::optional<std::string>& url = std::nullopt,
                             QObject* parent = nullptr);
    ~ResetController() override;

    // The window alerts and panels attach to as sheets; kept weakly.
    void setParentWindow(QObject* window) { parentWindow_ = window; }
    QObject* parentWindow() const { return parentWindow_; }

    const inspection::FileInfo& info() const { return info_; }
    bool resetNestedItems() const;
    bool resetAttributes() const;
    bool resetACLs() const;
    void setResetNestedItems(bool value);
    void setResetAttributes(bool value);
    void setResetACLs(bool value);
    controllerProgressState progressState() const { return progressState_; }
    bool progressShow() const { return progressShow_; }
    const ProgressMessage& progressDisplayMessage() const { return progressDisplayMessage_; }
    // How far a walk through a folder has come (0 to 1); none while unknown.
    std::optional<double> progressFraction() const { return progressFraction_; }
    bool fileDetailsShow() const { return fileDetailsShow_; }
    const QString& mainString() const { return mainString_; }
    const QIcon& mainIcon() const { return mainIcon_; }
    const std::optional<std::string>& quickLookURL() const { return quickLookURL_; }
    void setQuickLookURL(std::optional<std::string> url);
    bool hasFileTracker() const { return fileTracker_ != nullptr; }
    bool isMonitoringPaused() const { return fileTracker_ && fileTracker_->isPaused(); }

    // What the user may do with the item and why not, judged anew with each
    // record; none without an item.
    const std::optional<inspection::AccessExplanation>& accessExplanation() const {
        return accessExplanation_;
    }
    // The same for another account (a login name or a uid); none when there
    // is no such account.
    std::optional<inspection::AccessExplanation> explainFor(const QString& account) const;
    QStringList accountNames() const;
    // False on a disk that stores no permissions: its rights come from the
    // mount options, and changing bits, owner or lock can't hold there.
    bool permissionsAreStored() const;

    // For a folder: how many entries a reset with "Include enclosed items"
    // touches, the folder included, counted in the background when the
    // folder is loaded (at most kEnclosedLimit); none while counting and for
    // anything else.
    std::optional<quint64> enclosedItems() const { return enclosedItems_; }
    static constexpr quint64 kEnclosedLimit = 1000000;

    // Loading and keeping the record fresh.
    void loadFile(const std::string& url);
    void clearFile();
    void reloadFile();
    void chooseFile();
    void scheduleRefresh();
    bool attributesHaveChanged();
    void handleFileSystemEvent(FileSystemEvents event);
    void showAlert(const QString& title, const QString& message);

    // Changes the user makes by hand.
    void manuallyTogglePermission(unsigned bit);
    // With the user's rights, then (the lock needs them) as administrator.
    void toggleLock();
    static constexpr auto kLockPrompt = "Please Authorize Grantwell to lock or unlock this item";
    void getOriginalFile();

    // The reset, with the user's rights first and as administrator when
    // that fails; then, if need be, on a copy at a place the user chooses.
    void resetPermissions();
    void resetAtNewLocation();
    std::vector<std::string> helperArguments() const;
    // The helper, when it is there to be run.
    std::optional<std::string> helperLocation() const;

    // Taking the last reset back: the helper puts back what it recorded
    // before it changed anything (as administrator when the reset was).
    bool undoAvailable() const { return lastSnapshot_.has_value(); }
    void undoReset();
    static constexpr auto kUndoPrompt = "Please Authorize Grantwell to undo the reset";

    // The progress panel's buttons.
    void progressCancelPressed();
    void progressDonePressed();

    // A reset suspends monitoring from its start to its end, whatever items
    // are loaded meanwhile; the end resumes it exactly once.
    void suspendMonitoringForReset();
    void resumeMonitoringAfterReset();

  Q_SIGNALS:
    // An item was loaded (the application adds it to the recent items).
    void itemLoaded(const std::string& url);
    void infoChanged();
    void resetNestedItemsChanged();
    void resetAttributesChanged();
    void resetACLsChanged();
    void progressStateChanged();
    void progressShowChanged();
    void progressDisplayMessageChanged();
    void progressFractionChanged();
    void enclosedItemsChanged();
    void undoAvailableChanged();
    void fileDetailsShowChanged();
    void mainStringChanged();
    void mainIconChanged();
    void quickLookURLChanged();
    // The new-location panel opens (true) and closes (false): the window
    // takes its progress sheet away meanwhile.
    void newLocationPanelShown(bool shown);

  protected:
    void setProgressState(controllerProgressState state);
    void setProgressShow(bool show);
    void setProgressDisplayMessage(ProgressMessage message);
    ControllerServices& services() { return services_; }

  private:
    QPointer<QObject> parentWindow_;
    bool beginReset();
    void runHelper(const std::string& url, bool allowEscalation);
    void toggleLockAsAdministrator(bool lock);
    void reportProgress(const QString& title, const QString& detail);
    void reportCount(quint64 done, quint64 total);
    void setProgressFraction(std::optional<double> fraction);
    void resetCompleted();
    void resetFailed(const QString& reason);
    void engineLog(const QString& text) const;

    void chooseNewLocation(const std::string& url);
    void copyToNewLocation(const std::optional<std::string>& newLocation, const std::string& url);
    void copyFinished(const platform::ChildOutcome& task, const std::string& newLocation);

    void refreshInfo();
    void setInfo(inspection::FileInfo info);
    void countEnclosedItems();
    void setFileDetailsShow(bool show);
    void setMainString(const QString& text);
    void setMainIcon(const QIcon& icon);
    void publishNameAndIcon();
    bool option(const char* key, bool fallback) const;
    void setOption(const char* key, bool value, void (ResetController::*changed)());

    ControllerServices services_;
    inspection::FileInfo info_;
    controllerProgressState progressState_ = controllerProgressState::idle;
    bool progressShow_ = false;
    ProgressMessage progressDisplayMessage_;
    std::optional<double> progressFraction_;
    std::optional<quint64> enclosedItems_;
    std::optional<std::string> countedFolder_;
    // The snapshot of the last reset that changed something, and whether it
    // was made as administrator.
    struct Snapshot {
        std::string name;
        bool elevated = false;
    };
    std::optional<Snapshot> lastSnapshot_;
    std::string pendingSnapshot_;
    void undoFinished(bool succeeded, const QString& message);
    bool fileDetailsShow_ = false;
    QString mainString_;
    QIcon mainIcon_;
    std::optional<std::string> quickLookURL_;
    std::unique_ptr<FileMonitor> fileTracker_;
    bool awaitingAttributeUpdate_ = false;
    bool fileTrackerIsPaused_ = false;
    bool resetRunning_ = false;  // from the start of a reset to its outcome
    std::unique_ptr<ResetRun> resetRun_;
    std::optional<inspection::AccessExplanation> accessExplanation_;
};

using controllerProgressState = ResetController::controllerProgressState;

}  // namespace gw::controller
