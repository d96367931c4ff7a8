#include "app/ui/status_check_box.h"

#include <cmath>

#include <QPainter>

#include "app/ui/symbols.h"
#include "app/ui/theme.h"

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace {
constexpr int kFocusMargin = 3;
}

StatusCheckBox::StatusCheckBox(const QString& accessibleName, double size, QWidget* parent)
    : QCheckBox(parent),
      symbol_(u"questionmark.circle"_s),
      color_(colors::secondary()),
      size_(size) {
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setTristate(true);
    setCheckState(Qt::PartiallyChecked);
    setFixedSize(sizeHint());
}

void StatusCheckBox::show(Qt::CheckState state, const QString& symbol, const QColor& color) {
    setCheckState(state);
    symbol_ = symbol;
    color_ = color;
    update();
}

QSize StatusCheckBox::sizeHint() const {
    const int side = static_cast<int>(std::lround(size_)) + 2 * kFocusMargin;
    return {side, side};
}

void StatusCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(kFocusMargin, kFocusMargin, size_, size_);
    if (!symbol_.contains(u".fill"_s)) {
        QColor disc = colors::secondary();
        disc.setAlphaF(0.35F);
        paintSymbol(painter, u"circle.fill"_s, frame, disc);
    }
    paintSymbol(painter, symbol_, frame, isEnabled() ? color_ : colors::secondary());
    if (hasFocus()) {
        painter.setPen(QPen(colors::accent(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

}  // namespace gw::ui
