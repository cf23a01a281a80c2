// The Response window: where the levels fall on its plot (logarithmic frequency axis, level range
// following the levels), and the window opened from the lists with the selected drivers' curves.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <algorithm>
#include <array>

#include "app/qt/driver_list_view.h"
#include "app/qt/response_window.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "report/response_plot.h"
#include "samples/driver_database_builder.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

constexpr PlotArea Area{40, 30, 500, 200};

DriverResponse driverWith(ResponseSide side, std::vector<float> levels, bool acoustic = true) {
  return {side, side == ResponseSide::Old ? "[A]  OLD  (ob)" : "[B]  NEW  (sb)", acoustic, std::move(levels)};
}

// Level i rises from `from` by `step` per frequency.
std::vector<float> rising(float from, float step, std::size_t count = ResponseCount) {
  std::vector<float> levels(count);
  for (std::size_t i = 0; i < count; ++i) levels[i] = from + step * static_cast<float>(i);
  return levels;
}

double lineAt(const std::vector<PlotGridLine>& lines, const std::string& label) {
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const PlotGridLine& l) { return l.label == label; });
  EXPECT_NE(found, lines.end()) << "no grid line " << label;
  return found == lines.end() ? -1 : found->position;
}

// Known frequencies fall on the decade lines and the edges; a legacy driver's 94 levels end at
// 2000 Hz, the line after "1k".
TEST(ResponsePlot, PutsTheFrequenciesOnALogarithmicAxis) {
  const ResponsePlot plot = LayOutResponsePlot({driverWith(ResponseSide::Old, rising(70, 0.1f)),
                                                driverWith(ResponseSide::New, rising(70, 0.1f, legacy::ResponseCount))},
                                               Area);
  ASSERT_EQ(plot.series.size(), 2u);
  const std::vector<PlotPoint>& points = plot.series[0].points;
  ASSERT_EQ(points.size(), static_cast<std::size_t>(ResponseCount));
  const struct {
    std::size_t index;
    const char* line;
  } decades[] = {{3, "10"}, {41, "100"}, {81, "1k"}, {121, "10k"}};
  for (const auto& d : decades) EXPECT_NEAR(points[d.index].x, lineAt(plot.frequencyLines, d.line), 1e-9) << d.line;
  EXPECT_NEAR(points.front().x, Area.left, 1e-9);
  EXPECT_NEAR(points.back().x, Area.left + Area.width, 1e-9);
  // Equal ratios are equal distances: 10 Hz to 100 Hz as wide as 1 kHz to 10 kHz.
  EXPECT_NEAR(FrequencyX(100, Area) - FrequencyX(10, Area), FrequencyX(10000, Area) - FrequencyX(1000, Area), 1e-9);

  const std::vector<PlotPoint>& legacy = plot.series[1].points;
  ASSERT_EQ(legacy.size(), static_cast<std::size_t>(legacy::ResponseCount));
  const auto oneK = std::find_if(plot.frequencyLines.begin(), plot.frequencyLines.end(),
                                 [](const PlotGridLine& l) { return l.label == "1k"; });
  ASSERT_NE(oneK, plot.frequencyLines.end());
  EXPECT_NEAR(legacy.back().x, std::next(oneK)->position, 1e-9);
}

// The level axis: whole steps around the levels (exact multiples kept, at least one step), the
// step by the span; a level on a grid line is drawn on it.
TEST(ResponsePlot, FitsTheLevelAxisToTheLevels) {
  const struct {
    float low, high, bottom, top;
  } cases[] = {
      {70, 90, 70, 90},      // exact multiples of 5 dB
      {70.5, 89.5, 70, 90},  // widened to the steps around them
      {80, 80, 80, 85},      // flat: one step
      {52, 121, 50, 130},    // span above 30 dB: 10 dB steps
      {-20, 110, -20, 120},  // above 100 dB: 20 dB steps
  };
  for (const auto& c : cases) {
    std::vector<float> levels(ResponseCount, c.low);
    levels[41] = c.high;
    const ResponsePlot plot = LayOutResponsePlot({driverWith(ResponseSide::Old, levels)}, Area);
    EXPECT_EQ(plot.lowDb, c.bottom) << c.low << ".." << c.high;
    EXPECT_EQ(plot.highDb, c.top) << c.low << ".." << c.high;
    ASSERT_FALSE(plot.levelLines.empty());
    EXPECT_NEAR(plot.levelLines.front().position, Area.top + Area.height, 1e-9);  // the bottom line
    EXPECT_NEAR(plot.levelLines.back().position, Area.top, 1e-9);
  }
  std::vector<float> levels(ResponseCount, 72);
  levels[41] = 80;
  const ResponsePlot plot = LayOutResponsePlot({driverWith(ResponseSide::New, levels)}, Area);
  EXPECT_NEAR(plot.series[0].points[41].y, lineAt(plot.levelLines, "80 dB"), 1e-9);
}

// A driver without acoustic data is a note, not a curve, and leaves the axis to the other.
TEST(ResponsePlot, SaysWhenADriverHasNoAcousticData) {
  ResponsePlot plot = LayOutResponsePlot({driverWith(ResponseSide::Old, std::vector<float>(ResponseCount, 0.0f), false),
                                          driverWith(ResponseSide::New, rising(70, 0.1f))},
                                         Area);
  ASSERT_EQ(plot.series.size(), 1u);
  EXPECT_EQ(plot.series[0].label, "New: [B]  NEW  (sb)");
  EXPECT_EQ(plot.notes, std::vector<std::string>{"Old: [A]  OLD  (ob): no acoustic data"});
  EXPECT_EQ(plot.lowDb, 70);
  plot = LayOutResponsePlot({driverWith(ResponseSide::New, {}, true)}, Area);  // no levels held
  EXPECT_TRUE(plot.series.empty());
  EXPECT_EQ(plot.notes.size(), 1u);
}

// From the window: a double click on a list opens the Response window, not modal, with a curve for
// each side's selected driver (old first); it follows the selection, and says when the new driver
// has no acoustic data; Ctrl+R in a list brings it back once closed.
TEST_F(WindowTest, ResponseWindowPlotsTheDriversSelectedOnBothSides) {
  {
    samples::DriverDatabaseBuilder newDb(dir / "qbaudio.mdb");
    const std::int32_t maker = newDb.addCompany({{"Company", "Maker"}});
    const std::int32_t a = newDb.addWoofer({{"Model", "A"}, {"Company ID", maker}, {"Acoustic", true}});
    newDb.addWooferResponse(a, rising(70, 0.1f));
    newDb.addWoofer({{"Model", "B"}, {"Company ID", maker}});
    samples::DriverDatabaseBuilder oldDb(dir / "xqbaudio.mdb");
    const std::int32_t old = oldDb.addCompany({{"Company", "Maker"}});
    const std::int32_t c = oldDb.addWoofer({{"Model", "C"}, {"Company ID", old}, {"Acoustic", true}});
    oldDb.addWooferResponse(c, rising(90, -0.1f));
  }
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "qbaudio.mdb").string()));
  click("ToOpen");
  click("FromOpt1");
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "xqbaudio.mdb").string()));
  click("FromOpen");
  ASSERT_EQ(fromList()->rowCount(), 1);
  ASSERT_EQ(toList()->rowCount(), 2);

  clickEntry(fromList(), 0);
  clickEntry(toList(), rowWith(toList(), "  A  "));
  const DriverListView* list = toList();
  QTest::mouseDClick(toList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                     list->visualRect(list->rowIndex(rowWith(list, "  A  "))).center());
  settle();
  ResponseWindow* response = window.responseWindow();
  ASSERT_NE(response, nullptr);
  EXPECT_TRUE(response->isVisible());
  EXPECT_FALSE(response->isModal());
  EXPECT_EQ(str(response->windowTitle()), "Response");
  ResponsePlot plot = response->plot();
  ASSERT_EQ(plot.series.size(), 2u);
  EXPECT_EQ(plot.series[0].side, ResponseSide::Old);
  EXPECT_EQ(plot.series[0].label, "Old: " + str(fromList()->rowText(0)));
  EXPECT_EQ(plot.series[1].label, "New: " + str(toList()->rowText(rowWith(toList(), "  A  "))));
  for (const PlotSeries& s : plot.series) EXPECT_EQ(s.points.size(), static_cast<std::size_t>(ResponseCount));
  EXPECT_EQ(plot.lowDb, 70);  // the new curve rises from 70 dB, the old one falls from 90 dB
  EXPECT_EQ(plot.highDb, 90);
  EXPECT_TRUE(plot.notes.empty());
  EXPECT_FALSE(str(toReport()->toPlainText()).empty()) << "the report of the double-clicked driver";

  clickEntry(toList(), rowWith(toList(), "  B  "));
  plot = response->plot();
  ASSERT_EQ(plot.series.size(), 1u);
  EXPECT_EQ(plot.series[0].side, ResponseSide::Old);
  EXPECT_EQ(plot.notes,
            std::vector<std::string>{"New: " + str(toList()->rowText(rowWith(toList(), "  B  "))) +
                                     ": no acoustic data"});

  response->close();
  toList()->setFocus();
  QTest::keyClick(toList(), ResponseKey, ResponseKeyModifiers);
  settle();
  EXPECT_TRUE(response->isVisible());
  EXPECT_EQ(response->plot().series.size(), 1u);
}

}  // namespace
}  // namespace qbm
