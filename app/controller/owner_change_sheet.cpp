#include "app/controller/owner_change_sheet.h"

#include <QCoreApplication>

#include "app/controller/elevated_helper.h"
#include "app/controller/reset_controller.h"

namespace gw::controller {

OwnerChangeSheet::OwnerChangeSheet(ResetController& controller, QObject* parent)
    : QObject(parent), controller_(controller) {}

void OwnerChangeSheet::setName(const QString& name) {
    if (name_ != name) {
        name_ = name;
        Q_EMIT nameChanged();
    }
}

void OwnerChangeSheet::setShown(bool shown) {
    if (shown_ != shown) {
        shown_ = shown;
        Q_EMIT shownChanged();
    }
}

void OwnerChangeSheet::open() {
    if (!controller_.permissionsAreStored()) {
        controller_.showAlert(
            QCoreApplication::translate("owner_change", "Unable to change the file owner"),
            *controller_.accessExplanation()->noPermissionSupport);
        return;
    }
    setName(controller_.info().owner.name);
    setShown(true);
}

void OwnerChangeSheet::cancel() {
    setShown(false);
}

void OwnerChangeSheet::set() {
    const auto& info = controller_.info();
    const auto helper = controller_.helperLocation();
    if (!info.url) {
        return;
    }
    if (!helper) {
        controller_.showAlert(
            QCoreApplication::translate("owner_change", "Unable to change the file owner"),
            QCoreApplication::translate("owner_change", "Couldn't find the helper process"));
        return;
    }
    std::vector<std::string> arguments{"owner", "-username", name_.toStdString()};
    for (auto& argument : itemArguments(*info.url, info.identity)) {
        arguments.push_back(std::move(argument));
    }
    runHelperAsAdministrator(this, *helper, arguments, kPrompt,
                             [this](const basalt::ScriptOutcome& outcome) { finished(outcome); });
}

void OwnerChangeSheet::finished(const basalt::ScriptOutcome& outcome) {
    // A dismissed prompt is the user's own answer: nothing to tell.
    if (outcome.kind == basalt::ElevationResult::cancelled) {
        setShown(false);
        return;
    }
    const auto [status, message] = basalt::authorizationStatus(outcome);
    if (status == 0 || (status == 2 && message.isEmpty())) {
        controller_.scheduleRefresh();
        setShown(false);
        return;
    }
    controller_.showAlert(
        QCoreApplication::translate("owner_change", "Unable to change the file owner"),
        QCoreApplication::translate("owner_change", "Error: ") + QString::number(status) + u' ' +
            message);
}

}  // namespace gw::controller
