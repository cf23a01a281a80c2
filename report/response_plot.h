#pragma once
// The Response window's plot, worked out without any widget: where each driver's response levels
// fall in the plot area (frequency on a logarithmic axis from 5 Hz to 20 kHz, level in dB on a
// linear axis whose range follows the levels shown), the grid lines with their labels, and what
// the window says instead of a curve for a driver without acoustic data. The window only paints it.

#include <string>
#include <vector>

namespace qbm {

enum class ResponseSide { Old, New };

// One selected driver's response as the databases hold it.
struct DriverResponse {
  ResponseSide side = ResponseSide::Old;
  std::string name;           // its list entry
  bool acoustic = false;      // it has acoustic data (Acoustic set and a response row)
  std::vector<float> levels;  // level at ResponseFrequencies[i], as many as its database holds
};

// The plot area in the window's coordinates: x grows to the right, y downwards.
struct PlotArea {
  double left = 0, top = 0, width = 0, height = 0;
};

struct PlotPoint {
  double x = 0, y = 0;
  friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

struct PlotSeries {
  ResponseSide side = ResponseSide::Old;
  std::string label;  // "Old: " or "New: " and the driver's list entry
  std::vector<PlotPoint> points;
};

// A grid line: its x (frequency) or y (level) in the area, and its label ("" for a minor line).
struct PlotGridLine {
  double position = 0;
  std::string label;
};

struct ResponsePlot {
  std::vector<PlotSeries> series;          // the drivers with acoustic data, in the given order
  std::vector<std::string> notes;          // "Old: <entry>: no acoustic data", ...
  std::vector<PlotGridLine> frequencyLines;  // 10, 20 … 90, 100 … 20 kHz; decades labelled
  std::vector<PlotGridLine> levelLines;      // every step from lowDb to highDb, labelled "80 dB"
  double lowDb = 0, highDb = 0;            // the level axis, bottom to top
};

inline constexpr double LowestPlotFrequency = 5.0;      // Hz, the area's left edge
inline constexpr double HighestPlotFrequency = 20000.0;  // Hz, its right edge

// The x of a frequency: log10(hz) mapped linearly from 5 Hz at the left edge to 20 kHz at the right.
double FrequencyX(double hz, const PlotArea& area);

// The plot of the drivers' responses in the area. The level axis spans the levels of every curve
// shown, widened to whole multiples of its step (5 dB for spans up to 30 dB, 10 dB up to 100 dB,
// 20 dB beyond) and to at least one step; 60 to 100 dB when no curve is shown.
ResponsePlot LayOutResponsePlot(const std::vector<DriverResponse>& drivers, const PlotArea& area);

}  // namespace qbm
