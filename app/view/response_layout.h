#pragma once
// The Response window as both windows draw it: its size, where the plot area lies (below a line
// for each driver's legend or note and a blank line), and its colours. The plot itself is
// LayOutResponsePlot's (report/response_plot.h); the windows only paint it.

#include <cstddef>
#include <string_view>

#include "app/view/main_window_controls.h"
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

}  // namespace qbm::response
