#include "app/view/progress_layout.h"

#include <cmath>

namespace qbm {

float ProgressFraction(long done, long total) {
  const float fraction = static_cast<float>(done) / static_cast<float>(total);
  if (std::isnan(fraction) || fraction <= 0) return 0;
  return fraction > 1 ? 1.0f : fraction;
}

bool ProgressBarFill::advance(long done, long total, int pixels) {
  const float fraction = ProgressFraction(done, total);
  if (fraction <= fraction_) return false;
  const int before = width(pixels);
  fraction_ = fraction;
  return width(pixels) != before;
}

int ProgressBarFill::width(int pixels) const { return static_cast<int>(std::lround(fraction_ * pixels)); }

}  // namespace qbm
