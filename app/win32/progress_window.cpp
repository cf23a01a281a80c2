#include "app/win32/progress_window.h"

#include "app/view/main_window_controls.h"
#include "app/win32/win_dpi.h"
#include "app/win32/window_class.h"

namespace qbm::win32 {
namespace {

constexpr wchar_t ProgressWindowClass[] = L"QbmProgress";
constexpr wchar_t BarClass[] = L"QbmProgressBar";
constexpr DWORD ProgressStyle = WS_POPUP | WS_DLGFRAME;  // a fixed dialog frame, no title bar
constexpr DWORD ProgressExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, int colorBits)
    : owner_(owner), background_(ColourOf(progress::BackgroundFor(colorBits))) {
  RegisterWindowClass(ProgressWindowClass, windowProc, IDC_WAIT);
  RegisterWindowClass(BarClass, barProc, IDC_WAIT);
  backgroundBrush_ = CreateSolidBrush(background_);
  // No title: the window has no title bar, and the program's window is the one titled "QB Merge".
  hwnd_ = CreateWindowExW(ProgressExStyle, ProgressWindowClass, L"", ProgressStyle, 0, 0, 10, 10, owner, nullptr,
                          GetModuleHandleW(nullptr), this);
  text_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 10, 10,
                          hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  barWindow_ = CreateWindowExW(0, BarClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, hwnd_, nullptr,
                               GetModuleHandleW(nullptr), this);
  layOut(DpiOf(owner));
}

ProgressWindow::~ProgressWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
  DeleteObject(backgroundBrush_);
}

void ProgressWindow::layOut(UINT dpi) {
  const TwipScale scale = ScaleOf(dpi);
  const PixelSize client = scale.size(progress::WidthTwips, progress::HeightTwips);
  const SIZE outer = WindowSizeFor({client.width, client.height}, ProgressStyle, ProgressExStyle, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const PixelRect text = scale.rect(progress::ProgTextPlace), bar = scale.rect(progress::ProgBarPlace);
  MoveWindow(text_, text.left, text.top, text.width, text.height, FALSE);
  MoveWindow(barWindow_, bar.left, bar.top, bar.width, bar.height, FALSE);
  if (font_) DeleteObject(font_);
  font_ = CreatePointFont(controls::WindowFontName, controls::WindowFontPoints, false, dpi);
  SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void ProgressWindow::centreOnOwnersMonitor() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner_ ? owner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT r;
  GetWindowRect(hwnd_, &r);
  const RECT& room = monitor.rcWork;
  const int x = room.left + ((room.right - room.left) - (r.right - r.left)) / 2;
  const int y = room.top + ((room.bottom - room.top) - (r.bottom - r.top)) / 2;
  SetWindowPos(hwnd_, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

bool ProgressWindow::visible() const { return IsWindowVisible(hwnd_) != FALSE; }

int ProgressWindow::barPixels() const {
  RECT r;
  GetClientRect(barWindow_, &r);
  return r.right - r.left;
}

void ProgressWindow::start(const std::wstring& caption, bool paintNow) {
  if (!visible()) {
    paintNow = true;
    fill_.reset();
    layOut(DpiOf(owner_));
    centreOnOwnersMonitor();
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  caption_ = caption;
  if (paintNow) paint();
}

bool ProgressWindow::setProgress(long done, long total) {
  if (!fill_.advance(done, total, barPixels())) return false;
  InvalidateRect(barWindow_, nullptr, FALSE);
  return true;
}

void ProgressWindow::finish() {
  if (visible()) ShowWindow(hwnd_, SW_HIDE);
}

void ProgressWindow::paint() {
  // The caption reaches ProgText only here: setting a window's text costs a trip to the window
  // server, too much for each driver of a merge.
  if (caption_ != shownCaption_) {
    shownCaption_ = caption_;
    SetWindowTextW(text_, shownCaption_.c_str());
  }
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LRESULT CALLBACK ProgressWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<ProgressWindow>(hwnd, message, lParam);
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, self->backgroundBrush_);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, self->background_);
      return reinterpret_cast<LRESULT>(self->backgroundBrush_);
    }
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;  // a click never takes the focus from the main window
    case WM_CLOSE:
      // It cannot be closed by itself (the operation hides it); asked to close, the program closes
      // once the operation is over.
      if (HWND owner = GetWindow(hwnd, GW_OWNER)) PostMessageW(owner, WM_CLOSE, 0, 0);
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ProgressWindow::barProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<ProgressWindow>(hwnd, message, lParam);
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      const int filled = self->fill_.width(r.right - r.left);
      HBRUSH empty = CreateSolidBrush(ColourOf(progress::BarBackground));
      HBRUSH bar = CreateSolidBrush(ColourOf(progress::BarColour));
      RECT left = r, right = r;
      left.right = r.left + filled;
      right.left = left.right;
      FillRect(dc, &right, empty);
      FillRect(dc, &left, bar);
      DeleteObject(empty);
      DeleteObject(bar);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace qbm::win32
