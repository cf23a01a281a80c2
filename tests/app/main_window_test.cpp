// The main window as it opens: its controls, captions, fonts, tab order, what is shown at start,
// the fixed window and its background.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QScreen>
#include <set>

#include "app/view/main_window_controls.h"
#include "app/qt/window_fonts.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

TEST_F(WindowTest, IsAFixedWindowTitledQBMergeWithOnlyACloseBox) {
  EXPECT_EQ(str(window.windowTitle()), "QB Merge");
  EXPECT_EQ(window.objectName(), "winMain");
  // 8850 × 6945 twips (the designed 6240 and the status line below): 590 × 463 pixels at 96 dpi.
  ASSERT_EQ(window.screen()->logicalDotsPerInchX(), 96);
  EXPECT_EQ(window.size(), QSize(590, 463));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  // Centred on the screen.
  const QPoint centre = window.screen()->availableGeometry().center();
  EXPECT_LE((window.geometry().center() - centre).manhattanLength(), 2);
}

TEST_F(WindowTest, ControlsSitWhereTheLayoutPutsThem) {
  // Twips ÷ 15 at 96 dpi; the units options relative to their frame.
  EXPECT_EQ(control("ToList")->geometry(), QRect(301, 67, 280, 147));
  EXPECT_EQ(control("FromRText")->geometry(), QRect(6, 236, 282, 153));
  EXPECT_EQ(control("MClose")->geometry(), QRect(539, 392, 42, 22));
  EXPECT_EQ(control("UnitsFrame")->geometry(), QRect(8, 396, 113, 13));
  EXPECT_EQ(control("UnitsOpt1")->parentWidget(), control("UnitsFrame"));
  EXPECT_EQ(control("UnitsOpt1")->geometry(), QRect(60, 0, 50, 13));
}

TEST_F(WindowTest, ControlsCarryTheirCaptionsTooltipsAndFonts) {
  EXPECT_EQ(str(control<QPushButton>("ToOpen")->text()), "Open New Database");
  EXPECT_EQ(str(control<QPushButton>("FromOpen")->text()), "Open Old Database");
  EXPECT_EQ(str(control<QPushButton>("FromOmit")->text()), "Omit Driver");
  EXPECT_EQ(str(control<QPushButton>("MMerge")->text()), "Merge >");
  EXPECT_EQ(str(control<QRadioButton>("FromOpt0")->text()), "Show Changed Drivers");
  EXPECT_EQ(str(control<QRadioButton>("FromOpt1")->text()), "Show ALL Drivers");
  EXPECT_EQ(str(control<QLabel>("FromLabel0")->text()), "Drivers to copy from the Old Driver Database:");
  EXPECT_EQ(str(control<QLabel>("ToLabel0")->text()), "Drivers currently in the New Driver Database:");
  EXPECT_EQ(str(control<QLabel>("ToLabel1")->text()), "Details of the selected driver:");
  EXPECT_EQ(str(control<QLabel>("VerLabel")->text()), "Version 1.0.9");
  EXPECT_EQ(str(control("MHelp")->toolTip()), "Open the QB Merge instructions.");
  EXPECT_EQ(str(control("MClose")->toolTip()), "Close the program.");
  EXPECT_EQ(str(control("UnitsOpt0")->toolTip()), "Use English units when displaying driver details.");
  EXPECT_EQ(str(control("FromOpt0")->toolTip()),
            "Only show the drivers in the old database that have changed or are missing from the new "
            "database.");
  EXPECT_EQ(str(control("MMerge")->toolTip()),
            "Copy the drivers from Old Database listed on the left side to the New Database shown on the "
            "right side.");
  EXPECT_TRUE(control("ToOpen")->toolTip().isEmpty());

  // Bold controls, regular controls, and the version label's own font.
  for (const char* bold : {"MMerge", "MHelp", "MClose", "FromLabel0", "ToLabel1", "ToName", "FromName"})
    EXPECT_TRUE(control(bold)->font().bold()) << bold;
  for (const char* regular : {"ToOpen", "FromOmit", "UnitsOpt0", "FromOpt1", "VerLabel"})
    EXPECT_FALSE(control(regular)->font().bold()) << regular;
  EXPECT_DOUBLE_EQ(control("MHelp")->font().pointSizeF(), 8.25);
  EXPECT_EQ(control("VerLabel")->font().family(), ResolveFontFamily("Arial"));
  EXPECT_EQ(control("MHelp")->font().family(), ResolveFontFamily("MS Sans Serif"));
}

TEST_F(WindowTest, CaptionsFitTheirControlsWhateverFontIsInstalled) {
  for (const char* name : {"FromLabel0", "ToLabel0", "FromLabel1", "VerLabel"}) {
    auto* label = control<QLabel>(name);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name;
  }
  for (const char* name : {"ToOpen", "FromOpen", "MMerge"}) {
    auto* button = control<QPushButton>(name);
    EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width()) << name;
  }
}

TEST_F(WindowTest, AtStartOnlyTheNewSideHelpCloseAndUnitsAreShown) {
  for (const char* shown : {"ToOpen", "ToList", "ToLabel0", "ToLabel1", "ToRText", "ToName", "MHelp", "MClose",
                            "UnitsFrame", "UnitsOpt0", "UnitsOpt1", "VerLabel"})
    EXPECT_TRUE(control(shown)->isVisible()) << shown;
  for (const char* hidden : {"FromOpt0", "FromOpt1", "FromOpen", "FromName", "FromLabel0", "FromLabel1",
                             "FromList", "FromRText", "FromOmit", "MMerge", "BackgrndD"})
    EXPECT_FALSE(control(hidden)->isVisible()) << hidden;
  EXPECT_TRUE(control<QRadioButton>("UnitsOpt1")->isChecked());  // metric
  EXPECT_FALSE(control<QRadioButton>("UnitsOpt0")->isChecked());
  EXPECT_FALSE(control<QRadioButton>("FromOpt0")->isChecked());
  EXPECT_FALSE(control<QRadioButton>("FromOpt1")->isChecked());
  EXPECT_TRUE(control<QLabel>("ToName")->text().isEmpty());
  EXPECT_TRUE(toReport()->toPlainText().isEmpty());
  EXPECT_TRUE(toReport()->isReadOnly());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, TabGoesThroughTheControlsInTheirDesignedOrder) {
  const std::set<std::string> focusable{"FromOpt0", "FromOpt1", "FromOpen", "FromOmit", "MMerge",
                                       "ToOpen",   "MHelp",    "MClose",   "UnitsOpt0", "UnitsOpt1",
                                       "FromList", "FromRText", "ToList",  "ToRText"};
  // The focus chain, reduced to the controls that take the focus, from the first of them.
  std::vector<std::string> chain;
  QWidget* start = control("FromOpt0");
  QWidget* w = start;
  do {
    const std::string name = str(w->objectName());
    if (focusable.contains(name)) chain.push_back(name);
    w = w->nextInFocusChain();
  } while (w != start && chain.size() < 40);
  const std::vector<std::string> expected{"FromOpt0", "FromOpt1", "FromOpen", "ToOpen",    "FromOmit",
                                          "MMerge",   "MHelp",    "MClose",   "UnitsOpt0", "UnitsOpt1",
                                          "FromList", "FromRText", "ToList",  "ToRText"};
  EXPECT_EQ(chain, expected);
  for (const char* unfocusable : {"ToLabel0", "ToName", "VerLabel", "BackgrndD"})
    EXPECT_EQ(control(unfocusable)->focusPolicy(), Qt::NoFocus) << unfocusable;
}

// The colours of a horizontal strip of the window where no control is.
std::set<QRgb> coloursOfEmptyStrip(QWidget& window) {
  const QImage picture = window.grab().toImage();
  std::set<QRgb> colours;
  for (int x = 300; x < 500; ++x) colours.insert(picture.pixel(x, 2) & 0xffffff);
  return colours;
}

TEST_F(WindowTest, BackgroundIsTiledGreyOnColourDisplays) {
  const std::set<QRgb> colours = coloursOfEmptyStrip(window);
  EXPECT_GT(colours.size(), 5u) << "the tile's texture";
  for (QRgb c : colours) EXPECT_LE(std::abs(qGray(c) - 192), 24) << std::hex << c;
  const QImage tile = control<QLabel>("BackgrndD")->pixmap().toImage();
  EXPECT_EQ(tile.size(), QSize(99, 99));
}

TEST(MainWindowColours, SixteenColourDisplaysKeepThePlainGrey) {
  MainWindow window(MainWindowOptions{4, test::helpFolderOfSources()});
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(coloursOfEmptyStrip(window), std::set<QRgb>{qRgb(192, 192, 192) & 0xffffff});
  window.close();
}

// Tab and Shift+Tab enter an option pair at its selected button and leave it from there; arrows
// still move within the pair. The focused control shows its mark from the start.
TEST_F(WindowTest, OptionPairsAreEnteredAtTheirSelectedButton) {
  QStyleOptionButton option;
  option.initFrom(control("ToOpen"));
  EXPECT_TRUE(option.state & QStyle::State_KeyboardFocusChange) << "no focus mark at start-up";

  ASSERT_TRUE(control<QRadioButton>("UnitsOpt1")->isChecked());  // metric
  control("MClose")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(control("MClose"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), control("UnitsOpt1"));
  QTest::keyClick(control("UnitsOpt1"), Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), control("UnitsOpt0")) << "Tab stopped on the other button";
  EXPECT_NE(QApplication::focusWidget(), control("UnitsOpt1"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), control("UnitsOpt1"));
  QTest::keyClick(control("UnitsOpt1"), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), control("MClose"));

  // With English chosen, the pair is entered at English; an arrow still moves within the pair.
  click("UnitsOpt0");
  control("MClose")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(control("MClose"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), control("UnitsOpt0"));
  QTest::keyClick(control("UnitsOpt0"), Qt::Key_Right);  // Metric stands right of English
  settle();
  EXPECT_EQ(QApplication::focusWidget(), control("UnitsOpt1"));
  EXPECT_TRUE(control<QRadioButton>("UnitsOpt1")->isChecked());
}

}  // namespace
}  // namespace qbm
