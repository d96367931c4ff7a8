// The reset's last resort: a copy of the item at a place the user chooses,
// reset with the user's own rights.
#include <QCoreApplication>
#include <QFile>

#include "app/controller/background.h"
#include "app/controller/new_location.h"
#include "app/controller/reset_controller.h"
#include "app/controller/reset_reasons.h"
#include "platform/path_text.h"
#include "platform/xattr_view.h"

using namespace Qt::StringLiterals;

namespace gw::controller {

std::vector<std::string> copyToolArguments(const std::string& program, bool resetACLs,
                                           bool resetAttributes, const std::string& from,
                                           const std::string& to) {
    // -P: links are copied as links; -T: the destination is the copy's own
    // name, never a folder to copy into.
    std::vector<std::string> arguments{program, "-R", "-P", "-T"};
    // A plain copy carries no ACL and no attribute: each kept kind is asked
    // for. Permission bits come along with the ACL ("mode").
    std::string preserved = "timestamps";
    if (!resetACLs) {
        preserved += ",mode";
    }
    if (!resetAttributes) {
        preserved += ",xattr";
    }
    arguments.push_back("--preserve=" + preserved);
    arguments.emplace_back("--");
    arguments.push_back(from);
    arguments.push_back(to);
    return arguments;
}

bool copyKeepsQuarantine(bool resetACLs) {
    // The quarantine record goes with the ACL setting, whatever becomes of
    // the other attributes.
    return !resetACLs;
}

void ResetController::chooseNewLocation(const std::string& url) {
    platform::SavePanelRequest request;
    request.message =
        u"Grantwell wasn't able to reset the permissions at that location, please choose a "
        "different location or file name."_s;
    request.prompt = QCoreApplication::translate("new_location", "Choose");
    request.name = QFile::decodeName(QByteArray::fromStdString(platform::lastPathComponent(url)));
    request.folder = platform::parentPath(url);
    const QString extension =
        QFile::decodeName(QByteArray::fromStdString(platform::pathExtension(url)));
    // Only an extension some type claims restricts the choice.
    if (!extension.isEmpty() && services_.inspection.kindForExtension(extension)) {
        request.requiredExtension = extension;
    }
    Q_EMIT newLocationPanelShown(true);
    // Without a window the panel is application-modal rather than a sheet.
    QPointer<ResetController> self(this);
    services_.panels.chooseSaveLocation(parentWindow_, request,
                                        [self, url](const std::optional<std::string>& newLocation) {
                                            if (self) {
                                                self->copyToNewLocation(newLocation, url);
                                            }
                                        });
}

void ResetController::copyToNewLocation(const std::optional<std::string>& newLocation,
                                        const std::string& url) {
    Q_EMIT newLocationPanelShown(false);
    if (!newLocation) {
        resetFailed(QCoreApplication::translate("new_location", "Cancelled by customer"));
        return;
    }
    if (newLocation->empty()) {
        resetFailed(QCoreApplication::translate("new_location", "File is invalid"));
        return;
    }
    const bool acls = resetACLs();
    const bool attributes = resetAttributes();
    const auto argv = copyToolArguments(services_.copyProgram, acls, attributes, url, *newLocation);
    // cp carries all attributes or none: the quarantine record is then
    // taken from the copy, or given to it, as the ACL setting says.
    const bool keepQuarantine = copyKeepsQuarantine(acls);
    const bool stripQuarantine = !attributes && !keepQuarantine;
    const bool addQuarantine = attributes && keepQuarantine;
    engineLog(u"Copying file to new location..."_s);
    runInBackground(
        this,
        [argv, stripQuarantine, addQuarantine, from = url, to = *newLocation]() {
            auto task = platform::runChild(argv, {.mergeOutput = true, .background = true});
            if (task.exitStatus == 0 && stripQuarantine) {
                if (const auto removed =
                        platform::removeAttributeThroughout(to, platform::kQuarantineAttribute);
                    removed.failed()) {
                    task.exitStatus = 1;
                    task.output += "The quarantine record could not be removed from the copy: " +
                                   removed.error().description + '\n';
                }
            }
            if (task.exitStatus == 0 && addQuarantine) {
                if (const auto copied =
                        platform::copyAttributeThroughout(from, to, platform::kQuarantineAttribute);
                    copied.failed()) {
                    task.exitStatus = 1;
                    task.output += "The quarantine record could not be given to the copy: " +
                                   copied.error().description + '\n';
                }
            }
            return task;
        },
        [this, to = *newLocation](const platform::ChildOutcome& task) {
            if (task.startError) {
                resetFailed(
                    QCoreApplication::translate("new_location", "Failed to reset new file: ") +
                    QString::fromLocal8Bit(task.startError->description));
                return;
            }
            copyFinished(task, to);
        });
}

void ResetController::copyFinished(const platform::ChildOutcome& task,
                                   const std::string& newLocation) {
    if (task.exitStatus != 0) {
        const QString reason = failureReason(task);
        engineLog(u"New location reset failed: "_s + reason);
        resetFailed(reason);
        return;
    }
    engineLog(u"File copied to new location"_s);
    loadFile(newLocation);
    runHelper(newLocation, false);
}

}  // namespace gw::controller
