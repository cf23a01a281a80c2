#include "app/view/paint_pacer.h"

namespace qbm {

bool PaintPacer::due(bool now) {
  const auto at = std::chrono::steady_clock::now();
  if (!now && at - last_ < Interval) return false;
  last_ = at;
  return true;
}

}  // namespace qbm
