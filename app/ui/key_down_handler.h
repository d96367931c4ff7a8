#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QWidget>

class QKeyEvent;

namespace gw::ui {

// Hands key presses to `handler` only while `window` is the active window;
// the handler answers true to swallow the key.
class KeyDownHandler : public QObject {
  public:
    KeyDownHandler(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    bool isInstalled() const { return installed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void update();

    QPointer<QWidget> window_;
    std::function<bool(QKeyEvent*)> handler_;
    bool installed_ = false;
};

}  // namespace gw::ui
