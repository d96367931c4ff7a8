#include "app/ui/symbols.h"

#include <functional>
#include <map>

#include <QIconEngine>
#include <QPainterPath>
#include <QPixmap>

#include "basalt/desktop/desktop_utilities.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {

// Every symbol is drawn in a 100 × 100 box; `ink` is the symbol's colour and
// `cut` the colour of marks inside filled shapes.
struct Pen {
    QPainter& p;
    QColor ink;
    QColor cut;

    void stroke(const QPainterPath& path, double width, const QColor& color) const {
        QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    void fill(const QPainterPath& path, const QColor& color) const {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(path);
    }
    void disc(const QColor& color) const {
        QPainterPath path;
        path.addEllipse(QRectF(4, 4, 92, 92));
        fill(path, color);
    }
    void ring(const QColor& color) const {
        QPainterPath path;
        path.addEllipse(QRectF(8, 8, 84, 84));
        stroke(path, 8, color);
    }
    void text(const QString& glyph, const QRectF& box, const QColor& color, double size) const {
        QFont font = p.font();
        font.setPixelSize(static_cast<int>(size));
        font.setBold(true);
        p.setFont(font);
        p.setPen(color);
        p.drawText(box, Qt::AlignCenter, glyph);
    }
};

QPainterPath checkmark() {
    QPainterPath path;
    path.moveTo(29, 52);
    path.lineTo(44, 67);
    path.lineTo(72, 35);
    return path;
}

QPainterPath lockShape(double scale = 1.0, QPointF centre = {50, 52}) {
    QPainterPath path;
    const double w = 36 * scale, h = 28 * scale;
    path.addRoundedRect(QRectF(centre.x() - w / 2, centre.y() - h / 2 + 6 * scale, w, h), 4 * scale,
                        4 * scale);
    return path;
}

QPainterPath shackle(double scale = 1.0, QPointF centre = {50, 52}) {
    QPainterPath path;
    const double r = 11 * scale;
    path.moveTo(centre.x() - r, centre.y() - 8 * scale + 6 * scale);
    path.lineTo(centre.x() - r, centre.y() - 14 * scale);
    path.arcTo(QRectF(centre.x() - r, centre.y() - 14 * scale - r, 2 * r, 2 * r), 180, -180);
    path.lineTo(centre.x() + r, centre.y() - 8 * scale + 6 * scale);
    return path;
}

// The shackle lifted out of the body on the right: unlocked.
QPainterPath openShackle(QPointF centre = {50, 52}) {
    QPainterPath path;
    const double r = 11;
    path.moveTo(centre.x() - r, centre.y() - 2);
    path.lineTo(centre.x() - r, centre.y() - 20);
    path.arcTo(QRectF(centre.x() - r, centre.y() - 20 - r, 2 * r, 2 * r), 180, -180);
    path.lineTo(centre.x() + r, centre.y() - 14);
    return path;
}

QPainterPath person(QPointF at, double scale) {
    QPainterPath path;
    path.addEllipse(QRectF(at.x() - 11 * scale, at.y() - 30 * scale, 22 * scale, 22 * scale));
    QPainterPath body;
    body.moveTo(at.x() - 24 * scale, at.y() + 24 * scale);
    body.cubicTo(at.x() - 24 * scale, at.y() - 4 * scale, at.x() + 24 * scale, at.y() - 4 * scale,
                 at.x() + 24 * scale, at.y() + 24 * scale);
    body.closeSubpath();
    return path.united(body);
}

QPainterPath heartShape() {
    QPainterPath heart;
    heart.moveTo(50, 88);
    heart.cubicTo(10, 60, 4, 40, 14, 24);
    heart.cubicTo(26, 8, 46, 14, 50, 30);
    heart.cubicTo(54, 14, 74, 8, 86, 24);
    heart.cubicTo(96, 40, 90, 60, 50, 88);
    return heart;
}

QPainterPath triangle(double inset = 0) {
    QPainterPath path;
    path.moveTo(50, 8 + inset);
    path.lineTo(94 - inset, 88 - inset / 2);
    path.lineTo(6 + inset, 88 - inset / 2);
    path.closeSubpath();
    return path;
}

QPainterPath circularArrow(double startAngle, double span, QPointF centre, double radius) {
    QPainterPath path;
    QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    path.arcMoveTo(box, startAngle);
    path.arcTo(box, startAngle, span);
    return path;
}

void arrowHead(const Pen& pen, QPointF tip, double angleDegrees) {
    QPainterPath head;
    head.moveTo(0, -12);
    head.lineTo(14, 0);
    head.lineTo(0, 12);
    head.closeSubpath();
    QTransform t;
    t.translate(tip.x(), tip.y());
    t.rotate(angleDegrees);
    pen.fill(t.map(head), pen.ink);
}

using Painter = std::function<void(const Pen&)>;

const std::map<QString, Painter>& painters() {
    static const std::map<QString, Painter> table = {
        {u"circle.fill"_s, [](const Pen& pen) { pen.disc(pen.ink); }},
        {u"checkmark.circle.fill"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             pen.stroke(checkmark(), 11, pen.cut);
         }},
        {u"checkmark.circle.trianglebadge.exclamationmark"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             pen.stroke(checkmark(), 11, pen.cut);
             QPainterPath badge;
             badge.moveTo(76, 52);
             badge.lineTo(100, 96);
             badge.lineTo(52, 96);
             badge.closeSubpath();
             pen.fill(badge, QColor(255, 204, 0));
             pen.text(u"!"_s, QRectF(58, 62, 36, 34), Qt::black, 30);
         }},
        {u"lock.circle.fill"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             pen.fill(lockShape(), pen.cut);
             pen.stroke(shackle(), 7, pen.cut);
         }},
        {u"lock.open.circle"_s,
         [](const Pen& pen) {
             pen.ring(pen.ink);
             pen.fill(lockShape(0.8, {50, 56}), pen.ink);
             pen.stroke(openShackle({50, 56}), 6, pen.ink);
         }},
        {u"lock.fill"_s,
         [](const Pen& pen) {
             pen.fill(lockShape(2.0, {50, 44}), pen.ink);
             pen.stroke(shackle(2.0, {50, 44}), 10, pen.ink);
         }},
        {u"questionmark.circle"_s,
         [](const Pen& pen) {
             pen.ring(pen.ink);
             pen.text(u"?"_s, QRectF(0, 0, 100, 100), pen.ink, 58);
         }},
        {u"questionmark.circle.fill"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             pen.text(u"?"_s, QRectF(0, 0, 100, 100), pen.cut, 58);
         }},
        {u"exclamationmark.triangle"_s,
         [](const Pen& pen) {
             pen.stroke(triangle(4), 8, pen.ink);
             pen.text(u"!"_s, QRectF(0, 24, 100, 62), pen.ink, 48);
         }},
        {u"exclamationmark.triangle.fill"_s,
         [](const Pen& pen) {
             pen.fill(triangle(), pen.ink);
             pen.text(u"!"_s, QRectF(0, 24, 100, 62), Qt::black, 50);
         }},
        {u"person.circle.fill"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             QPainterPath clip;
             clip.addEllipse(QRectF(4, 4, 92, 92));
             pen.fill(person({50, 58}, 1.1).intersected(clip), pen.cut);
         }},
        {u"person.fill"_s,
         [](const Pen& pen) {
             pen.fill(person({50, 58}, 1.5), pen.ink);
         }},
        {u"person.3.fill"_s,
         [](const Pen& pen) {
             pen.fill(person({22, 62}, 0.85), pen.ink.darker(130));
             pen.fill(person({78, 62}, 0.85), pen.ink.darker(130));
             pen.fill(person({50, 58}, 1.0), pen.ink);
         }},
        {u"nosign"_s,
         [](const Pen& pen) {
             pen.ring(pen.ink);
             QPainterPath slash;
             slash.moveTo(22, 78);
             slash.lineTo(78, 22);
             pen.stroke(slash, 8, pen.ink);
         }},
        {u"trash"_s,
         [](const Pen& pen) {
             QPainterPath bin;
             bin.moveTo(24, 28);
             bin.lineTo(30, 92);
             bin.lineTo(70, 92);
             bin.lineTo(76, 28);
             QPainterPath lid;
             lid.moveTo(14, 24);
             lid.lineTo(86, 24);
             lid.moveTo(38, 24);
             lid.lineTo(40, 12);
             lid.lineTo(60, 12);
             lid.lineTo(62, 24);
             QPainterPath ribs;
             for (const double x : {40.0, 50.0, 60.0}) {
                 ribs.moveTo(x, 38);
                 ribs.lineTo(x, 80);
             }
             pen.stroke(bin, 7, pen.ink);
             pen.stroke(lid, 7, pen.ink);
             pen.stroke(ribs, 5, pen.ink);
         }},
        {u"magnifyingglass"_s,
         [](const Pen& pen) {
             QPainterPath lens;
             lens.addEllipse(QRectF(12, 12, 54, 54));
             QPainterPath handle;
             handle.moveTo(58, 58);
             handle.lineTo(88, 88);
             pen.stroke(lens, 9, pen.ink);
             pen.stroke(handle, 12, pen.ink);
         }},
        {u"magnifyingglass.circle.fill"_s,
         [](const Pen& pen) {
             pen.disc(pen.ink);
             QPainterPath lens;
             lens.addEllipse(QRectF(27, 27, 36, 36));
             QPainterPath handle;
             handle.moveTo(57, 57);
             handle.lineTo(74, 74);
             pen.stroke(lens, 7, pen.cut);
             pen.stroke(handle, 9, pen.cut);
         }},
        {u"eye"_s,
         [](const Pen& pen) {
             QPainterPath lid;
             lid.moveTo(6, 50);
             lid.quadTo(50, 6, 94, 50);
             lid.quadTo(50, 94, 6, 50);
             pen.stroke(lid, 7, pen.ink);
             QPainterPath pupil;
             pupil.addEllipse(QRectF(36, 36, 28, 28));
             pen.fill(pupil, pen.ink);
         }},
        {u"arrowshape.turn.up.right"_s,
         [](const Pen& pen) {
             QPainterPath path;
             path.moveTo(14, 84);
             path.cubicTo(14, 50, 34, 42, 66, 42);
             pen.stroke(path, 10, pen.ink);
             arrowHead(pen, {82, 42}, 0);
         }},
        {u"arrow.triangle.2.circlepath"_s,
         [](const Pen& pen) {
             pen.stroke(circularArrow(20, 140, {50, 50}, 34), 8, pen.ink);
             pen.stroke(circularArrow(200, 140, {50, 50}, 34), 8, pen.ink);
             arrowHead(pen, {20, 36}, 120);
             arrowHead(pen, {80, 64}, -60);
         }},
        {u"arrow.clockwise"_s,
         [](const Pen& pen) {
             pen.stroke(circularArrow(100, -290, {50, 54}, 34), 9, pen.ink);
             arrowHead(pen, {48, 20}, 0);
         }},
        {u"minus"_s,
         [](const Pen& pen) {
             QPainterPath bar;
             bar.moveTo(18, 50);
             bar.lineTo(82, 50);
             pen.stroke(bar, 10, pen.ink);
         }},
        {u"doc.on.doc"_s,
         [](const Pen& pen) {
             QPainterPath back;
             back.addRoundedRect(QRectF(14, 8, 52, 64), 8, 8);
             QPainterPath front;
             front.addRoundedRect(QRectF(34, 28, 52, 64), 8, 8);
             pen.stroke(back, 7, pen.ink);
             pen.fill(front, pen.cut);
             pen.stroke(front, 7, pen.ink);
         }},
        {u"safari"_s,
         [](const Pen& pen) {
             pen.ring(pen.ink);
             QPainterPath needle;
             needle.moveTo(68, 32);
             needle.lineTo(56, 56);
             needle.lineTo(32, 68);
             needle.lineTo(44, 44);
             needle.closeSubpath();
             pen.fill(needle, pen.ink);
         }},
        {u"mail"_s,
         [](const Pen& pen) {
             QPainterPath envelope;
             envelope.addRoundedRect(QRectF(8, 22, 84, 58), 8, 8);
             QPainterPath flap;
             flap.moveTo(10, 26);
             flap.lineTo(50, 56);
             flap.lineTo(90, 26);
             pen.stroke(envelope, 7, pen.ink);
             pen.stroke(flap, 7, pen.ink);
         }},
        {u"heart.fill"_s, [](const Pen& pen) { pen.fill(heartShape(), pen.ink); }},
        {u"heart"_s, [](const Pen& pen) { pen.stroke(heartShape(), 7, pen.ink); }},
        {u"square.and.arrow.down"_s,
         [](const Pen& pen) {
             QPainterPath tray;
             tray.moveTo(30, 40);
             tray.lineTo(16, 40);
             tray.lineTo(16, 90);
             tray.lineTo(84, 90);
             tray.lineTo(84, 40);
             tray.lineTo(70, 40);
             QPainterPath shaft;
             shaft.moveTo(50, 8);
             shaft.lineTo(50, 58);
             pen.stroke(tray, 7, pen.ink);
             pen.stroke(shaft, 8, pen.ink);
             arrowHead(pen, {50, 70}, 90);
         }},
        {u"lock.shield"_s,
         [](const Pen& pen) {
             QPainterPath shield;
             shield.moveTo(50, 6);
             shield.cubicTo(66, 16, 80, 18, 90, 18);
             shield.cubicTo(90, 60, 74, 82, 50, 94);
             shield.cubicTo(26, 82, 10, 60, 10, 18);
             shield.cubicTo(20, 18, 34, 16, 50, 6);
             pen.stroke(shield, 7, pen.ink);
             pen.fill(lockShape(0.8, {50, 52}), pen.ink);
             pen.stroke(shackle(0.8, {50, 52}), 6, pen.ink);
         }},
        {u"building.2.crop.circle"_s,
         [](const Pen& pen) {
             pen.ring(pen.ink);
             QPainterPath towers;
             towers.addRect(QRectF(28, 34, 20, 42));
             towers.addRect(QRectF(52, 46, 20, 30));
             pen.fill(towers, pen.ink);
         }},
        {u"doc"_s,
         [](const Pen& pen) {
             QPainterPath page;
             page.moveTo(20, 6);
             page.lineTo(62, 6);
             page.lineTo(82, 26);
             page.lineTo(82, 94);
             page.lineTo(20, 94);
             page.closeSubpath();
             pen.fill(page, pen.ink);
             QPainterPath corner;
             corner.moveTo(62, 6);
             corner.lineTo(62, 26);
             corner.lineTo(82, 26);
             pen.fill(corner, pen.ink.darker(125));
             QPainterPath lines;
             for (const double y : {44.0, 56.0, 68.0, 80.0}) {
                 lines.moveTo(32, y);
                 lines.lineTo(70, y);
             }
             pen.stroke(lines, 4, pen.ink.darker(160));
         }},
        {u"folder"_s,
         [](const Pen& pen) {
             QPainterPath back;
             back.addRoundedRect(QRectF(6, 18, 40, 20), 6, 6);
             back.addRoundedRect(QRectF(6, 26, 88, 62), 8, 8);
             pen.fill(back, pen.ink.darker(115));
             QPainterPath front;
             front.addRoundedRect(QRectF(6, 36, 88, 52), 8, 8);
             pen.fill(front, pen.ink);
         }},
        {u"square.and.pencil"_s,
         [](const Pen& pen) {
             QPainterPath square;
             square.moveTo(56, 18);
             square.lineTo(20, 18);
             square.quadTo(12, 18, 12, 26);
             square.lineTo(12, 80);
             square.quadTo(12, 88, 20, 88);
             square.lineTo(74, 88);
             square.quadTo(82, 88, 82, 80);
             square.lineTo(82, 46);
             QPainterPath pencil;
             pencil.moveTo(42, 58);
             pencil.lineTo(84, 16);
             pen.stroke(square, 7, pen.ink);
             pen.stroke(pencil, 10, pen.ink);
         }},
    };
    return table;
}

}  // namespace

bool isKnownSymbol(const QString& name) {
    return painters().count(name) > 0;
}

void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(rect.width(), rect.height());
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 100.0, side / 100.0);
    // Marks inside filled shapes are cut in the window's dark background.
    const Pen pen{painter, color, QColor(30, 30, 32)};
    const auto it = painters().find(name);
    if (it != painters().end()) {
        it->second(pen);
    } else {
        painters().at(u"questionmark.circle"_s)(pen);
    }
    painter.restore();
}

QIcon fileIcon(const QString& themeName) {
    QIcon themed = basalt::themedFileIcon(themeName);
    if (!themed.isNull()) {
        return themed;
    }
    const bool folder = themeName.contains(u"folder"_s) || themeName.contains(u"directory"_s);
    return folder ? symbolIcon(u"folder"_s, QColor(64, 156, 255))
                  : symbolIcon(u"doc"_s, QColor(228, 228, 234));
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    return paintedIcon([name, color](QPainter& painter, const QRectF& rect, QIcon::Mode mode) {
        QColor ink = color;
        if (mode == QIcon::Disabled) {
            ink.setAlphaF(0.35F);
        }
        paintSymbol(painter, name, rect, ink);
    });
}

namespace {

class PaintedEngine final : public QIconEngine {
  public:
    explicit PaintedEngine(IconPainter painter) : painter_(std::move(painter)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter_(*painter, rect, mode);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new PaintedEngine(painter_); }

  private:
    IconPainter painter_;
};

}  // namespace

QIcon paintedIcon(IconPainter painter) {
    return QIcon(new PaintedEngine(std::move(painter)));
}

}  // namespace gw::ui
