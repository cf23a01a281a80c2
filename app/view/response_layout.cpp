#include "app/view/response_layout.h"

#include <algorithm>

namespace qbm::response {

PlotArea PlotAreaOf(double width, double height, std::size_t drivers) {
  // The legend and the notes above the plot: one line each, and a blank line.
  const int lines = static_cast<int>(std::max<std::size_t>(drivers, 1)) + 1;
  const double top = MarginTop + lines * LineHeight;
  return {MarginLeft, top, std::max(10.0, width - MarginLeft - MarginRight), std::max(10.0, height - top - MarginBottom)};
}

}  // namespace qbm::response
