#include "app/ui/elided_label.h"

#include <QResizeEvent>

using namespace Qt::StringLiterals;

namespace gw::ui {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setWordWrap(false);
}

void ElidedLabel::setFullText(const QString& text) {
    full_ = text;
    setAccessibleName(text);
    elide();
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(full_) + 2, metrics.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(u"M…M"_s), fontMetrics().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(0, width()));
    if (shown != text()) {
        setText(shown);
    }
    setToolTip(shown != full_ ? full_ : QString());
}

}  // namespace gw::ui
