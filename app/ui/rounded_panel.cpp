#include "app/ui/rounded_panel.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include "app/ui/symbols.h"
#include "app/ui/theme.h"
#include "platform/path_text.h"

namespace gw::ui {

void clearLayout(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        if (QLayout* child = item->layout()) {
            clearLayout(child);
        }
        delete item;
    }
}

QLabel* textLabel(const QString& text, double pointSize, QFont::Weight weight, const QColor& color,
                  QWidget* parent) {
    auto* label = new QLabel(text, parent);
    styleLabel(label, pointSize, weight, color);
    return label;
}

QString itemFolder(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(platform::parentPath(path)));
}

void styleLabel(QLabel* label, double pointSize, QFont::Weight weight, const QColor& color) {
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setStyleSheet(QCoreApplication::translate(
        "widgets", "background: rgba(255,255,255,0.12); border: none;"));
    return line;
}

QLabel* symbolLabel(const QString& name, const QColor& color, int size) {
    auto* label = new QLabel;
    label->setPixmap(symbolIcon(name, color).pixmap(QSize(size, size)));
    label->setFixedSize(size, size);
    return label;
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
    painter.fillPath(path, colors::panel());
    painter.setPen(QColor(255, 255, 255, 18));
    painter.drawPath(path);
}

}  // namespace gw::ui
