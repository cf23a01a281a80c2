// The Windows window after a merge (the status line below the designed controls), and the faults
// found trying the window as a new user, where they apply here: long message texts, where the
// Response window opens, Escape in the Response window, and each side's file dialog remembering
// its folder. (Help is HTML Help's own window here, which Escape closes by itself.)

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "app/view/merge_status.h"
#include "app/view/response_layout.h"
#include "db/schema.h"
#include "session/failure_messages.h"
#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using controls::ControlId;
using test::WindowTest;

RECT rectOf(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return r;
}

bool overlaps(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != FALSE;
}

// "<table>: N added" of the status text.
long addedIn(const std::string& status, const std::string& table) {
  const std::size_t at = status.find(table + ": ");
  EXPECT_NE(at, std::string::npos) << table << " missing in: " << status;
  return at == std::string::npos ? -1 : std::stol(status.substr(at + table.size() + 2));
}

// Whether the static control shows all of its text: laid out at its width, wrapped at words, the
// text takes no more than its height and no line is wider than it.
bool showsAllOf(HWND text) {
  const std::wstring shown = win32::WindowText(text);
  RECT client;
  GetClientRect(text, &client);
  HDC dc = GetDC(text);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, client.right, 0};
  DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(text, dc);
  return needed.right <= client.right && needed.bottom <= client.bottom;
}

std::wstring folded(std::wstring path) {
  std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) { return c == L'/' ? L'\\' : std::towlower(c); });
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

TEST_F(WindowTest, AfterAMergeTheStatusLineSaysWhatItDidUntilTheNextAction) {
  QBM_REQUIRE_SHARED();
  HWND status = window.statusLine();
  ASSERT_TRUE(IsWindowVisible(status));
  EXPECT_TRUE(win32::WindowText(status).empty());
  // Below the designed controls, inside the client area.
  RECT line = rectOf(status), merge = rectOf(control(ControlId::MMerge)), client;
  MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&line), 2);
  MapWindowPoints(nullptr, window.handle(), reinterpret_cast<POINT*>(&merge), 2);
  GetClientRect(window.handle(), &client);
  EXPECT_GE(line.top, merge.bottom);
  EXPECT_LE(line.bottom, client.bottom);

  openNew();
  openOld("xqbaudio.mdb", 1);
  const std::size_t before = window.toList().count();
  dialogs.buttons.push_back(IDYES);
  click(ControlId::MMerge);
  const std::string said = win32::utf8(win32::WindowText(status));
  ASSERT_EQ(said.rfind("Merged: Woofers: ", 0), 0u) << said;
  EXPECT_NE(said.find("Read problems: 0. Write problems: 0."), std::string::npos) << said;
  EXPECT_EQ(addedIn(said, "Woofers") + addedIn(said, "Tweeters"),
            static_cast<long>(window.toList().count() - before));
  EXPECT_TRUE(showsAllOf(status)) << "the status line cuts its text off";
  EXPECT_FALSE(overlaps(rectOf(status), rectOf(control(ControlId::ToList))));

  clickEntry(window.toList(), 3);
  click(ControlId::UnitsOpt0);
  EXPECT_EQ(win32::utf8(win32::WindowText(status)), said) << "kept while looking at the result";
  openOld("xqbaudio.mdb", 1);
  EXPECT_TRUE(win32::WindowText(status).empty()) << "ended by the next action";

  // The longest summary there is (every line of it, six-digit counts) fits the line as well.
  MergeOutcome longest;
  longest.status = MergeOutcome::Status::Merged;
  longest.summary.woofers = {199999, 199999, 199999};
  longest.summary.tweeters = longest.summary.woofers;
  longest.summary.companiesAdded = 99999;
  longest.summary.oldRowsMissing = 99999;
  longest.summary.freePageMap.rebuilt = true;
  longest.summary.freePageMap.pagesInUseTakenAsFree = 99999;
  SetWindowTextW(status, win32::wide(MergeStatusText(longest)).c_str());
  EXPECT_TRUE(showsAllOf(status)) << MergeStatusText(longest);
}

TEST_F(WindowTest, MessageBoxesShowEveryWordOfALongText) {
  const std::string warning =
      UnreadableRowsMessage("Treiberdatenbank vom Kundendienst 2024.mdb", ReadProblems{.rows = 2, .pages = 3});
  const std::string path = "C:\\" + std::string(40, 'x') + "\\" + std::string(60, 'y') + "\\qbaudio.mdb";
  for (const std::string& text : {warning, "Sorry, " + path + " cannot be opened."}) {
    bool allShown = false;
    int textControls = 0;
    dialogs.onMessage = [&](HWND box) {
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (std::wstring(name) != L"Static" || win32::WindowText(child).empty()) continue;
        ++textControls;
        allShown = showsAllOf(child);
      }
    };
    window.userInterface().showMessage(text, MessageIcon::Exclamation);
    dialogs.onMessage = nullptr;
    EXPECT_EQ(textControls, 1);
    EXPECT_TRUE(allShown) << "cut off: " << text;
    ASSERT_FALSE(dialogs.messages.empty());
    std::wstring joined = dialogs.messages.back().text;
    std::erase(joined, L'\r');
    std::erase(joined, L'\n');
    std::wstring wanted = win32::wide(text);
    std::erase(joined, L' ');
    std::erase(wanted, L' ');
    EXPECT_EQ(joined, wanted) << "a word is missing";
  }
}

TEST_F(WindowTest, TheResponseWindowOpensWhereItHidesLeastAndEscapeClosesIt) {
  QBM_REQUIRE_SHARED();
  openNew();
  clickEntry(window.toList(), 0);
  window.showResponse();
  settle();
  win32::ResponseWindow* response = window.responseWindow();
  ASSERT_NE(response, nullptr);
  ASSERT_TRUE(response->visible());
  const RECT placed = rectOf(response->handle()), main = rectOf(window.handle()), list = rectOf(control(ControlId::ToList));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window.handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& room = monitor.rcWork;
  EXPECT_TRUE(placed.left >= room.left && placed.top >= room.top && placed.right <= room.right &&
              placed.bottom <= room.bottom)
      << "inside the work area";
  if (room.right - main.right >= 8 + (placed.right - placed.left)) {
    EXPECT_EQ(placed.left, main.right + 8) << "beside the main window, where there is room";
  } else {
    // The list's right part with its scroll bar stays in view.
    EXPECT_LT(placed.right, list.left + (list.right - list.left) / 2);
  }

  // Escape with Ctrl held does nothing; Escape alone closes it.
  const auto key = [&](std::initializer_list<WORD> keys) {
    SetForegroundWindow(response->handle());
    SetFocus(response->handle());
    std::vector<INPUT> input;
    for (bool up : {false, true})
      for (WORD k : keys) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        input.push_back(i);
      }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
    settle();
  };
  key({VK_CONTROL, VK_ESCAPE});
  EXPECT_TRUE(response->visible());
  key({VK_ESCAPE});
  EXPECT_FALSE(response->visible());
  EXPECT_TRUE(window.isOpen());
}

// Pixels of the legend's line `line` (0: the first) in the swatch column and in the text column that
// are of the colour (or, for `ink`, black text).
std::pair<int, int> legendPixels(HWND window, int line, COLORREF colour, bool ink) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  int swatch = 0, text = 0;
  const int top = response::MarginTop + line * response::LineHeight;
  for (int y = top; y < top + response::LineHeight; ++y)
    for (int x = 0; x < client.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
      const bool hit = ink ? std::max({r, g, b}) < 90
                           : std::abs(r - GetRValue(colour)) + std::abs(g - GetGValue(colour)) +
                                     std::abs(b - GetBValue(colour)) < 60;
      if (!hit) continue;
      if (x >= response::MarginLeft && x < response::MarginLeft + response::LegendLineLength) ++swatch;
      if (x >= response::LegendTextLeft && x < response::LegendTextLeft + 40) ++text;
    }
  ReleaseDC(window, dc);
  return {swatch, text};
}

// A driver without acoustic data is named in the legend in the same columns as a drawn one.
TEST_F(WindowTest, TheResponseLegendPutsADriverWithoutDataInTheSwatchColumn) {
  win32::ResponseWindow response(window.handle());
  response.showResponses({{ResponseSide::Old, "[A]  OLD  (ob)", false, {}},
                          {ResponseSide::New, "[B]  NEW  (sb)", true, std::vector<float>(ResponseCount, 85.0f)}});
  response.show(rectOf(control(ControlId::ToList)));
  UpdateWindow(response.handle());
  settle();
  const auto oldLine = legendPixels(response.handle(), 0, RGB(0, 64, 192), false);
  const auto newLine = legendPixels(response.handle(), 1, RGB(192, 0, 0), false);
  EXPECT_GT(oldLine.first, 3) << "the old driver's swatch";
  EXPECT_GT(newLine.first, 3) << "the new driver's swatch";
  EXPECT_GT(legendPixels(response.handle(), 0, 0, true).second, 0) << "the old driver's text in the text column";
  EXPECT_EQ(legendPixels(response.handle(), 0, 0, true).first, 0) << "no text in the swatch column";
}

TEST_F(WindowTest, EachSidesFileDialogStartsInTheFolderLastUsedForThatSide) {
  QBM_REQUIRE_SHARED();
  const std::filesystem::path newFolder = dir / "new side", oldFolder = dir / "old side";
  std::filesystem::create_directories(newFolder);
  std::filesystem::create_directories(oldFolder);
  const std::wstring newFile = test::copyShared("fixtures/qbaudio.mdb", newFolder).wstring();
  const std::wstring oldFile = test::copyShared("fixtures/xqbaudio.mdb", oldFolder).wstring();
  dialogs.files = {newFile, oldFile, newFile, oldFile};
  click(ControlId::ToOpen);
  click(ControlId::FromOpt1);
  click(ControlId::FromOpen);
  ASSERT_GT(window.fromList().count(), 0u);
  click(ControlId::ToOpen);
  click(ControlId::FromOpen);
  ASSERT_EQ(dialogs.fileDialogs.size(), 4u);
  EXPECT_EQ(folded(dialogs.fileDialogs[2].folder), folded(newFolder.wstring()));
  EXPECT_EQ(folded(dialogs.fileDialogs[3].folder), folded(oldFolder.wstring()));
  EXPECT_GT(window.fromList().count(), 0u);
}

}  // namespace
}  // namespace qbm
