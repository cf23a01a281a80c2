#include "app/view/twips.h"

#include <cmath>

namespace qbm {

int TwipScale::x(int twips) const { return static_cast<int>(std::lround(twips * dpiX_ / TwipsPerInch)); }

int TwipScale::y(int twips) const { return static_cast<int>(std::lround(twips * dpiY_ / TwipsPerInch)); }

PixelRect TwipScale::rect(const TwipRect& r) const {
  const int left = x(r.left), top = y(r.top);
  return {left, top, x(r.left + r.width) - left, y(r.top + r.height) - top};
}

PixelSize TwipScale::size(int widthTwips, int heightTwips) const { return {x(widthTwips), y(heightTwips)}; }

}  // namespace qbm
