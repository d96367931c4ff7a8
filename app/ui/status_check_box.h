#pragma once

#include <QCheckBox>
#include <QColor>

namespace gw::ui {

// One fact of the grid drawn as a small status symbol, and a real check box
// for everyone else: Tab reaches it, Space or a click acts on it, a focus
// ring shows where the keyboard is, and assistive technology reads its name
// and whether it is checked. The check state only ever shows the record:
// acting on it asks for a change, and the refreshed record answers.
class StatusCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    StatusCheckBox(const QString& accessibleName, double size, QWidget* parent = nullptr);

    // What the cell shows: the state, and the symbol that says it.
    void show(Qt::CheckState state, const QString& symbol, const QColor& color);
    const QString& symbol() const { return symbol_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    // The record decides the state, not the click.
    void nextCheckState() override {}

  private:
    QString symbol_;
    QColor color_;
    double size_;
};

}  // namespace gw::ui
