#include "app/ui/translucent_background.h"

#include <QLinearGradient>
#include <QPainter>

namespace gw::ui {

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

}  // namespace gw::ui
