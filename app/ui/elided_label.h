#pragma once

#include <QLabel>

namespace gw::ui {

// One line of text that gives way to its neighbours: shortened in the
// middle to the width it is given, the whole text as tooltip and as the
// name assistive technology reads.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    bool isElided() const { return text() != full_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void elide();

    QString full_;
};

}  // namespace gw::ui
