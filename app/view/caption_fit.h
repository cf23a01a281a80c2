#pragma once
// The window was laid out for fonts narrower than many systems have. A control whose caption would
// be cut off at its designed width gets a narrower setting of its font (down to 70 % of the normal
// width) instead of a bigger control, so the layout stays as designed. Each window measures its
// captions in its own fonts; the widths tried, and which is taken, are decided here.

#include <functional>

namespace qbm {

// The widths tried, in percent of the font's normal width, widest first.
inline constexpr int CaptionStretches[] = {100, 95, 90, 85, 80, 75, 70};

// The widest stretch at which the caption fits `available` pixels, as widthAt(stretch) measures
// it; the narrowest when none does.
int FitStretch(int available, const std::function<int(int stretch)>& widthAt);

}  // namespace qbm
