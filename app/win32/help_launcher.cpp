#include "app/win32/help_launcher.h"

#include <shellapi.h>

#include "app/view/help_topic.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

constexpr UINT HhHelpContext = 0x000F;  // HH_HELP_CONTEXT: the topic with this context number
constexpr UINT HhCloseAll = 0x0012;     // HH_CLOSE_ALL

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HMODULE htmlHelpModule = nullptr;

HtmlHelpFn htmlHelp(bool load) {
  if (!htmlHelpModule && load) htmlHelpModule = LoadLibraryW(L"hhctrl.ocx");
  if (!htmlHelpModule) return nullptr;
  return reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(htmlHelpModule, "HtmlHelpW")));
}

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HelpLauncher HtmlHelpLauncher(std::wstring programFolder) {
  return [folder = utf8(programFolder)](HWND owner, int topic) {
    const std::wstring file = wide(HelpFilePath(folder));
    if (const HtmlHelpFn open = htmlHelp(true))
      if (open(owner, file.c_str(), HhHelpContext, static_cast<DWORD_PTR>(topic))) return;
    const std::wstring page = wide(HelpPagePath(folder, topic));
    ShellExecuteW(owner, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
}

void CloseHtmlHelp() {
  if (const HtmlHelpFn help = htmlHelp(false)) help(nullptr, nullptr, HhCloseAll, 0);
}

}  // namespace qbm::win32
