#pragma once

#include <optional>

#include <QString>

#include "platform/desktop/alert_presenter.h"

namespace basalt {

// Where alerts go. Until the application installs its presenter, alerts
// are written to the diagnostic log, so nothing is lost headless.
void setAlertPresenter(gw::platform::AlertPresenter* presenter);
// Shows the alert later on the main thread, whatever thread asks.
void presentAlert(gw::platform::AlertRequest request);

// The system beep, sounded on the main thread.
void beep();

// "3.0.2 (142)"; one of the two when only one is known; none when neither.
std::optional<QString> appVersionText();
// The running system, for example "Debian GNU/Linux 12 (bookworm), kernel 6.1.0".
QString systemVersionText();

// An application-modal alert that always carries where the fault came from
// and which versions were running, for reports sent to the maker.
void diagnosticAlert(const QString& title, const QString& message, const QString& detail,
                     bool beep);

}  // namespace basalt
