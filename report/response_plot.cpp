#include "report/response_plot.h"

#include <algorithm>
#include <cmath>

#include "db/schema.h"

namespace qbm {
namespace {

std::string sideLabel(const DriverResponse& driver) {
  return (driver.side == ResponseSide::Old ? "Old: " : "New: ") + driver.name;
}

// "10", "100", "1k", "10k" for the decades; "" for the lines between them.
std::string frequencyLabel(int hz) {
  if (hz == 10 || hz == 100) return std::to_string(hz);
  if (hz == 1000 || hz == 10000) return std::to_string(hz / 1000) + "k";
  return {};
}

double levelStep(double span) { return span <= 30 ? 5 : span <= 100 ? 10 : 20; }

}  // namespace

double FrequencyX(double hz, const PlotArea& area) {
  const double low = std::log10(LowestPlotFrequency);
  const double high = std::log10(HighestPlotFrequency);
  return area.left + (std::log10(hz) - low) / (high - low) * area.width;
}

ResponsePlot LayOutResponsePlot(const std::vector<DriverResponse>& drivers, const PlotArea& area) {
  ResponsePlot plot;
  double lowest = 0, highest = 0;
  bool any = false;
  for (const DriverResponse& d : drivers) {
    const std::size_t count = std::min<std::size_t>(d.levels.size(), ResponseCount);
    if (!d.acoustic || count == 0) {
      plot.notes.push_back(sideLabel(d) + ": no acoustic data");
      continue;
    }
    const auto [low, high] = std::minmax_element(d.levels.begin(), d.levels.begin() + static_cast<long>(count));
    lowest = any ? std::min<double>(lowest, *low) : *low;
    highest = any ? std::max<double>(highest, *high) : *high;
    any = true;
  }
  if (!any) {
    lowest = 60;
    highest = 100;
  }
  const double step = levelStep(highest - lowest);
  plot.lowDb = std::floor(lowest / step) * step;
  plot.highDb = std::max(std::ceil(highest / step) * step, plot.lowDb + step);

  const auto levelY = [&](double db) {
    return area.top + (plot.highDb - db) / (plot.highDb - plot.lowDb) * area.height;
  };
  for (double db = plot.lowDb; db <= plot.highDb + step / 2; db += step)
    plot.levelLines.push_back({levelY(db), std::to_string(static_cast<long>(std::lround(db))) + " dB"});
  for (int decade = 10; decade <= 10000; decade *= 10)
    for (int m = 1; m <= 9 && decade * m <= HighestPlotFrequency; ++m)
      plot.frequencyLines.push_back({FrequencyX(decade * m, area), frequencyLabel(decade * m)});

  for (const DriverResponse& d : drivers) {
    const std::size_t count = std::min<std::size_t>(d.levels.size(), ResponseCount);
    if (!d.acoustic || count == 0) continue;
    PlotSeries series{d.side, sideLabel(d), {}};
    series.points.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      series.points.push_back({FrequencyX(ResponseFrequencies[i], area), levelY(d.levels[i])});
    plot.series.push_back(std::move(series));
  }
  return plot;
}

}  // namespace qbm
