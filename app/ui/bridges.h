#pragma once

#include <functional>

#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

class QKeyEvent;

namespace gw::ui {

// A plain-text editor whose height follows its text, never below 35 points.
class AutoHeightTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    static constexpr int kMinimumHeight = 35;
    explicit AutoHeightTextEdit(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    std::function<void(const QString& text)> onTextChange;

  private:
    int contentHeight() const;
};

// The window's backdrop: a dark, slightly see-through gradient under the
// content, as close to the desktop's translucent material as a plain
// window gets.
class TranslucentBackground : public QWidget {
  public:
    explicit TranslucentBackground(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Tells `configure` which window hosts `view`, whenever that changes
// (none when it leaves its window).
void reportHostingWindow(QWidget* view, std::function<void(QWidget* window)> configure);

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
