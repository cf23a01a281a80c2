// wait_for_window: starts a windowed program, waits until a visible top-level window of that very
// process (not a dialog box) carries the given title, closes it as the close box does (WM_CLOSE) and
// waits for the program to end; a message box with that title coming up first is a failure. Test-only: scripts/test-windows runs it under Wine on the installed qbmerge.exe.
//
//   wait_for_window TITLE SECONDS PROGRAM [ARGUMENTS...]
//
// Exit code 0 when the window was up within SECONDS and the program then ended by itself, with exit
// code 0, within SECONDS; 1 when a step failed (said on standard error, and a program still running
// is ended); 2 for a wrong call. Prints how long the window took to come up.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// One argument as CommandLineToArgvW reads it back: quoted, with the backslashes before a quote
// (and before the closing quote) doubled.
std::wstring quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

// A visible top-level window of process `pid` titled exactly `title`, or null; `dialog` chooses
// between dialog boxes (message boxes carry the program's title too) and other windows.
HWND findWindow(const wchar_t* title, DWORD pid, bool dialog) {
  for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, title); window;
       window = FindWindowExW(nullptr, window, nullptr, title)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t kind[16] = L"";
    GetClassNameW(window, kind, 16);
    if (owner == pid && IsWindowVisible(window) && (std::wcscmp(kind, L"#32770") == 0) == dialog)
      return window;
  }
  return nullptr;
}

int fail(HANDLE process, const wchar_t* what) {
  std::fwprintf(stderr, L"wait_for_window: %ls\n", what);
  if (process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || std::wcstol(argv[2], nullptr, 10) <= 0) {
    std::fwprintf(stderr, L"usage: wait_for_window TITLE SECONDS PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  const wchar_t* title = argv[1];
  const DWORD limit = static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)) * 1000;
  std::wstring commandLine = quoted(argv[3]);
  for (int i = 4; i < argc; ++i) commandLine += L" " + quoted(argv[i]);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[3], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fwprintf(stderr, L"wait_for_window: cannot start %ls (error %lu)\n", argv[3], GetLastError());
    return 1;
  }
  CloseHandle(process.hThread);

  const ULONGLONG started = GetTickCount64();
  HWND window = nullptr;
  while (!(window = findWindow(title, process.dwProcessId, false))) {
    if (HWND box = findWindow(title, process.dwProcessId, true)) {
      wchar_t text[512] = L"";
      GetDlgItemTextW(box, 0xFFFF, text, 512);  // a message box's text control
      std::fwprintf(stderr, L"wait_for_window: a message box came up first: %ls\n", text);
      return fail(process.hProcess, L"the window did not come up by itself");
    }
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      std::fwprintf(stderr, L"wait_for_window: the program ended (exit code %lu) before its window \"%ls\" was up\n",
                    code, title);
      return 1;
    }
    if (GetTickCount64() - started > limit) return fail(process.hProcess, L"no window with that title in time");
  }
  std::wprintf(L"window \"%ls\" up after %llu ms\n", title, GetTickCount64() - started);

  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, limit) != WAIT_OBJECT_0)
    return fail(process.hProcess, L"the program did not end after WM_CLOSE");
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  if (code != 0) {
    std::fwprintf(stderr, L"wait_for_window: the program ended with exit code %lu after WM_CLOSE\n", code);
    return 1;
  }
  return 0;
}
