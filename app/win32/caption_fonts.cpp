#include "app/win32/caption_fonts.h"

#include <cmath>

#include "app/view/caption_fit.h"

namespace qbm::win32 {
namespace {

bool scalable(HDC dc) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  return (metrics.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR)) != 0;
}

bool installed(const wchar_t* family) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, family, LF_FACESIZE - 1);
  HDC screen = GetDC(nullptr);
  bool found = false;
  EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

int averageWidth(const LOGFONTW& font) {
  HFONT made = CreateFontIndirectW(&font);
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, made);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(made);
  return metrics.tmAveCharWidth;
}

int textWidth(HDC dc, HFONT font, const std::wstring& text) {
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  return size.cx;
}

}  // namespace

void CaptionFonts::clear() {
  for (const auto& [key, font] : made_) DeleteObject(font);
  made_.clear();
}

HFONT CaptionFonts::narrowed(HFONT normal, int stretch) {
  if (stretch >= 100) return normal;
  auto& font = made_[{normal, stretch}];
  if (font) return font;
  LOGFONTW setting{};
  GetObjectW(normal, sizeof setting, &setting);
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, normal);
  const bool canNarrow = scalable(screen);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  if (!canNarrow) {
    static const wchar_t* const face = installed(L"Microsoft Sans Serif") ? L"Microsoft Sans Serif" : L"Tahoma";
    wcsncpy(setting.lfFaceName, face, LF_FACESIZE - 1);
    setting.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  }
  setting.lfWidth = static_cast<LONG>(std::lround(averageWidth(setting) * stretch / 100.0));
  font = CreateFontIndirectW(&setting);
  return font;
}

HFONT CaptionFonts::fit(HWND control, HFONT normal, const std::wstring& caption, int available) {
  HDC dc = GetDC(control);
  const int stretch =
      FitStretch(available, [&](int s) { return s >= 100 ? textWidth(dc, normal, caption) : textWidth(dc, narrowed(normal, s), caption); });
  ReleaseDC(control, dc);
  return narrowed(normal, stretch);
}

int CaptionRoom(HWND control, bool option, bool button) {
  RECT r;
  GetClientRect(control, &r);
  const int width = r.right - r.left;
  if (option) return width - GetSystemMetrics(SM_CXMENUCHECK) - 2 * GetSystemMetrics(SM_CXEDGE) - 1;
  if (button) return width - 4 * GetSystemMetrics(SM_CXEDGE) - 2;
  return width;
}

}  // namespace qbm::win32
