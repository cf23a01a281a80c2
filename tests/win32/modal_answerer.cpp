#include "tests/win32/modal_answerer.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>

#include "app/win32/win_text.h"

namespace qbm::test {
namespace {

using win32::WindowText;

ModalAnswerer* current = nullptr;

std::wstring classOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::vector<HWND> dialogsOfThisThread() {
  std::vector<HWND> found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM list) -> BOOL {
        if (IsWindowVisible(w) && classOf(w) == L"#32770") reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

SeenIcon iconOf(HWND dialog) {
  for (HWND child : childrenOf(dialog)) {
    if (classOf(child) != L"Static" || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    const HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (!icon) continue;
    if (icon == LoadIconW(nullptr, IDI_HAND)) return SeenIcon::Critical;
    if (icon == LoadIconW(nullptr, IDI_QUESTION)) return SeenIcon::Question;
    if (icon == LoadIconW(nullptr, IDI_EXCLAMATION)) return SeenIcon::Exclamation;
    if (icon == LoadIconW(nullptr, IDI_ASTERISK)) return SeenIcon::Information;
    return SeenIcon::Other;
  }
  return SeenIcon::None;
}

// The texts of the dialog's visible static controls, in the order of their windows.
std::vector<std::wstring> staticTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND child : childrenOf(dialog))
    if (IsWindowVisible(child) && classOf(child) == L"Static")
      if (std::wstring text = WindowText(child); !text.empty()) texts.push_back(text);
  return texts;
}

HWND buttonWithText(HWND dialog, const std::wstring& text) {
  for (HWND child : childrenOf(dialog))
    if (classOf(child) == L"Button" && WindowText(child) == text) return child;
  return nullptr;
}

void press(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

ModalAnswerer::ModalAnswerer() {
  current = this;
  timer_ = SetTimer(nullptr, 0, 10, tick);
}

ModalAnswerer::~ModalAnswerer() {
  KillTimer(nullptr, timer_);
  current = nullptr;
}

void CALLBACK ModalAnswerer::tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!current || current->answering_) return;
  for (HWND dialog : dialogsOfThisThread()) current->answer(dialog);
}

void ModalAnswerer::answer(HWND dialog) {
  answering_ = true;
  if (GetDlgItem(dialog, cmb1))
    answerFileDialog(dialog);
  else
    answerMessage(dialog);
  answering_ = false;
}

void ModalAnswerer::answerFileDialog(HWND dialog) {
  SeenFileDialog seen;
  seen.title = WindowText(dialog);
  HWND types = GetDlgItem(dialog, cmb1);
  const LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(types, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    item.resize(static_cast<std::size_t>(SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    seen.filters.push_back(item);
  }
  seen.selectedFilter = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
  HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
  seen.fileName = WindowText(name);
  seen.readOnlyBoxShown = IsWindowVisible(GetDlgItem(dialog, chx1)) != FALSE;
  std::wstring folder(MAX_PATH * 4, L'\0');
  if (SendMessageW(dialog, CDM_GETFOLDERPATH, folder.size(), reinterpret_cast<LPARAM>(folder.data())) > 0)
    seen.folder = folder.c_str();
  fileDialogs.push_back(seen);
  if (onFileDialog) onFileDialog();
  std::optional<std::wstring> file;
  if (!files.empty()) {
    file = files.front();
    files.pop_front();
  }
  if (!file) {
    press(dialog, IDCANCEL);
    return;
  }
  SetWindowTextW(name, file->c_str());
  press(dialog, IDOK);
}

void ModalAnswerer::answerMessage(HWND dialog) {
  SeenMessage seen;
  seen.title = WindowText(dialog);
  seen.icon = iconOf(dialog);
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
    if (HWND b = GetDlgItem(dialog, id); b && IsWindowVisible(b)) seen.buttons.push_back(id);
  const std::vector<std::wstring> before = staticTexts(dialog);
  for (const std::wstring& t : before) seen.text += (seen.text.empty() ? L"" : L"\n") + t;
  if (HWND details = buttonWithText(dialog, L"Show Details...")) {
    // A task dialog's details, opened as a person opens them; what shows then that did not before.
    seen.taskDialog = true;
    SendMessageW(details, BM_CLICK, 0, 0);
    for (const std::wstring& t : staticTexts(dialog))
      if (std::find(before.begin(), before.end(), t) == before.end()) seen.details += t;
  }
  messages.push_back(seen);
  if (onMessage) onMessage(dialog);
  int button = std::find(seen.buttons.begin(), seen.buttons.end(), IDNO) != seen.buttons.end() ? IDNO : IDOK;
  if (!buttons.empty()) {
    button = buttons.front();
    buttons.pop_front();
  }
  press(dialog, button);
}

}  // namespace qbm::test
