// The desktop program's small conversions: twips to pixels, the file dialog's filters, message
// texts, and the command line.

#include <gtest/gtest.h>

#include "app/qt/background_tile.h"
#include "app/qt/file_dialog_filter.h"
#include "app/qt/qt_user_interface.h"
#include "app/qt/startup_options.h"
#include "app/qt/qt_geometry.h"
#include "app/view/twips.h"

namespace qbm {
namespace {

TEST(Twips, AreFifteenToThePixelAt96DpiAndScaleWithTheScreen) {
  const TwipScale at96(96, 96);
  EXPECT_EQ(qtSize(at96.size(8850, 6240)), QSize(590, 416));
  EXPECT_EQ(qtRect(at96.rect({4515, 1005, 4200, 2200})), QRect(301, 67, 280, 147));
  const TwipScale at120(120, 120);  // 12 twips per pixel
  EXPECT_EQ(qtSize(at120.size(8850, 6240)), QSize(738, 520));
  EXPECT_EQ(at120.x(1188), 99);
  // Neighbouring controls keep their common edge after rounding.
  const QRect a = qtRect(at120.rect({105, 75, 1950, 195})), b = qtRect(at120.rect({2055, 75, 100, 195}));
  EXPECT_EQ(a.right() + 1, b.left());
}

TEST(FileDialogFilter, PairsBecomeQtNameFilters) {
  EXPECT_EQ(NameFiltersOf("Previous Database|xqbaudio.mdb|Tundrel 5.1 Database|spkrbase.mdb|All Databases|*.mdb"),
            (QStringList{"Previous Database (xqbaudio.mdb)", "Tundrel 5.1 Database (spkrbase.mdb)",
                         "All Databases (*.mdb)"}));
  EXPECT_EQ(NameFiltersOf("Databases|*.mdb;*.accdb"), QStringList{"Databases (*.mdb *.accdb)"});
  EXPECT_EQ(NameFiltersOf("|*.mdb"), QStringList{"*.mdb"});
  EXPECT_EQ(NameFiltersOf("Lone description"), QStringList{});
  EXPECT_EQ(NameFiltersOf("Empty|| Good | good.mdb |Tail"), QStringList{"Good (good.mdb)"});
  EXPECT_EQ(NameFiltersOf(""), QStringList{});
}

TEST(MessageText, LineBreaksOfEveryKindBecomeNewlines) {
  EXPECT_EQ(MessageBoxText("one\r\ntwo\rthree\nfour"), "one\ntwo\nthree\nfour");
  EXPECT_EQ(MessageBoxText("Übergröße"), QString::fromUtf8("Übergröße"));
}

TEST(StartupOptions, TakeUpToTwoDatabasesAndAScreenshotFile) {
  StartupOptions o = ParseStartupOptions({});
  EXPECT_TRUE(o.newDatabase.isEmpty());
  EXPECT_TRUE(o.error.isEmpty());

  o = ParseStartupOptions({"new.mdb", "old.mdb", "--screenshot", "shot.png"});
  EXPECT_EQ(o.newDatabase, "new.mdb");
  EXPECT_EQ(o.oldDatabase, "old.mdb");
  EXPECT_EQ(o.screenshotFile, "shot.png");
  EXPECT_TRUE(o.error.isEmpty());

  EXPECT_FALSE(ParseStartupOptions({"a.mdb", "b.mdb", "c.mdb"}).error.isEmpty());
  EXPECT_FALSE(ParseStartupOptions({"--screenshot"}).error.isEmpty());
  EXPECT_FALSE(ParseStartupOptions({"--screenshot", "x.png"}).error.isEmpty());  // nothing to show
  o = ParseStartupOptions({"new.mdb", "--response-screenshot", "response.png"});
  EXPECT_EQ(o.responseScreenshotFile, "response.png");
  EXPECT_TRUE(o.screenshotFile.isEmpty());
  EXPECT_TRUE(o.error.isEmpty());
  EXPECT_FALSE(ParseStartupOptions({"--response-screenshot"}).error.isEmpty());
  EXPECT_FALSE(ParseStartupOptions({"--response-screenshot", "x.png"}).error.isEmpty());
  EXPECT_FALSE(ParseStartupOptions({"--verbose"}).error.isEmpty());
}

TEST(BackgroundTile, Is99PixelsOf256ColoursAroundTheWindowGreyAndRepeatsSeamlessly) {
  const QImage tile = BackgroundTile();
  ASSERT_EQ(tile.size(), QSize(99, 99));
  EXPECT_EQ(tile.format(), QImage::Format_Indexed8);
  EXPECT_LE(tile.colorCount(), 256);
  long sum = 0;
  int largestStep = 0, largestEdgeStep = 0;
  for (int y = 0; y < 99; ++y)
    for (int x = 0; x < 99; ++x) {
      sum += qGray(tile.pixel(x, y));
      if (x > 0)
        largestStep = std::max(largestStep, std::abs(qGray(tile.pixel(x, y)) - qGray(tile.pixel(x - 1, y))));
    }
  for (int y = 0; y < 99; ++y)
    largestEdgeStep = std::max(largestEdgeStep, std::abs(qGray(tile.pixel(0, y)) - qGray(tile.pixel(98, y))));
  EXPECT_NEAR(sum / (99.0 * 99.0), 192, 4);
  // Crossing from one tile into the next is no bigger a step than inside a tile.
  EXPECT_LE(largestEdgeStep, largestStep);
  EXPECT_EQ(BackgroundTile(), tile);
}

}  // namespace
}  // namespace qbm
