#pragma once
// Twips, the unit the window's layout is given in: 1440 to the inch, so 15 to the pixel at 96 dots
// per inch. TwipScale turns them into the screen's logical pixels, keeping the layout's proportions
// at any resolution.

#include <QRect>
#include <QSize>

namespace qbm {

// A position and size in twips: left, top, width, height.
struct TwipRect {
  int left = 0, top = 0, width = 0, height = 0;
};

inline constexpr double TwipsPerInch = 1440.0;

class TwipScale {
 public:
  // The scale of a screen with these logical dots per inch (96 at the usual setting).
  // REQUIRES: both are positive.
  TwipScale(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  // Twips to pixels, rounded to the nearest pixel.
  int x(int twips) const;
  int y(int twips) const;
  QRect rect(const TwipRect& r) const;
  QSize size(int widthTwips, int heightTwips) const;

 private:
  double dpiX_, dpiY_;
};

}  // namespace qbm
