#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>

namespace gw::ui {

// An icon drawn by a function at whatever size is asked, never scaled.
using IconPainter = std::function<void(QPainter& painter, const QRectF& rect, QIcon::Mode mode)>;
QIcon paintedIcon(IconPainter painter);

// The window's symbol set: each name the views use is one drawn icon, crisp
// at any size, in the colour asked for. Unknown names draw a question mark.
void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
QIcon symbolIcon(const QString& name, const QColor& color);
bool isKnownSymbol(const QString& name);

// A file's icon from the desktop theme; where the theme has none, a drawn
// page (or folder) so an item never wears another item's icon.
QIcon fileIcon(const QString& themeName);

}  // namespace gw::ui
