#pragma once

#include <vector>

#include "basalt/desktop/alerts.h"
#include "platform/desktop/alert_presenter.h"

namespace gw::test {

// Keeps every alert instead of showing it; installed while it lives.
class RecordingAlerts final : public platform::AlertPresenter {
  public:
    RecordingAlerts() { basalt::setAlertPresenter(this); }
    ~RecordingAlerts() override { basalt::setAlertPresenter(nullptr); }
    void present(const platform::AlertRequest& request) override { requests_.push_back(request); }
    void beep() override { ++beeps_; }
    int beeps() const { return beeps_; }
    const std::vector<platform::AlertRequest>& requests() const { return requests_; }
    void clear() {
        requests_.clear();
        beeps_ = 0;
    }

  private:
    std::vector<platform::AlertRequest> requests_;
    int beeps_ = 0;
};

}  // namespace gw::test
