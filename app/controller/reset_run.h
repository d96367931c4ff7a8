#pragma once

#include <string>
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

    static constexpr auto kAuthorizationPrompt =
        "Please Authorize Grantwell as it currently doesn't have permission to reset these "
        "permissions.";

  Q_SIGNALS:
    void progress(const QString& title, const QString& detail);
    void completed();
    void failed(const QString& reason);
    // Even the administrator could not reset it: a copy elsewhere may do.
    void newLocationWanted();

  private:
    void unprivilegedFinished(const platform::ChildOutcome& task);
    void startElevated();
    void elevatedFinished(const basalt::ScriptOutcome& outcome);
    void log(const QString& text) const;

    std::string helper_;
    std::vector<std::string> arguments_;
    bool allowEscalation_;
};

}  // namespace gw::controller
