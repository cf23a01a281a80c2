#pragma once
// The Windows window over copies of the shared driver databases, driven as a person drives it:
// clicks on its buttons, lists and options, keys (through the keyboard's input queue), and answers
// to its dialogs. The file dialogs are answered through the user interface's queue of chosen files
// unless a test answers the real dialog. Help is asked of a launcher that records the topics.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/view/dialog_text.h"
#include "app/win32/main_window.h"
#include "app/win32/win_text.h"
#include "app/win32/window_picture.h"
#include "jet/path_text.h"
#include "tests/support/test_support.h"
#include "tests/win32/modal_answerer.h"

namespace qbm::test {

using controls::ControlId;

// Calls `tick` every moment while it lives, also while long work runs (the work lets the thread's
// timers through while it keeps its windows painted). One at a time.
class EveryMoment {
 public:
  explicit EveryMoment(std::function<void()> tick) {
    tick_ = std::move(tick);
    timer_ = SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR, DWORD) { tick_(); });
  }
  ~EveryMoment() {
    KillTimer(nullptr, timer_);
    tick_ = nullptr;
  }
  EveryMoment(const EveryMoment&) = delete;
  EveryMoment& operator=(const EveryMoment&) = delete;

 private:
  static inline std::function<void()> tick_;
  UINT_PTR timer_ = 0;
};

// Every caption the progress window's ProgText is given while it lives, in order.
class CaptionRecorder {
 public:
  explicit CaptionRecorder(win32::ProgressWindow& progress) : text_(progress.captionHandle()) {
    SetWindowSubclass(text_, record, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~CaptionRecorder() { RemoveWindowSubclass(text_, record, 1); }
  CaptionRecorder(const CaptionRecorder&) = delete;
  CaptionRecorder& operator=(const CaptionRecorder&) = delete;

  std::vector<std::wstring> captions;

 private:
  static LRESULT CALLBACK record(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (m == WM_SETTEXT && lp) reinterpret_cast<CaptionRecorder*>(self)->captions.emplace_back(reinterpret_cast<const wchar_t*>(lp));
    return DefSubclassProc(w, m, wp, lp);
  }
  HWND text_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    SetForegroundWindow(window.handle());
    settle();
  }
  void TearDown() override {
    if (window.isOpen()) window.close();
    settle();
  }

  HWND control(ControlId id) { return window.control(id); }
  bool shown(ControlId id) { return IsWindowVisible(control(id)) != FALSE; }
  std::string textOf(ControlId id) { return win32::utf8(win32::WindowText(control(id))); }
  std::string tooltipOf(ControlId id) { return win32::utf8(window.tooltipOf(id)); }
  bool checked(ControlId id) { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::optional<ControlId> focused() { return window.controlOf(GetFocus()); }

  // A copy of a fixture database in the test's folder, under another name if asked (UTF-8 path).
  std::string copy(const std::string& fixture, const std::string& as = "") {
    const std::filesystem::path copied = copyShared("fixtures/" + fixture, dir.path(), as);
    return jet::utf8Of(copied);
  }

  // A click of a button or an option (it must be shown).
  void click(ControlId id) {
    ASSERT_TRUE(shown(id)) << "control " << static_cast<int>(id) << " is hidden";
    SendMessageW(control(id), BM_CLICK, 0, 0);
    settle();
  }
  // "Open New Database", the file dialog answered with a copy of the fixture.
  void openNew(const std::string& fixture = "qbaudio.mdb") {
    window.userInterface().queueChosenFile(copy(fixture));
    click(ControlId::ToOpen);
  }
  // "Show Changed Drivers" (0) or "Show ALL Drivers" (1), then "Open Old Database".
  void openOld(const std::string& fixture, int option, const std::string& as = "") {
    click(option == 0 ? ControlId::FromOpt0 : ControlId::FromOpt1);
    window.userInterface().queueChosenFile(copy(fixture, as));
    click(ControlId::FromOpen);
  }
  // A click on entry `row` of a list, with MK_CONTROL or MK_SHIFT held.
  void clickEntry(win32::DriverListBox& list, std::size_t row, WPARAM keys = 0) {
    ASSERT_LT(row, list.count());
    win32::ClickListEntry(list.handle(), row, keys);
    settle();
  }
  // Keys pressed on the keyboard (through the input queue, so the keyboard preview sees them):
  // the modifiers go down, then the key goes down and up, then the modifiers come up.
  void press(WORD key, std::initializer_list<WORD> held = {}) {
    std::vector<INPUT> input;
    const auto add = [&](WORD vk, bool up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      input.push_back(i);
    };
    for (WORD m : held) add(m, false);
    add(key, false);
    add(key, true);
    for (auto m = std::rbegin(held); m != std::rend(held); ++m) add(*m, true);
    sendInput(input);
  }
  // One key going down or up alone.
  void keyDown(WORD key) { sendOne(key, false); }
  void keyUp(WORD key) { sendOne(key, true); }

  // Lets every waiting message be handled (a list's click reaches the session from the loop).
  void settle() {
    for (int i = 0; i < 4; ++i) {
      win32::RunPendingMessages(window);
      Sleep(1);
    }
  }

  std::vector<std::string> entriesOf(win32::DriverListBox& list) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < list.count(); ++i) texts.push_back(win32::utf8(list.text(i)));
    return texts;
  }
  // The list box shows exactly the session's list: the same texts in the same order, the same
  // selection, focus and tooltip.
  void expectShows(win32::DriverListBox& list, ControlId id, const DriverList& entries) {
    ASSERT_EQ(list.count(), entries.count());
    std::vector<std::size_t> selected;
    for (std::size_t i = 0; i < entries.count(); ++i) {
      EXPECT_EQ(win32::utf8(list.text(i)), entries.entry(i).text) << "entry " << i;
      if (entries.entry(i).selected) selected.push_back(i);
    }
    EXPECT_EQ(list.selected(), selected);
    if (entries.focus()) EXPECT_EQ(list.focus(), entries.focus());
    EXPECT_EQ(tooltipOf(id), entries.tooltip);
  }
  // The report box as shown, and the session's report as a rich edit control holds it.
  std::string shownReport(win32::ReportBoxView& box) { return win32::utf8(box.text()); }
  static std::string sessionReport(const ReportBox& box) { return WithLineBreaks(box.plainText(), "\r"); }

  // Nothing left behind: the default pointer, the progress window hidden.
  void expectIdle() {
    EXPECT_FALSE(window.userInterface().busy()) << "busy pointer left set";
    EXPECT_FALSE(window.userInterface().progressWindow().visible()) << "progress window left shown";
  }

  MainWindowState& state() { return window.session().state(); }

  ScratchDir dir;
  ModalAnswerer dialogs;
  std::vector<int> helpTopics;  // the topics help was asked for, in order
  win32::MainWindow window{win32::MainWindowOptions{
      0, L"", [this](HWND, int topic) { helpTopics.push_back(topic); }, false}};

 private:
  void sendOne(WORD key, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    sendInput({i});
  }
  void sendInput(std::vector<INPUT> input) {
    SetForegroundWindow(window.handle());
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
    settle();
  }
};

}  // namespace qbm::test
