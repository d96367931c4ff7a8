#include "app/ui/gw_status_view.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "app/ui/symbols.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

GWStatusView::GWStatusView(QString icon, double size, QColor color, QWidget* parent)
    : QWidget(parent), icon_(std::move(icon)), size_(size), color_(color) {
    setFixedSize(sizeHint());
}

void GWStatusView::setSymbol(const QString& icon, const QColor& color) {
    icon_ = icon;
    color_ = color;
    update();
}

QSize GWStatusView::sizeHint() const {
    const int side = static_cast<int>(std::lround(size_));
    return {side, side};
}

void GWStatusView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF frame(0, 0, size_, size_);
    if (!icon_.contains(u".fill"_s)) {
        QColor disc = colors::secondary();
        disc.setAlphaF(0.35F);
        paintSymbol(painter, u"circle.fill"_s, frame, disc);
    }
    paintSymbol(painter, icon_, frame, isEnabled() ? color_ : colors::secondary());
}

void GWStatusView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
}

}  // namespace gw::ui
