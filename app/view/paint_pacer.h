#pragma once
// Long work runs on the windows' own thread, so each window lets the window system paint while it
// runs, but not more often than a person can see: painting each driver's caption of a merge cost
// more than the merge's own work. The last caption is always the one that ends up on screen.

#include <chrono>

namespace qbm {

class PaintPacer {
 public:
  static constexpr std::chrono::milliseconds Interval{33};  // about 30 paints a second

  // True when it is time to paint: always when `now`, else when the interval has passed since the
  // last time it was. The interval restarts at each true.
  bool due(bool now);

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace qbm
