// qbmerge.exe: the desktop program for Windows. Starts with the busy pointer, shows the main
// window, and opens the databases named on the command line, if any; with --screenshot it saves
// the pictures of the windows for the documentation and ends.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/view/main_window_controls.h"
#include "app/view/startup_arguments.h"
#include "app/win32/main_window.h"
#include "app/win32/report_box_view.h"
#include "app/win32/win_text.h"
#include "app/win32/window_picture.h"

namespace {

using namespace qbm;
using namespace qbm::win32;

// A line on the program's standard output or error: the handles it was given, else the console of
// the program that started it (a windowed program has none of its own). False when there is none.
bool writeLine(DWORD which, const std::string& line) {
  HANDLE out = GetStdHandle(which);
  if (!out || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
  }
  const std::string text = line + "\n";
  DWORD written = 0;
  return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

std::vector<std::string> arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> utf8Words;
  for (int i = 1; i < count; ++i) utf8Words.push_back(utf8(words[i]));
  LocalFree(words);
  return utf8Words;
}

void showProblem(const std::string& text) {
  if (!writeLine(STD_ERROR_HANDLE, "qbmerge: " + text))
    MessageBoxW(nullptr, wide(text).c_str(), wide(controls::ApplicationTitle).c_str(), MB_OK | MB_ICONHAND);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::vector<std::string> words = arguments();
  if (words.size() == 1 && words[0] == "--version") return writeLine(STD_OUTPUT_HANDLE, "qbmerge " QBM_VERSION) ? 0 : 1;
  const StartupArguments options = ParseStartupArguments(words);
  if (!options.error.empty()) {
    showProblem(options.error + "\n" + StartupUsage);
    return 2;
  }

  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  RichEditClass();
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  MainWindow window;
  window.show();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));

  int status = 0;
  window.openAtStart(options.newDatabase, options.oldDatabase);
  if (window.isOpen() && (!options.screenshotFile.empty() || !options.responseScreenshotFile.empty())) {
    if (options.merge) MergeForPicture(window);
    std::string error;
    if (!options.screenshotFile.empty() && !SaveWindowPicture(window, wide(options.screenshotFile), &error)) status = 1;
    if (status == 0 && !options.responseScreenshotFile.empty() &&
        !SaveResponsePicture(window, wide(options.responseScreenshotFile), &error))
      status = 1;
    if (status != 0) showProblem(error);
    window.close();
  }
  const int exitCode = RunMessageLoop(window);
  return status != 0 ? status : exitCode;
}
