#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>

#include "platform/child_process.h"

namespace basalt {
struct ScriptOutcome;
}

namespace gw::controller {

// One reset of one item by Vosker: with the user's rights first and, when
// that fails and escalation is allowed, as administrator. It says how it
// goes through its signals and ends with exactly one of completed(),
// failed() or newLocationWanted(). The controller owns it.
class ResetRun : public QObject {
    Q_OBJECT

  public:
    // `arguments` follow the helper's path, the item's own last.
    ResetRun(std::string helper, std::vector<std::string> arguments, bool allowEscalation,
             QObject* parent = nullptr);

    void start();
    // Stops a walk through a folder between two entries; the run then ends
    // with stopped(). Only the run with the user's rights can be stopped:
    // the administrator's reports nothing until it ends.
    void cancel();
    // Whether the run that succeeded was the administrator's.
    bool ranElevated() const { return elevated_; }
    // The helper could not keep a snapshot (it said "Not recorded for undo").
    bool recordedForUndo() const { return !*unrecorded_; }

    static constexpr auto kAuthorizationPrompt =
        "Please Authorize Grantwell as it currently doesn't have permission to reset these "
        "permissions.";

  Q_SIGNALS:
    void progress(const QString& title, const QString& detail);
    void completed();
    void failed(const QString& reason);
    // Even the administrator could not reset it: a copy elsewhere may do.
    void newLocationWanted();
    // How far a walk through a folder has come.
    void counted(quint64 done, quint64 total);
    // The user stopped it; what was done stays done.
    void stopped(quint64 done, quint64 total);

  private:
    void unprivilegedFinished(const platform::ChildOutcome& task);
    void startElevated();
    void elevatedFinished(const basalt::ScriptOutcome& outcome);
    void log(const QString& text) const;

    std::string helper_;
    std::vector<std::string> arguments_;
    bool allowEscalation_;
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    bool elevated_ = false;
    std::shared_ptr<std::atomic<bool>> unrecorded_ = std::make_shared<std::atomic<bool>>(false);
    quint64 done_ = 0;
    quint64 total_ = 0;
};

// A "progress DONE TOTAL" line of the helper's, read.
std::optional<std::pair<quint64, quint64>> parseProgressLine(std::string_view line);
// The helper's output without its progress lines.
std::string withoutProgressLines(const std::string& output);

}  // namespace gw::controller
