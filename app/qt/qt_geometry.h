#pragma once
// The shared views' places, sizes and colours (app/view) as Qt's.

#include <QColor>
#include <QRect>
#include <QSize>

#include "app/view/main_window_controls.h"
#include "app/view/twips.h"

namespace qbm {

inline QRect qtRect(const PixelRect& r) { return QRect(r.left, r.top, r.width, r.height); }
inline PixelRect pixelRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }
inline QSize qtSize(const PixelSize& s) { return QSize(s.width, s.height); }
inline QColor qtColour(const controls::Rgb& c) { return QColor(c.red, c.green, c.blue); }

}  // namespace qbm
