#pragma once
// winProgress as both windows draw it: its size, the places of ProgText and ProgBar, its colours
// by display depth, and the bar, which shows the largest fraction it was given since the window
// was shown (a later, smaller fraction never shortens it).

#include "app/view/main_window_controls.h"
#include "app/view/twips.h"

namespace qbm::progress {

inline constexpr int WidthTwips = 4905, HeightTwips = 885;
inline constexpr TwipRect ProgTextPlace{165, 105, 4620, 195};
inline constexpr TwipRect ProgBarPlace{165, 390, 4575, 300};

inline constexpr controls::Rgb Background{176, 176, 176};
// On displays of 8 bits per pixel or fewer: a solid colour of the standard palette.
inline constexpr controls::Rgb PaletteBackground{192, 192, 192};
inline constexpr controls::Rgb BarBackground{192, 192, 192};
inline constexpr controls::Rgb BarColour{101, 101, 255};

// The window's (and ProgText's) background on a display of this depth (ColorBits).
constexpr controls::Rgb BackgroundFor(int colorBits) { return colorBits <= 8 ? PaletteBackground : Background; }

}  // namespace qbm::progress

namespace qbm {

// done ÷ total in single precision, clamped to 1; nothing to draw (0) for 0 ÷ 0 and for negative
// values; a full bar for a positive done over a total of 0.
float ProgressFraction(long done, long total);

// ProgBar's fill: the largest fraction since the last reset.
class ProgressBarFill {
 public:
  // Empties the bar (the window was shown again).
  void reset() { fraction_ = 0; }
  // Takes done ÷ total when it is larger than any since the reset. True when the bar drawn across
  // `pixels` got longer (the window repaints it then).
  bool advance(long done, long total, int pixels);
  // The largest fraction since the reset, 0 … 1.
  float fraction() const { return fraction_; }
  // The width of the bar drawn across `pixels`.
  int width(int pixels) const;

 private:
  float fraction_ = 0;
};

}  // namespace qbm
