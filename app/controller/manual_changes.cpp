// The single changes the user makes by hand from the detail panels.
#include <cerrno>

#include <QCoreApplication>
#include <QString>

#include "app/controller/elevated_helper.h"
#include "app/controller/reset_controller.h"
#include "basalt/desktop/alerts.h"

using namespace Qt::StringLiterals;

namespace gw::controller {

namespace {

unsigned modeFromRecord(const inspection::FileInfo& info) {
    const auto bits = [](const inspection::PermissionsBranch& branch) {
        return (branch.read ? 4U : 0U) | (branch.write ? 2U : 0U) | (branch.execute ? 1U : 0U);
    };
    return (bits(info.owner) << 6) | (bits(info.group) << 3) | bits(info.other);
}

QString describe(const platform::SysError& error) {
    return QString::fromLocal8Bit(error.description);
}

}  // namespace

void ResetController::manuallyTogglePermission(unsigned bit) {
    if (!info_.url) {
        return;
    }
    if (!permissionsAreStored()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to alter the permissions"),
                  *accessExplanation_->noPermissionSupport);
        return;
    }
    // Rebuilt from the record, which is what the user is looking at: only the
    // nine permission bits take part.
    const unsigned current = modeFromRecord(info_);
    const unsigned changed = (current & bit) ? (current ^ bit) : (current | bit);
    if (changed == current) {
        basalt::diagnosticAlert(
            QCoreApplication::translate("manual_changes", "Something went wrong"),
            QCoreApplication::translate("manual_changes",
                                        "Probably a value, level combination doesn't match."),
            u"FileInfo.manuallyTogglePermission(_:)"_s, true);
    }
    if (const auto set = services_.changes.setPermissions(*info_.url, static_cast<mode_t>(changed));
        set.failed()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to alter the permissions"),
                  describe(set.error()));
        return;
    }
    scheduleRefresh();
}

void ResetController::toggleLock() {
    if (!info_.url) {
        return;
    }
    if (!permissionsAreStored()) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                  *accessExplanation_->noPermissionSupport);
        return;
    }
    auto locked = services_.changes.userImmutable(*info_.url);
    if (!locked) {
        showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                  describe(locked.error()));
        return;
    }
    // An item that can't carry the lock reports no value; nothing is written.
    if (locked->has_value()) {
        const bool lock = !**locked;
        if (const auto set = services_.changes.setUserImmutable(*info_.url, lock); set.failed()) {
            // Only an administrator may change the lock: ask, as a reset does.
            if (set.error().code == EPERM && helperLocation()) {
                toggleLockAsAdministrator(lock);
                return;
            }
            showAlert(QCoreApplication::translate("manual_changes", "Unable to toggle file lock"),
                      describe(set.error()));
            return;
        }
    }
    scheduleRefresh();
}

void ResetController::toggleLockAsAdministrator(bool lock) {
    std::vector<std::string> arguments{lock ? "lock" : "unlock"};
    for (auto& argument : itemArguments(*info_.url, info_.identity)) {
        arguments.push_back(std::move(argument));
    }
    runHelperAsAdministrator(this, *helperLocation(), arguments, kLockPrompt,
                             [this](const basalt::ScriptOutcome& outcome) {
                                 using basalt::ElevationResult;
                                 if (outcome.kind == ElevationResult::succeeded) {
                                     scheduleRefresh();
                                 } else if (outcome.kind == ElevationResult::noAgent) {
                                     showAlert(QCoreApplication::translate(
                                                   "manual_changes", "Unable to toggle file lock"),
                                               QString::fromLatin1(basalt::kNoAgentMessage));
                                 } else if (outcome.kind != ElevationResult::cancelled) {
                                     showAlert(QCoreApplication::translate(
                                                   "manual_changes", "Unable to toggle file lock"),
                                               basalt::authorizationStatus(outcome).second);
                                 }
                             });
}

void ResetController::getOriginalFile() {
    if (!info_.typeIsResolvable || !info_.url) {
        return;
    }
    // Linux has no alias files: anything resolvable here is a symbolic link.
    auto original = services_.changes.resolveLinks(*info_.url);
    if (!original) {
        basalt::diagnosticAlert(
            QCoreApplication::translate("manual_changes", "Unable to find original file"),
            describe(original.error()), u"FileInfo.getOriginalFile()"_s, true);
        return;
    }
    loadFile(original.value());
}

}  // namespace gw::controller
