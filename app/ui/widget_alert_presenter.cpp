#include "app/ui/widget_alert_presenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace gw::ui {

void WidgetAlertPresenter::present(const platform::AlertRequest& request) {
    auto* window = qobject_cast<QWidget*>(request.sheetParent.data());
    auto* box = new QMessageBox(request.critical ? QMessageBox::Critical : QMessageBox::Warning,
                                request.messageText, request.messageText, QMessageBox::Ok, window);
    box->setInformativeText(request.informativeText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (request.beep) {
        QApplication::beep();
    }
    if (window) {
        box->setWindowModality(Qt::WindowModal);
        box->open();
    } else {
        box->setWindowModality(Qt::ApplicationModal);
        box->exec();
    }
}

void WidgetAlertPresenter::beep() {
    QApplication::beep();
}

}  // namespace gw::ui
