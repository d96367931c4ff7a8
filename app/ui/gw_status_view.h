#pragma once

#include <QColor>
#include <QWidget>

namespace gw::ui {

// A small round status icon: a faint disc behind symbols that aren't filled
// themselves, the symbol over it. Clickable where the caller connects it.
class GWStatusView : public QWidget {
    Q_OBJECT
  public:
    GWStatusView(QString icon, double size, QColor color, QWidget* parent = nullptr);
    void setSymbol(const QString& icon, const QColor& color);
    const QString& icon() const { return icon_; }
    QSize sizeHint() const override;

  Q_SIGNALS:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QString icon_;
    double size_;
    QColor color_;
};

}  // namespace gw::ui
