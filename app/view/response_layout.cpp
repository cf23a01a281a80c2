#include "app/view/response_layout.h"

#include <algorithm>

namespace qbm::response {

PlotArea PlotAreaOf(double width, double height, std::size_t drivers) {
  // The legend and the notes above the plot: one line each, and a blank line.
  const int lines = static_cast<int>(std::max<std::size_t>(drivers, 1)) + 1;
  const double top = MarginTop + lines * LineHeight;
  return {MarginLeft, top, std::max(10.0, width - MarginLeft - MarginRight), std::max(10.0, height - top - MarginBottom)};
}

std::vector<LegendLine> LegendOf(const std::vector<DriverResponse>& drivers, const ResponsePlot& plot) {
  std::vector<LegendLine> legend;
  std::size_t series = 0, note = 0;
  for (const DriverResponse& driver : drivers) {
    LegendLine line{driver.side, driver.acoustic, {}, static_cast<double>(legend.size() * LineHeight)};
    if (driver.acoustic && series < plot.series.size()) line.text = plot.series[series++].label;
    else if (!driver.acoustic && note < plot.notes.size()) line.text = plot.notes[note++];
    else continue;
    legend.push_back(std::move(line));
  }
  return legend;
}

namespace {

long long overlap(const PixelRect& a, const PixelRect& b) {
  const long long w = std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
  const long long h = std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// The place moved the least distance that puts it inside the screen (its top-left corner inside
// when it is larger than the screen).
PixelRect inside(PixelRect r, const PixelRect& screen) {
  r.left = std::max(screen.left, std::min(r.left, screen.left + screen.width - r.width));
  r.top = std::max(screen.top, std::min(r.top, screen.top + screen.height - r.height));
  return r;
}

bool fits(const PixelRect& r, const PixelRect& screen) {
  return r.left >= screen.left && r.top >= screen.top && r.left + r.width <= screen.left + screen.width &&
         r.top + r.height <= screen.top + screen.height;
}

}  // namespace

PixelRect ResponsePlace(const PixelRect& main, const PixelRect& keep, PixelSize window, const PixelRect& screen) {
  const int w = window.width, h = window.height;
  // Beside the main window, lined up with its top (or left) edge, slid along that edge into the screen.
  const PixelRect wanted[] = {
      {main.left + main.width + ResponseGap, main.top, w, h},  // right
      {main.left - ResponseGap - w, main.top, w, h},           // left
      {main.left, main.top + main.height + ResponseGap, w, h}, // below
      {main.left, main.top - ResponseGap - h, w, h},           // above
  };
  for (std::size_t i = 0; i < std::size(wanted); ++i) {
    PixelRect r = wanted[i];
    // Slide only along the edge it shares with the main window.
    if (i < 2) r.top = inside(r, screen).top; else r.left = inside(r, screen).left;
    if (fits(r, screen) && overlap(r, main) == 0) return r;
  }
  // No room beside it: the place inside the screen that hides least, trying every wanted place
  // pushed into the screen and the screen's four corners.
  std::vector<PixelRect> tried;
  for (const PixelRect& r : wanted) tried.push_back(inside(r, screen));
  for (const PixelRect corner : {PixelRect{screen.left, screen.top, w, h},
                                 PixelRect{screen.left + screen.width - w, screen.top, w, h},
                                 PixelRect{screen.left, screen.top + screen.height - h, w, h},
                                 PixelRect{screen.left + screen.width - w, screen.top + screen.height - h, w, h}})
    tried.push_back(inside(corner, screen));
  const PixelRect* best = &tried.front();
  for (const PixelRect& r : tried) {
    const auto key = [&](const PixelRect& p) { return std::make_pair(overlap(p, keep), overlap(p, main)); };
    if (key(r) < key(*best)) best = &r;
  }
  return *best;
}

}  // namespace qbm::response
