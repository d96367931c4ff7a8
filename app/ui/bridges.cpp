#include "app/ui/bridges.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTextDocument>

namespace gw::ui {

AutoHeightTextEdit::AutoHeightTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(2);
    connect(this, &QPlainTextEdit::textChanged, this, [this]() {
        updateGeometry();
        if (onTextChange) {
            onTextChange(toPlainText());
        }
    });
}

int AutoHeightTextEdit::contentHeight() const {
    // Wrapped lines once laid out; the text's own lines before that.
    const int lines = std::max({1, document()->lineCount(), document()->blockCount()});
    const int text =
        lines * fontMetrics().lineSpacing() + 2 * static_cast<int>(document()->documentMargin());
    return std::max(kMinimumHeight, text + 2 * frameWidth() + 2);
}

QSize AutoHeightTextEdit::sizeHint() const {
    return {QPlainTextEdit::sizeHint().width(), contentHeight()};
}

TranslucentBackground::TranslucentBackground(QWidget* parent) : QWidget(parent) {
    // Never transparent for mouse events: Qt extends that to every child,
    // and the whole window would ignore clicks and drops.
}

void TranslucentBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomLeft());
    gradient.setColorAt(0, QColor(38, 38, 42, 245));
    gradient.setColorAt(1, QColor(26, 26, 28, 250));
    painter.fillRect(rect(), gradient);
}

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
