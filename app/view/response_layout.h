#pragma once
// The Response window as both windows draw it: its size, where the plot area lies (below a line
// for each driver's legend or note and a blank line), and its colours. The plot itself is
// LayOutResponsePlot's (report/response_plot.h); the windows only paint it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/view/main_window_controls.h"
#include "app/view/twips.h"
#include "report/response_plot.h"

namespace qbm::response {

inline constexpr std::string_view Title = "Response";
inline constexpr int WidthPixels = 520, HeightPixels = 340;  // at 96 dots per inch
inline constexpr int MarginLeft = 52, MarginRight = 16, MarginBottom = 26, LineHeight = 16, MarginTop = 8;
inline constexpr int LegendLineLength = 24, LegendTextGap = 6;  // the legend's stroke, then its text
inline constexpr int CurveWidth = 2;
inline constexpr std::string_view NothingSelected = "Select a driver to see its response.";
inline constexpr std::string_view FrequencyUnit = "Hz";

inline constexpr controls::Rgb Background{255, 255, 255};
inline constexpr controls::Rgb MinorFrequencyLine{225, 225, 225};
inline constexpr controls::Rgb MajorFrequencyLine{160, 160, 160};
inline constexpr controls::Rgb LevelLine{190, 190, 190};
inline constexpr controls::Rgb Ink{0, 0, 0};

// The curve's colour of each side: the old driver blue, the new one red.
constexpr controls::Rgb SeriesColour(ResponseSide side) {
  return side == ResponseSide::Old ? controls::Rgb{0, 64, 192} : controls::Rgb{192, 0, 0};
}

// The plot area of a window of this client size showing `drivers` responses.
PlotArea PlotAreaOf(double width, double height, std::size_t drivers);

// One line of the legend above the plot: a swatch of its side's colour in the swatch column
// (MarginLeft, LegendLineLength wide), then its text in the text column. A driver drawn as a curve
// has a solid stroke; one without acoustic data a dotted one, so both line up alike.
struct LegendLine {
  ResponseSide side = ResponseSide::Old;
  bool curve = false;  // drawn: solid swatch; no acoustic data: dotted
  std::string text;
  double baselineOffset = 0;  // from the first line's baseline, in pixels
};
inline constexpr int LegendTextLeft = MarginLeft + LegendLineLength + LegendTextGap;

// The legend of the plot of `drivers`, one line per driver in their order (old first).
std::vector<LegendLine> LegendOf(const std::vector<DriverResponse>& drivers, const ResponsePlot& plot);

// Where the Response window opens, in screen pixels (frames included): beside the main window
// where the screen has room for it, right, else left, else below, else above; where it has none,
// inside the screen where it covers the least of `keep` (the new list with its scroll bar), then
// of the main window. `screen` is the room windows may take (without task bars).
PixelRect ResponsePlace(const PixelRect& main, const PixelRect& keep, PixelSize window, const PixelRect& screen);
inline constexpr int ResponseGap = 8;  // between the main window and the Response window

}  // namespace qbm::response
