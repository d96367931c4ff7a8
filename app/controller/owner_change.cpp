#include "app/controller/owner_change.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include "app/controller/reset_controller.h"
#include "basalt/desktop/authorization.h"
#include "basalt/shell_quoting.h"

namespace gw::controller {

std::string ownerChangeCommand(const QString& ownerName, const std::string& path) {
    // "--" keeps a name or path that starts with "-" from being read as an option.
    return "chown -- " + basalt::appleScriptEscaped(basalt::shellQuoted(ownerName.toStdString())) +
           ' ' + basalt::shellEscapedPath(path);
}

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
    setName(controller_.info().owner.name);
    setShown(true);
}

void OwnerChangeSheet::cancel() {
    setShown(false);
}

void OwnerChangeSheet::set() {
    const auto& url = controller_.info().url;
    if (!url) {
        return;
    }
    basalt::executeWithAuthorization(
        ownerChangeCommand(name_, *url), kPrompt, QPointer<QObject>(this),
        [](int status, const QString& message, QPointer<QObject> sender) {
            // Arrives on a background thread; the sheet belongs to the main
            // thread, which also checks whether it still exists.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [sender, status, message]() {
                    if (auto* sheet = qobject_cast<OwnerChangeSheet*>(sender.data())) {
                        sheet->finished(status, message);
                    }
                },
                Qt::QueuedConnection);
        });
}

void OwnerChangeSheet::finished(int status, const QString& message) {
    if (status == -128) {
        setShown(false);
        return;
    }
    if (status == 0 || (status == 2 && message.isEmpty())) {
        controller_.scheduleRefresh();
        setShown(false);
        return;
    }
    controller_.showAlert(QStringLiteral("Unable to change the file owner"),
                          QStringLiteral("Error: ") + QString::number(status) + u' ' + message);
}

}  // namespace gw::controller
