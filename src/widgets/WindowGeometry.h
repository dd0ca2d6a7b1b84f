#pragma once

#include <QString>

class QWidget;

// The stored form of a window's place: width;height;top;left as decimal integers.
namespace WindowGeometry {

QString text(const QWidget *window);
// Applies the parts in order (width, height, top, left); a missing or non-numeric part ends it silently and
// leaves the parts already applied. Returns how many parts were applied.
int apply(QWidget *window, const QString &text);

} // namespace WindowGeometry
