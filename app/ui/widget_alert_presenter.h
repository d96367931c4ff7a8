#pragma once

#include "platform/desktop/alert_presenter.h"

namespace gw::ui {

// Alerts as message boxes: a window-modal sheet on the requested window when
// it still exists, application-modal otherwise.
class WidgetAlertPresenter final : public platform::AlertPresenter {
  public:
    void present(const platform::AlertRequest& request) override;
    void beep() override;
};

}  // namespace gw::ui
