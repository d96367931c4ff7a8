#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace gw::platform {

// One alert as the desktop shows it.
struct AlertRequest {
    QString messageText;      // the bold first line
    QString informativeText;  // the explanation under it
    bool critical = false;    // the critical style (stop sign) rather than a plain note
    bool beep = false;        // sound the system beep as it appears
    // The window to attach the alert to as a sheet; application-modal when
    // none (or when that window is gone).
    QPointer<QObject> sheetParent;
};

// Shows alerts; called on the main thread. The application installs the
// widget implementation; tests install a recorder.
class AlertPresenter {
  public:
    virtual ~AlertPresenter() = default;
    virtual void present(const AlertRequest& request) = 0;
    // The system beep on its own, for outcomes that are shown elsewhere.
    virtual void beep() = 0;
};

}  // namespace gw::platform
