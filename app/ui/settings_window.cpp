#include "app/ui/settings_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/key_down_handler.h"

namespace gw::ui {

SettingsWindow::SettingsWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("settings_window", "Settings"));
    setFixedWidth(450);
    setMinimumHeight(220);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    // Never smaller than what its pages hold: shown debugging rows grow it.
    column->setSizeConstraint(QLayout::SetMinimumSize);
    tabs_ = new QTabWidget(this);
    column->addWidget(tabs_);
    new KeyDownHandler(this, [this](QKeyEvent* event) {
        if (event->text().startsWith(QChar(27))) {
            QTimer::singleShot(0, this, &QDialog::close);
            return true;
        }
        return false;
    });
}

void SettingsWindow::addTab(QWidget* page, const QString& title) {
    tabs_->addTab(page, title);
}

}  // namespace gw::ui
