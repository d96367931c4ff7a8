#include "app/ui/hosting_window.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace gw::ui {

namespace {

class WindowReporter : public QObject {
  public:
    WindowReporter(QWidget* view, std::function<void(QWidget*)> configure)
        : QObject(view), view_(view), configure_(std::move(configure)) {
        view->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ &&
            (event->type() == QEvent::Show || event->type() == QEvent::ParentChange)) {
            QWidget* window =
                view_->isVisible() || view_->parentWidget() ? view_->window() : nullptr;
            if (window != reported_) {
                reported_ = window;
                configure_(window);
            }
        }
        return false;
    }

  private:
    QWidget* view_;
    std::function<void(QWidget*)> configure_;
    QPointer<QWidget> reported_;
};

}  // namespace

void reportHostingWindow(QWidget* view, std::function<void(QWidget* window)> configure) {
    new WindowReporter(view, std::move(configure));
}

}  // namespace gw::ui
