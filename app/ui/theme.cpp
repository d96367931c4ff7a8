#include "app/ui/theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace gw::ui {

namespace colors {
QColor green() {
    return {48, 209, 88};
}
QColor yellow() {
    return {255, 214, 10};
}
QColor orange() {
    return {255, 159, 10};
}
QColor red() {
    return {255, 69, 58};
}
QColor primary() {
    return {235, 235, 245};
}
QColor secondary() {
    return {152, 152, 160};
}
QColor panel() {
    return {44, 44, 48};
}
QColor accent() {
    return {10, 132, 255};
}
}  // namespace colors

void applyDarkAppearance(QApplication& app) {
    app.setStyle(QStyleFactory::create(u"Fusion"_s));
    QPalette palette;
    const QColor window(30, 30, 32);
    const QColor base(22, 22, 24);
    const QColor button(58, 58, 62);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, colors::primary());
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, colors::panel());
    palette.setColor(QPalette::ToolTipBase, QColor(50, 50, 54));
    palette.setColor(QPalette::ToolTipText, colors::primary());
    palette.setColor(QPalette::PlaceholderText, colors::secondary());
    palette.setColor(QPalette::Text, colors::primary());
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, colors::primary());
    palette.setColor(QPalette::BrightText, colors::red());
    palette.setColor(QPalette::Link, QColor(64, 156, 255));
    palette.setColor(QPalette::Highlight, colors::accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, QColor(80, 80, 86));
    palette.setColor(QPalette::Midlight, QColor(66, 66, 70));
    palette.setColor(QPalette::Mid, QColor(48, 48, 52));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, QColor(110, 110, 116));
    }
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(44, 44, 48));
    app.setPalette(palette);
    // Tooltips keep a palette of their own, light unless told.
    QToolTip::setPalette(palette);
}

}  // namespace gw::ui
