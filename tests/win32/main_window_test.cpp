// The Windows window as it opens: its frame, controls, captions, fonts, tooltips, what is shown at
// start, the tab order through the option pairs, and its background.

#include <gtest/gtest.h>

#include <set>

#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using test::WindowTest;
using controls::ControlId;

RECT placeOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void expectPlace(HWND control, int left, int top, int width, int height) {
  const RECT r = placeOf(control);
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

TEST_F(WindowTest, IsAFixedWindowTitledQBMergeWithOnlyACloseBox) {
  EXPECT_EQ(win32::utf8(win32::WindowText(window.handle())), "QB Merge");
  ASSERT_EQ(window.dpi(), 96u);
  RECT client;
  GetClientRect(window.handle(), &client);
  EXPECT_EQ(client.right, 590);  // 8850 × 6945 twips: the designed 6240 and the status line below
  EXPECT_EQ(client.bottom, 463);
  const LONG style = GetWindowLongW(window.handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  // Centred on its monitor's work area.
  MONITORINFO monitor{sizeof monitor};
  GetMonitorInfoW(MonitorFromWindow(window.handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT frame;
  GetWindowRect(window.handle(), &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) - (monitor.rcWork.left + monitor.rcWork.right)), 2);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 2);
}

TEST_F(WindowTest, ControlsSitWhereTheLayoutPutsThem) {
  // Twips ÷ 15 at 96 dpi; the units options relative to their frame.
  expectPlace(control(ControlId::ToList), 301, 67, 280, 147);
  expectPlace(control(ControlId::FromRText), 6, 236, 282, 153);
  expectPlace(control(ControlId::MClose), 539, 392, 42, 22);
  expectPlace(control(ControlId::UnitsFrame), 8, 396, 113, 13);
  EXPECT_EQ(GetParent(control(ControlId::UnitsOpt1)), control(ControlId::UnitsFrame));
  expectPlace(control(ControlId::UnitsOpt1), 60, 0, 50, 13);
}

LOGFONTW fontOf(HWND control);

// Moved to a monitor of 120 dots per inch, the window lays itself out again: 12 twips per pixel.
TEST_F(WindowTest, IsLaidOutAgainAtTheDpiOfTheMonitorItIsMovedTo) {
  RECT suggested;
  GetWindowRect(window.handle(), &suggested);
  SendMessageW(window.handle(), WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window.dpi(), 120u);
  RECT client;
  GetClientRect(window.handle(), &client);
  EXPECT_EQ(client.right, 738);
  EXPECT_EQ(client.bottom, 579);  // the status line included
  expectPlace(control(ControlId::ToList), 376, 84, 350, 183);
  expectPlace(control(ControlId::UnitsOpt1), 75, 0, 63, 16);
  EXPECT_EQ(fontOf(control(ControlId::MHelp)).lfHeight, -14);  // 8.25 points at 120 dpi
}

LOGFONTW fontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

TEST_F(WindowTest, ControlsCarryTheirCaptionsTooltipsAndFonts) {
  EXPECT_EQ(textOf(ControlId::ToOpen), "Open New Database");
  EXPECT_EQ(textOf(ControlId::FromOpen), "Open Old Database");
  EXPECT_EQ(textOf(ControlId::FromOmit), "Omit Driver");
  EXPECT_EQ(textOf(ControlId::MMerge), "Merge >");
  EXPECT_EQ(textOf(ControlId::FromOpt0), "Show Changed Drivers");
  EXPECT_EQ(textOf(ControlId::FromOpt1), "Show ALL Drivers");
  EXPECT_EQ(textOf(ControlId::FromLabel0), "Drivers to copy from the Old Driver Database:");
  EXPECT_EQ(textOf(ControlId::ToLabel0), "Drivers currently in the New Driver Database:");
  EXPECT_EQ(textOf(ControlId::ToLabel1), "Details of the selected driver:");
  EXPECT_EQ(textOf(ControlId::VerLabel), "Version 1.0.9");
  EXPECT_EQ(textOf(ControlId::UnitsOpt0), "English");
  EXPECT_EQ(tooltipOf(ControlId::MHelp), "Open the QB Merge instructions.");
  EXPECT_EQ(tooltipOf(ControlId::MClose), "Close the program.");
  EXPECT_EQ(tooltipOf(ControlId::UnitsOpt0), "Use English units when displaying driver details.");
  EXPECT_EQ(tooltipOf(ControlId::FromOpt0),
            "Only show the drivers in the old database that have changed or are missing from the new database.");
  EXPECT_EQ(tooltipOf(ControlId::MMerge),
            "Copy the drivers from Old Database listed on the left side to the New Database shown on the right "
            "side.");
  EXPECT_EQ(tooltipOf(ControlId::ToOpen), "");

  for (ControlId bold : {ControlId::MMerge, ControlId::MHelp, ControlId::MClose, ControlId::FromLabel0,
                         ControlId::ToLabel1, ControlId::ToName, ControlId::FromName})
    EXPECT_EQ(fontOf(control(bold)).lfWeight, FW_BOLD) << static_cast<int>(bold);
  for (ControlId regular : {ControlId::ToOpen, ControlId::FromOmit, ControlId::UnitsOpt0, ControlId::FromOpt1,
                            ControlId::VerLabel})
    EXPECT_EQ(fontOf(control(regular)).lfWeight, FW_NORMAL) << static_cast<int>(regular);
  EXPECT_EQ(std::wstring(fontOf(control(ControlId::MHelp)).lfFaceName), L"MS Sans Serif");
  EXPECT_EQ(fontOf(control(ControlId::MHelp)).lfHeight, -11);  // 8.25 points at 96 dpi
  EXPECT_EQ(std::wstring(fontOf(control(ControlId::VerLabel)).lfFaceName), L"Arial");
}

TEST_F(WindowTest, AtStartOnlyTheNewSideHelpCloseAndUnitsAreShown) {
  for (ControlId id : {ControlId::ToOpen, ControlId::ToList, ControlId::ToLabel0, ControlId::ToLabel1,
                       ControlId::ToRText, ControlId::ToName, ControlId::MHelp, ControlId::MClose,
                       ControlId::UnitsFrame, ControlId::UnitsOpt0, ControlId::UnitsOpt1, ControlId::VerLabel})
    EXPECT_TRUE(shown(id)) << static_cast<int>(id);
  for (ControlId id : {ControlId::FromOpt0, ControlId::FromOpt1, ControlId::FromOpen, ControlId::FromName,
                       ControlId::FromLabel0, ControlId::FromLabel1, ControlId::FromList, ControlId::FromRText,
                       ControlId::FromOmit, ControlId::MMerge, ControlId::BackgrndD})
    EXPECT_FALSE(shown(id)) << static_cast<int>(id);
  EXPECT_TRUE(checked(ControlId::UnitsOpt1));  // metric
  EXPECT_FALSE(checked(ControlId::UnitsOpt0));
  EXPECT_FALSE(checked(ControlId::FromOpt0));
  EXPECT_FALSE(checked(ControlId::FromOpt1));
  EXPECT_EQ(textOf(ControlId::ToName), "");
  EXPECT_EQ(shownReport(window.toReport()), "");
  EXPECT_TRUE(GetWindowLongW(control(ControlId::ToRText), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(focused(), ControlId::ToOpen);
  expectIdle();
}

// Tab and Shift+Tab through the window from the keyboard: the shown controls that take the focus,
// the units pair entered at its selected option and left from it; an arrow moves within the pair.
TEST_F(WindowTest, TabGoesThroughTheControlsInTheirDesignedOrder) {
  std::vector<ControlId> chain;
  for (int i = 0; i < 7; ++i) {
    chain.push_back(*focused());
    press(VK_TAB);
  }
  EXPECT_EQ(chain, (std::vector<ControlId>{ControlId::ToOpen, ControlId::MHelp, ControlId::MClose,
                                           ControlId::UnitsOpt1, ControlId::ToList, ControlId::ToRText,
                                           ControlId::ToOpen}));
  press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(focused(), ControlId::ToOpen);
  press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(focused(), ControlId::ToRText);  // round to the last

  click(ControlId::UnitsOpt0);  // English
  SetFocus(control(ControlId::MClose));
  press(VK_TAB);
  EXPECT_EQ(focused(), ControlId::UnitsOpt0);
  press(VK_TAB);
  EXPECT_EQ(focused(), ControlId::ToList) << "Tab stopped on the other option";
  press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(focused(), ControlId::UnitsOpt0);
  press(VK_RIGHT);  // Metric stands right of English
  EXPECT_EQ(focused(), ControlId::UnitsOpt1);
  EXPECT_TRUE(checked(ControlId::UnitsOpt1));
  EXPECT_EQ(state().UnitsOpt, 1);
}

// The colours of the background as the window paints it, along a strip where no control is.
std::set<COLORREF> backgroundColours(HWND window) {
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, 590, 10);
  HGDIOBJ old = SelectObject(memory, picture);
  SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  std::set<COLORREF> colours;
  for (int x = 300; x < 500; ++x) colours.insert(GetPixel(memory, x, 2));
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return colours;
}

TEST_F(WindowTest, BackgroundIsTiledGreyOnColourDisplays) {
  const std::set<COLORREF> colours = backgroundColours(window.handle());
  EXPECT_GT(colours.size(), 5u) << "the tile's texture";
  for (COLORREF c : colours) EXPECT_LE(std::abs((GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3 - 192), 24);
  BITMAP tile{};
  GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(control(ControlId::BackgrndD), STM_GETIMAGE, IMAGE_BITMAP, 0)),
             sizeof tile, &tile);
  EXPECT_EQ(tile.bmWidth, 99);
  EXPECT_EQ(tile.bmHeight, 99);
  EXPECT_EQ(tile.bmBitsPixel, 8);  // 256 colours
}

TEST(WindowColours, SixteenColourDisplaysKeepThePlainGrey) {
  win32::MainWindow window(win32::MainWindowOptions{4, L"", [](HWND, int) {}, false});
  EXPECT_EQ(backgroundColours(window.handle()), std::set<COLORREF>{RGB(192, 192, 192)});
  window.close();
}

}  // namespace
}  // namespace qbm
