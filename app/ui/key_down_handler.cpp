#include "app/ui/key_down_handler.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace gw::ui {

KeyDownHandler::KeyDownHandler(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    // The window's activation decides whether the handler listens at all.
    window->installEventFilter(this);
    update();
}

void KeyDownHandler::update() {
    const bool active = window_ && window_->isActiveWindow();
    if (active && !installed_) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
    } else if (!active && installed_) {
        QCoreApplication::instance()->removeEventFilter(this);
        installed_ = false;
    }
}

bool KeyDownHandler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ &&
        (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate ||
         event->type() == QEvent::Hide)) {
        update();
        return false;
    }
    if (installed_ && event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_) {
        return handler_(static_cast<QKeyEvent*>(event));
    }
    return false;
}

}  // namespace gw::ui
