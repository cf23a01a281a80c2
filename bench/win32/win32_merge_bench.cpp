// The merge in the Windows window against the same merge without a window, and the window's
// start-up, under Wine (bench/windows_window_merge.sh runs it beside qbmerge-cli.exe):
//   win32_merge_bench window NEW.mdb OLD.mdb   the real window: both opened ("Show ALL Drivers"),
//                                             "Merge >" clicked, the question answered Yes, closed
//   win32_merge_bench session NEW.mdb OLD.mdb  the same merge through the session, nothing shown
//   win32_merge_bench startup QBMERGE.EXE      qbmerge.exe started until its window takes input,
//                                             then closed with WM_CLOSE
// Each prints one line of wall-clock milliseconds: "open=… merge=… total=…" or "ready=… closed=…".

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/report_box_view.h"
#include "app/win32/win_text.h"
#include "app/win32/window_picture.h"
#include "bench/bench_support.h"
#include "session/session.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace qbm;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The processor time (user and system) the process has had, in milliseconds.
double processorMs() {
  FILETIME created, ended, system, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &system, &user);
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(system) + ms(user);
}

// Answers every dialog of the thread with Yes (or OK), as soon as it is up.
void CALLBACK answerYes(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(w, name, 16);
        if (!IsWindowVisible(w) || std::wstring(name) != L"#32770") return TRUE;
        const int answer = GetDlgItem(w, IDYES) ? IDYES : IDOK;
        PostMessageW(w, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, answer)));
        return TRUE;
      },
      0);
}

int inWindow(const std::string& newFile, const std::string& oldFile) {
  const Clock::time_point start = Clock::now();
  win32::MainWindow window(win32::MainWindowOptions{0, L"", [](HWND, int) {}, false});
  window.show();
  const double shownCpu = processorMs(), shown = msSince(start);
  window.session().state().FromOpt = ShowAllDriversOption;
  window.openAtStart(newFile, oldFile);
  win32::RunPendingMessages(window);
  const double open = msSince(start), openCpu = processorMs();
  if (!IsWindowVisible(window.control(controls::ControlId::MMerge))) {
    std::fprintf(stderr, "nothing to merge\n");
    return 1;
  }
  const UINT_PTR answerer = SetTimer(nullptr, 0, 5, answerYes);
  const Clock::time_point merge = Clock::now();
  const double cpu = processorMs();
  SendMessageW(window.control(controls::ControlId::MMerge), BM_CLICK, 0, 0);
  const double merged = msSince(merge), mergedCpu = processorMs() - cpu;
  KillTimer(nullptr, answerer);
  std::printf("old drivers=%d new drivers after=%zu shown=%.0f (cpu %.0f) open=%.0f (cpu %.0f) merge=%.0f merge cpu=%.0f",
              window.session().state().OldDriverCount, window.toList().count(), shown, shownCpu, open, openCpu, merged,
              mergedCpu);
  window.close();
  std::printf(" total=%.0f\n", msSince(start));
  return 0;
}

int withoutWindow(const std::string& newFile, const std::string& oldFile) {
  const Clock::time_point start = Clock::now();
  bench::QuietUserInterface ui;
  Session session(ui);
  ui.files = {newFile, oldFile};
  session.ToOpen_Click();
  session.state().FromOpt = ShowAllDriversOption;
  session.FromOpen_Click();
  const double open = msSince(start), openCpu = processorMs();
  const Clock::time_point merge = Clock::now();
  const double cpu = processorMs();
  session.MMerge_Click();
  const double merged = msSince(merge), mergedCpu = processorMs() - cpu;
  std::printf("old drivers=%d new drivers after=%zu open=%.0f (cpu %.0f) merge=%.0f merge cpu=%.0f",
              session.state().OldDriverCount, session.state().ToList.count(), open, openCpu, merged, mergedCpu);
  session.Unload();
  std::printf(" total=%.0f\n", msSince(start));
  return 0;
}

int startup(const std::wstring& program) {
  const Clock::time_point start = Clock::now();
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW info{};
  info.cb = sizeof info;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &info, &process)) {
    std::fprintf(stderr, "cannot start the program\n");
    return 1;
  }
  // Ready: its message loop waits for input with the window shown.
  WaitForInputIdle(process.hProcess, 60000);
  HWND window = nullptr;
  while (!(window = FindWindowW(L"QbmMain", L"QB Merge")) && msSince(start) < 60000) Sleep(1);
  const double ready = msSince(start);
  PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 60000);
  std::printf("ready=%.0f closed=%.0f\n", ready, msSince(start));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.push_back(win32::utf8(argv[i]));
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&classes);
  win32::RichEditClass();
  try {
    if (words.size() == 3 && words[0] == "window") return inWindow(words[1], words[2]);
    if (words.size() == 3 && words[0] == "session") return withoutWindow(words[1], words[2]);
    if (words.size() == 2 && words[0] == "startup") return startup(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "win32_merge_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: win32_merge_bench window|session NEW.mdb OLD.mdb\n       win32_merge_bench startup QBMERGE.EXE\n");
  return 2;
}
