#pragma once

#include <memory>
#include <string>

#include <QSettings>
#include <QTemporaryDir>

#include "app/controller/controller_services.h"
#include "platform/desktop/linux_inspection_platform.h"
#include "platform/item_changes.h"
#include "support/scripted_panels.h"

namespace gw::test {

using namespace Qt::StringLiterals;

// What a controller under test stands on: the real Linux services, scripted
// panels, and a settings store of its own, emptied for each test.
class ControllerFixture {
  public:
    platform::LinuxInspectionPlatform inspection;
    platform::LinuxItemChanges changes;
    // What the controllers made from now on change items through.
    platform::ItemChanges* changesInUse = &changes;
    ScriptedPanels panels;
    // What "why" is judged from in the controllers made from now on.
    platform::AccessFacts* access = nullptr;

    QSettings& settings() { return *settings_; }
    void freshSettings() {
        settings_ =
            std::make_unique<QSettings>(dir_.filePath(u"settings.ini"_s), QSettings::IniFormat);
        settings_->clear();
        panels.answers.clear();
        panels.saveRequests.clear();
        panels.openPanels = 0;
    }

    // The services, with this helper and copy program, resetting items for
    // `loginName` (the running user when empty).
    // NOLINTNEXTLINE(performance-unnecessary-value-param): both strings are moved into the
    // aggregate below, which clang-tidy 14 takes for a copy.
    controller::ControllerServices services(std::string helper = {}, std::string copier = "cp",
                                            const QString& loginName = {}) {
        return controller::ControllerServices{
            .inspection = inspection,
            .changes = *changesInUse,
            .panels = panels,
            .settings = *settings_,
            .applicationIcon = QIcon(),
            .applicationName = u"Grantwell"_s,
            .helperPath = std::move(helper),
            .copyProgram = std::move(copier),
            .loginName = loginName.isEmpty() ? inspection.loginName() : loginName,
            .iconForName = {},
            .access = access};
    }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace gw::test
