#pragma once
// Twips, the unit the windows' layout is given in: 1440 to the inch, so 15 to the pixel at 96 dots
// per inch. TwipScale turns them into the screen's pixels, keeping the layout's proportions at any
// resolution. Both windows place their controls through it.

namespace qbm {

// A position and size in twips: left, top, width, height.
struct TwipRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// A position and size in pixels.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelSize {
  int width = 0, height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

inline constexpr double TwipsPerInch = 1440.0;

class TwipScale {
 public:
  // The scale of a screen with these dots per inch (96 at the usual setting).
  // REQUIRES: both are positive.
  TwipScale(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

  // Twips to pixels, rounded to the nearest pixel.
  int x(int twips) const;
  int y(int twips) const;
  // Edges are rounded, not sizes, so neighbouring controls keep their common edge.
  PixelRect rect(const TwipRect& r) const;
  PixelSize size(int widthTwips, int heightTwips) const;

  double dpiX() const { return dpiX_; }
  double dpiY() const { return dpiY_; }

 private:
  double dpiX_, dpiY_;
};

}  // namespace qbm
