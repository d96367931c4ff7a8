#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace gw::ui {

// The window's symbol set: each name the views use is one drawn icon, crisp
// at any size, in the colour asked for. Unknown names draw a question mark.
void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
QIcon symbolIcon(const QString& name, const QColor& color);
bool isKnownSymbol(const QString& name);

// A file's icon from the desktop theme; where the theme has none, a drawn
// page (or folder) so an item never wears another item's icon.
QIcon fileIcon(const QString& themeName);

}  // namespace gw::ui
