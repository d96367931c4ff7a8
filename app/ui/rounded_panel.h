#pragma once

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QString>

#include <string>

namespace gw::ui {

// Removes and deletes every item of a layout, nested layouts included.
void clearLayout(QLayout* layout);

// A label in the system font at a point size and weight.
QLabel* textLabel(const QString& text, double pointSize, QFont::Weight weight = QFont::Normal,
                  const QColor& color = QColor(), QWidget* parent = nullptr);

// The same look given to a label made elsewhere.
void styleLabel(QLabel* label, double pointSize, QFont::Weight weight = QFont::Normal,
                const QColor& color = QColor());

// The folder that holds PATH, as the user reads it.
QString itemFolder(const std::string& path);

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
