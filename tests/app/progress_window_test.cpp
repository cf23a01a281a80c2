// The progress window: its bar never shrinks while shown, the fraction's edge cases, its colours
// by display depth, and its place in front of the main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>

#include "app/qt/progress_bar.h"
#include "app/qt/progress_window.h"

namespace qbm {
namespace {

TEST(ProgressFraction, IsClampedAndEmptyForNothingDone) {
  EXPECT_FLOAT_EQ(ProgressFraction(1, 4), 0.25f);
  EXPECT_FLOAT_EQ(ProgressFraction(7, 4), 1.0f);  // done > total: a full bar, never longer
  EXPECT_FLOAT_EQ(ProgressFraction(0, 4), 0.0f);
  EXPECT_FLOAT_EQ(ProgressFraction(0, 0), 0.0f);  // 0 ÷ 0 draws nothing
  EXPECT_FLOAT_EQ(ProgressFraction(3, 0), 1.0f);  // a total of 0: full
  EXPECT_FLOAT_EQ(ProgressFraction(-2, 5), 0.0f);
}

class Progress : public ::testing::Test {
 protected:
  void start(const char* caption) {
    progress.start(caption);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
  }
  // The colour at a point of the bar as drawn.
  QRgb barPixel(int x) { return progress.bar().grab().toImage().pixel(x, 5) & 0xffffff; }

  QWidget owner;
  ProgressWindow progress{&owner, 24};
};

TEST_F(Progress, TheBarShowsTheLargestFractionSinceShown) {
  start("Finding all drivers in the new database...");
  EXPECT_EQ(progress.caption(), "Finding all drivers in the new database...");
  const int width = progress.bar().width();
  EXPECT_TRUE(progress.setProgress(1, 2));
  EXPECT_EQ(progress.bar().barWidth(), (width + 1) / 2);
  EXPECT_FALSE(progress.setProgress(1, 4));  // smaller: the longer bar stands
  EXPECT_EQ(progress.bar().barWidth(), (width + 1) / 2);
  EXPECT_EQ(barPixel(2), qRgb(101, 101, 255) & 0xffffff);
  EXPECT_EQ(barPixel(width - 2), qRgb(192, 192, 192) & 0xffffff);
  EXPECT_TRUE(progress.setProgress(9, 4));
  EXPECT_EQ(progress.bar().barWidth(), width);

  // A new caption while shown keeps the bar; a window shown again starts empty.
  progress.start("Copying W977...");
  EXPECT_EQ(progress.bar().barWidth(), width);
  progress.finish();
  EXPECT_FALSE(progress.isVisible());
  start("Opening new driver database...");
  EXPECT_EQ(progress.bar().barWidth(), 0);
  EXPECT_FALSE(progress.setProgress(0, 0));
  EXPECT_EQ(barPixel(0), qRgb(192, 192, 192) & 0xffffff);
}

TEST_F(Progress, IsASmallFramelessWindowInFrontOfItsOwner) {
  start("Opening old driver database...");
  // On screen, painted with its caption, before the work it names starts.
  ASSERT_NE(progress.windowHandle(), nullptr);
  EXPECT_TRUE(progress.windowHandle()->isExposed());
  EXPECT_EQ(progress.size(), QSize(327, 59));  // 4905 × 885 twips
  const Qt::WindowFlags flags = progress.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(progress.parentWidget(), &owner);
  EXPECT_EQ(progress.findChild<QWidget*>("ProgText")->geometry(), QRect(11, 7, 308, 13));
  EXPECT_EQ(progress.bar().geometry(), QRect(11, 26, 305, 20));
  EXPECT_EQ(progress.palette().color(QPalette::Window), QColor(176, 176, 176));
}

TEST(ProgressColours, PaletteDisplaysGetTheSolidGrey) {
  QWidget owner;
  ProgressWindow at8(&owner, 8);
  EXPECT_EQ(at8.palette().color(QPalette::Window), QColor(192, 192, 192));
  ProgressWindow at16(&owner, 16);
  EXPECT_EQ(at16.palette().color(QPalette::Window), QColor(176, 176, 176));
}

}  // namespace
}  // namespace qbm
