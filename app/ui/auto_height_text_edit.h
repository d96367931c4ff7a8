#pragma once

#include <QPlainTextEdit>

namespace gw::ui {

// A plain-text editor whose height follows its text, never below 35 points.
class AutoHeightTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    static constexpr int kMinimumHeight = 35;
    explicit AutoHeightTextEdit(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  Q_SIGNALS:
    void textChangedTo(const QString& text);

  private:
    int contentHeight() const;
};

}  // namespace gw::ui
