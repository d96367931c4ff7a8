#include "app/ui/app_icon.h"

#include "app/ui/symbols.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace gw::ui {

namespace {

// Drawn in a 256 × 256 box, like the scalable icon.
void paintIcon(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(rect.width(), rect.height());
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 256.0, side / 256.0);

    QLinearGradient tile(0, 12, 0, 244);
    tile.setColorAt(0, QColor(0x3a, 0x3f, 0x4b));
    tile.setColorAt(1, QColor(0x1c, 0x1e, 0x24));
    QPainterPath square;
    square.addRoundedRect(QRectF(12, 12, 232, 232), 52, 52);
    painter.fillPath(square, tile);
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.drawPath(square);

    QPainterPath shield;
    shield.moveTo(128, 40);
    shield.cubicTo(156, 58, 182, 64, 204, 64);
    shield.cubicTo(204, 142, 176, 188, 128, 216);
    shield.cubicTo(80, 188, 52, 142, 52, 64);
    shield.cubicTo(74, 64, 100, 58, 128, 40);
    QLinearGradient fill(0, 40, 0, 216);
    fill.setColorAt(0, QColor(0x34, 0xd3, 0x99));
    fill.setColorAt(1, QColor(0x0a, 0x84, 0xff));
    painter.fillPath(shield, fill);

    QPainterPath check;
    check.moveTo(92, 128);
    check.lineTo(118, 154);
    check.lineTo(166, 102);
    painter.setPen(QPen(Qt::white, 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(check);
    painter.restore();
}

}  // namespace

QIcon applicationIcon() {
    return paintedIcon(
        [](QPainter& painter, const QRectF& rect, QIcon::Mode) { paintIcon(painter, rect); });
}

}  // namespace gw::ui
