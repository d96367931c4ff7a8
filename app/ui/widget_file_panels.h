#pragma once

#include "platform/desktop/file_panels.h"

namespace gw::ui {

// The open and save panels as file dialogs, window-modal on the requesting
// window when there is one.
class WidgetFilePanels final : public platform::FilePanels {
  public:
    void chooseItem(QPointer<QObject> window, platform::PanelChoice choice) override;
    void chooseSaveLocation(QPointer<QObject> window, const platform::SavePanelRequest& request,
                            platform::PanelChoice choice) override;
};

}  // namespace gw::ui
