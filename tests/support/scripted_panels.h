#pragma once

#include <deque>
#include <optional>
#include <string>

#include <QTimer>

#include "platform/desktop/file_panels.h"

namespace gw::test {

// Answers each panel with the next scripted choice (none: cancelled), later
// on the event loop as a real panel does, and keeps what was asked.
class ScriptedPanels final : public platform::FilePanels {
  public:
    std::deque<std::optional<std::string>> answers;
    int openPanels = 0;
    std::vector<platform::SavePanelRequest> saveRequests;

    void chooseItem(QPointer<QObject>, platform::PanelChoice choice) override {
        ++openPanels;
        answer(std::move(choice));
    }
    void chooseSaveLocation(QPointer<QObject>, const platform::SavePanelRequest& request,
                            platform::PanelChoice choice) override {
        saveRequests.push_back(request);
        answer(std::move(choice));
    }

  private:
    void answer(platform::PanelChoice choice) {
        std::optional<std::string> next;
        if (!answers.empty()) {
            next = answers.front();
            answers.pop_front();
        }
        QTimer::singleShot(0, [choice = std::move(choice), next]() { choice(next); });
    }
};

}  // namespace gw::test
