#pragma once

#include <QIcon>
#include <QString>

class QApplication;

// The program's looks: one stylesheet and the SVG icons of resources/, compiled in.
namespace lumexa::core::ui {

// Sets the stylesheet and the window icon on the application.
void ApplyStyle(QApplication& application);

// An icon of resources/icons/<name>.svg, rendered at 1x, 2x and 3x so it stays sharp at every
// scaling. `size` is the logical edge in pixels.
QIcon SvgIcon(const QString& name, int size = 24);
QPixmap SvgPixmap(const QString& name, int size, qreal devicePixelRatio);

} // namespace lumexa::core::ui
