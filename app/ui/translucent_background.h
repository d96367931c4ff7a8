#pragma once

#include <QWidget>

namespace gw::ui {

// The window's backdrop: a dark, slightly see-through gradient under the
// content, as close to the desktop's translucent material as a plain
// window gets.
class TranslucentBackground : public QWidget {
  public:
    explicit TranslucentBackground(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace gw::ui
