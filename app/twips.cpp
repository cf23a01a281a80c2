#include "app/twips.h"

#include <cmath>

namespace qbm {

int TwipScale::x(int twips) const { return static_cast<int>(std::lround(twips * dpiX_ / TwipsPerInch)); }

int TwipScale::y(int twips) const { return static_cast<int>(std::lround(twips * dpiY_ / TwipsPerInch)); }

QRect TwipScale::rect(const TwipRect& r) const {
  // Edges are rounded, not sizes, so neighbouring controls keep their gaps.
  const int left = x(r.left), top = y(r.top);
  return QRect(left, top, x(r.left + r.width) - left, y(r.top + r.height) - top);
}

QSize TwipScale::size(int widthTwips, int heightTwips) const {
  return QSize(x(widthTwips), y(heightTwips));
}

}  // namespace qbm
