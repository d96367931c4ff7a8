#pragma once

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QString>

namespace gw::ui {

// Removes and deletes every item of a layout, nested layouts included.
void clearLayout(QLayout* layout);

// A label in the system font at a point size and weight.
QLabel* textLabel(const QString& text, double pointSize, QFont::Weight weight = QFont::Normal,
                  const QColor& color = QColor(), QWidget* parent = nullptr);

QFrame* divider(QWidget* parent = nullptr);

// A drawn symbol as a fixed-size label.
QLabel* symbolLabel(const QString& name, const QColor& color, int size);

// A panel with a rounded, slightly lighter background.
class RoundedPanel : public QFrame {
  public:
    explicit RoundedPanel(double radius, QWidget* parent = nullptr)
        : QFrame(parent), radius_(radius) {}

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double radius_;
};

}  // namespace gw::ui
