// Enter as Tab, F1 and the Help button, the Response window, and shutting down: with Close, with
// the close box, by WM_CLOSE from another program (an installer's test does that), during long work,
// and the program started with two databases on its command line.

#include <gtest/gtest.h>

#include "jet/database.h"
#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using controls::ControlId;
using test::WindowTest;

using KeysAndHelp = WindowTest;

TEST_F(KeysAndHelp, EnterMovesTheFocusOnAndNeverReachesTheControl) {
  SetFocus(control(ControlId::MHelp));
  press(VK_RETURN);
  EXPECT_EQ(focused(), ControlId::MClose);
  EXPECT_TRUE(helpTopics.empty()) << "Enter pressed the Help button";
  press(VK_RETURN);  // on Close it moves on instead of closing the window
  EXPECT_TRUE(window.isOpen());
  EXPECT_EQ(focused(), ControlId::UnitsOpt1);
  SetFocus(control(ControlId::ToOpen));
  press(VK_RETURN);  // on "Open New Database" it opens no dialog
  EXPECT_TRUE(dialogs.fileDialogs.empty());
  EXPECT_EQ(focused(), ControlId::MHelp);
}

TEST_F(KeysAndHelp, EnterInAListOrOnAnOptionMovesOnWithoutChangingIt) {
  QBM_REQUIRE_SHARED();
  openNew();
  clickEntry(window.toList(), 3);
  const std::string report = shownReport(window.toReport());
  ASSERT_EQ(focused(), ControlId::ToList);
  press(VK_RETURN);
  EXPECT_EQ(focused(), ControlId::ToRText);
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(3));
  EXPECT_EQ(shownReport(window.toReport()), report);

  SetFocus(control(ControlId::UnitsOpt0));
  press(VK_RETURN);
  EXPECT_FALSE(checked(ControlId::UnitsOpt0));
  EXPECT_EQ(state().UnitsOpt, 1);
  EXPECT_NE(focused(), ControlId::UnitsOpt0);
}

TEST_F(KeysAndHelp, F1AndTheHelpButtonAskForTopic1000) {
  SetFocus(control(ControlId::ToOpen));
  for (WORD held : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
    press(VK_F1, {held});
    // Held when F1 went down, let go before it came up: still not a plain F1.
    keyDown(held);
    keyDown(VK_F1);
    keyUp(held);
    keyUp(VK_F1);
  }
  EXPECT_TRUE(helpTopics.empty()) << "F1 with a modifier held asked for help";
  press(VK_F1);
  EXPECT_EQ(helpTopics, std::vector<int>{1000});
  click(ControlId::MHelp);
  EXPECT_EQ(helpTopics, (std::vector<int>{1000, 1000}));
  SetFocus(control(ControlId::ToList));  // a control without a help context of its own
  press(VK_F1);
  EXPECT_EQ(helpTopics.size(), 3u);
  EXPECT_EQ(helpTopics.back(), 1000);
}

// F1 pressed while long work runs asks for help too; every other key meanwhile is dropped.
TEST_F(KeysAndHelp, DuringLongWorkOnlyF1IsHeard) {
  QBM_REQUIRE_SHARED();
  openNew();
  bool pressed = false;
  SetFocus(control(ControlId::FromOpt0));
  {
    test::EveryMoment watch([&] {
      if (pressed || !window.userInterface().progressWindow().visible()) return;
      pressed = true;
      INPUT keys[4]{};
      const WORD order[4][2] = {{VK_TAB, 0}, {VK_TAB, KEYEVENTF_KEYUP}, {VK_F1, 0}, {VK_F1, KEYEVENTF_KEYUP}};
      for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
      }
      SendInput(4, keys, sizeof(INPUT));
    });
    openOld("spkrbase.mdb", 0);
  }
  ASSERT_TRUE(pressed);
  EXPECT_EQ(helpTopics, std::vector<int>{1000});
  EXPECT_EQ(focused(), ControlId::FromOpen) << "a Tab pressed during the scan moved the focus";
}

TEST_F(KeysAndHelp, ADoubleClickOrCtrlROpensTheResponseWindowWithTheSelectedDrivers) {
  QBM_REQUIRE_SHARED();
  openNew();
  openOld("xqbaudio.mdb", 1);
  clickEntry(window.fromList(), 0);
  clickEntry(window.toList(), 5);
  win32::ClickListEntry(window.toList().handle(), 5);
  SendMessageW(window.toList().handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  SendMessageW(window.toList().handle(), WM_LBUTTONUP, 0, 0);
  settle();
  win32::ResponseWindow* response = window.responseWindow();
  ASSERT_NE(response, nullptr);
  EXPECT_TRUE(response->visible());
  EXPECT_EQ(win32::utf8(win32::WindowText(response->handle())), "Response");
  EXPECT_EQ(GetWindow(response->handle(), GW_OWNER), window.handle());
  ASSERT_EQ(response->responses().size(), 2u);
  EXPECT_EQ(response->responses()[0].side, ResponseSide::Old);
  EXPECT_EQ(response->plot().series.size() + response->plot().notes.size(), 2u);
  EXPECT_EQ(response->responses()[0].name, entriesOf(window.fromList())[0]);
  EXPECT_EQ(response->responses()[1].name, entriesOf(window.toList())[5]);

  // It follows the selection; closed, Ctrl+R in a list brings it back.
  clickEntry(window.toList(), 6);
  EXPECT_EQ(response->responses()[1].name, entriesOf(window.toList())[6]);
  SendMessageW(response->handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(response->visible());
  SetFocus(window.toList().handle());
  press('R', {VK_CONTROL});
  EXPECT_TRUE(response->visible());
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(6)) << "Ctrl+R moved in the list";
}

TEST_F(KeysAndHelp, ClosingWithNothingOpenEndsWithoutAMessage) {
  click(ControlId::MClose);
  EXPECT_FALSE(window.isOpen());
  EXPECT_TRUE(dialogs.messages.empty());
  expectIdle();
}

class Shutdown : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
    openNew();
    openOld("xqbaudio.mdb", 1);
    ASSERT_TRUE(state().databases.New.DbOpen && state().databases.Old.DbOpen);
  }
  // Both files are closed (another exclusive open succeeds) and nothing was left beside them.
  void expectClosedCleanly(std::vector<std::string> files = {"qbaudio.mdb", "xqbaudio.mdb"}) {
    EXPECT_FALSE(window.isOpen());
    EXPECT_FALSE(state().databases.New.DbOpen);
    EXPECT_FALSE(state().databases.Old.DbOpen);
    for (const std::string& file : files) EXPECT_NO_THROW(jet::Database::open(dir / file, {.exclusive = true})) << file;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(left, files);
    expectIdle();
  }
};

TEST_F(Shutdown, CloseUnloadsTheWindowAndClosesBothDatabases) {
  click(ControlId::MClose);
  expectClosedCleanly();
}

TEST_F(Shutdown, WMCloseFromAnotherProgramDoesTheSame) {
  PostMessageW(window.handle(), WM_CLOSE, 0, 0);
  settle();
  expectClosedCleanly();
}

TEST_F(Shutdown, ACloseDuringLongWorkWaitsForItsEnd) {
  bool closedDuringScan = false, openAfterClose = true;
  {
    test::EveryMoment closer([&] {
      if (!window.userInterface().progressWindow().visible()) return;
      if (closedDuringScan) openAfterClose &= window.isOpen();  // the scan goes on
      closedDuringScan = true;
      PostMessageW(window.handle(), WM_CLOSE, 0, 0);
    });
    openOld("spkrbase.mdb", 0);
  }
  ASSERT_TRUE(closedDuringScan);
  EXPECT_TRUE(openAfterClose);
  EXPECT_GT(state().FromList.count(), 0u) << "the scan was cut short";
  EXPECT_TRUE(dialogs.messages.empty());
  expectClosedCleanly({"qbaudio.mdb", "spkrbase.mdb", "xqbaudio.mdb"});
}

// qbmerge.exe itself: started with two databases it opens them, and ends (status 0) when its window,
// found by its title, is sent WM_CLOSE.
TEST(Program, OpensTheDatabasesOnItsCommandLineAndEndsOnWMClose) {
  QBM_REQUIRE_SHARED();
  test::ScratchDir dir;
  const std::filesystem::path newFile = test::copyShared("fixtures/qbaudio.mdb", dir.path());
  const std::filesystem::path oldFile = test::copyShared("fixtures/xqbaudio.mdb", dir.path());
  const std::filesystem::path program = test::cliProgram().parent_path().parent_path() / "app/win32/qbmerge.exe";
  std::wstring command = L"\"" + program.wstring() + L"\" \"" + newFile.wstring() + L"\" \"" + oldFile.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  // A program that did not end by itself is ended when the test does.
  struct Ender {
    HANDLE process;
    ~Ender() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
      CloseHandle(process);
    }
  } ender{process.hProcess};
  CloseHandle(process.hThread);
  // Its one window titled "QB Merge" (as another program finds it), up with both lists filled.
  struct Search {
    DWORD process;
    std::vector<HWND> titled;
  } search{process.dwProcessId, {}};
  LRESULT newEntries = 0, oldEntries = 0;
  for (int tries = 0; tries < 600 && (newEntries == 0 || oldEntries == 0); ++tries) {
    Sleep(50);
    search.titled.clear();
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == s->process && win32::WindowText(w) == L"QB Merge") s->titled.push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.titled.size() != 1 || !IsWindowVisible(search.titled[0])) continue;
    newEntries = SendMessageW(GetDlgItem(search.titled[0], 1000 + static_cast<int>(ControlId::ToList)), LB_GETCOUNT, 0, 0);
    oldEntries = SendMessageW(GetDlgItem(search.titled[0], 1000 + static_cast<int>(ControlId::FromList)), LB_GETCOUNT, 0, 0);
  }
  EXPECT_EQ(newEntries, 300);
  EXPECT_GT(oldEntries, 0);
  ASSERT_EQ(search.titled.size(), 1u) << "the program's windows titled QB Merge";
  const HWND found = search.titled[0];
  PostMessageW(found, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD status = 99;
  GetExitCodeProcess(process.hProcess, &status);
  EXPECT_EQ(status, 0u);
  // Both files closed again.
  EXPECT_NO_THROW(jet::Database::open(newFile, {.exclusive = true}));
  EXPECT_NO_THROW(jet::Database::open(oldFile, {.exclusive = true}));
}

}  // namespace
}  // namespace qbm
