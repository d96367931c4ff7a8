#pragma once

#include <string>

#include <QObject>
#include <QString>

#include "basalt/desktop/authorization.h"

namespace gw::controller {

class ResetController;

// The state behind the "Set the File Owner" sheet: the name being edited and
// whether the sheet is shown. "Set" runs the helper's owner command as administrator; the sheet
// closes on success or a cancelled prompt and stays open on failure so the
// user can correct the name.
class OwnerChangeSheet : public QObject {
    Q_OBJECT

  public:
    explicit OwnerChangeSheet(ResetController& controller, QObject* parent = nullptr);

    static constexpr auto kPrompt = "Please Authorize changing of the file owner";

    const QString& name() const { return name_; }
    void setName(const QString& name);
    bool shown() const { return shown_; }

    // Opens the sheet with the current owner's name.
    void open();
    void cancel();
    void set();

  Q_SIGNALS:
    void nameChanged();
    void shownChanged();

  private:
    void setShown(bool shown);
    void finished(const basalt::ScriptOutcome& outcome);

    ResetController& controller_;
    QString name_;
    bool shown_ = false;
};

}  // namespace gw::controller
