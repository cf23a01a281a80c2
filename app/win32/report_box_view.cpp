#include "app/win32/report_box_view.h"

#include <richedit.h>

#include "app/view/dialog_text.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {

const wchar_t* RichEditClass() {
  static const wchar_t* const name = [] {
    if (LoadLibraryW(L"msftedit.dll")) return MSFTEDIT_CLASS;
    LoadLibraryW(L"riched20.dll");
    return RICHEDIT_CLASSW;
  }();
  return name;
}

void ReportBoxView::showReport(const ReportBox& box) {
  if (box.runs() == shown_) return;
  shown_ = box.runs();
  SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd_, EM_SETREADONLY, FALSE, 0);
  SetWindowTextW(hwnd_, L"");
  for (const ReportRun& run : shown_) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_CHARSET;
    format.dwEffects = run.bold ? CFE_BOLD : 0;
    format.yHeight = run.fontSize * 20;  // points in twips
    format.bCharSet = DEFAULT_CHARSET;
    wide(run.fontName).copy(format.szFaceName, LF_FACESIZE - 1);
    SendMessageW(hwnd_, EM_SETSEL, -1, -1);
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    // A rich edit control ends its lines with a carriage return alone.
    const std::wstring text = wide(WithLineBreaks(run.text, "\r"));
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(hwnd_, EM_SETREADONLY, TRUE, 0);
  SendMessageW(hwnd_, EM_SETSEL, 0, 0);
  SendMessageW(hwnd_, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

std::wstring ReportBoxView::text() const {
  GETTEXTLENGTHEX length{GTL_DEFAULT | GTL_NUMCHARS, 1200};
  const LRESULT n = SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  const LRESULT got = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

ReportBoxView::CharFont ReportBoxView::fontAt(long position) const {
  CHARRANGE keep{};
  SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  CHARRANGE one{position, position + 1};
  SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  SendMessageW(hwnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  return {format.szFaceName, static_cast<int>(format.yHeight / 20), (format.dwEffects & CFE_BOLD) != 0};
}

}  // namespace qbm::win32
