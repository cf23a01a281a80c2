#include "app/win32/response_window.h"

#include <algorithm>
#include <cmath>

#include "app/view/keyboard_rules.h"
#include "app/view/main_window_controls.h"
#include "app/view/response_layout.h"
#include "app/win32/keyboard_state.h"
#include "app/win32/win_dpi.h"
#include "app/win32/window_class.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

using namespace response;

constexpr wchar_t ResponseWindowClass[] = L"QbmResponse";
constexpr DWORD ResponseStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD ResponseExStyle = WS_EX_TOOLWINDOW;

int px(double v) { return static_cast<int>(std::lround(v)); }

void line(HDC dc, double x1, double y1, double x2, double y2) {
  MoveToEx(dc, px(x1), px(y1), nullptr);
  LineTo(dc, px(x2), px(y2));
}

// Text with its baseline at y, starting at x.
void text(HDC dc, double x, double y, const std::wstring& s) {
  SetTextAlign(dc, TA_LEFT | TA_BASELINE);
  TextOutW(dc, px(x), px(y), s.c_str(), static_cast<int>(s.size()));
}

int textWidth(HDC dc, const std::wstring& s) {
  SIZE size{};
  GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
  return size.cx;
}

}  // namespace

ResponseWindow::ResponseWindow(HWND owner) : owner_(owner) {
  RegisterWindowClass(ResponseWindowClass, proc);
  const UINT dpi = DpiOf(owner);
  const TwipScale scale = ScaleOf(dpi);
  const SIZE outer = WindowSizeFor({scale.x(WidthPixels * 15), scale.y(HeightPixels * 15)}, ResponseStyle, ResponseExStyle, dpi);
  hwnd_ = CreateWindowExW(ResponseExStyle, ResponseWindowClass, wide(Title).c_str(), ResponseStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                          outer.cy, owner, nullptr, GetModuleHandleW(nullptr), this);
  font_ = CreatePointFont(controls::WindowFontName, controls::WindowFontPoints, false, dpi);
}

ResponseWindow::~ResponseWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
}

void ResponseWindow::show(const RECT& keep) {
  if (!placed_) {
    placed_ = true;
    RECT main, own;
    GetWindowRect(owner_, &main);
    GetWindowRect(hwnd_, &own);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const auto pixels = [](const RECT& r) { return PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top}; };
    const PixelRect place = ResponsePlace(pixels(main), pixels(keep), {own.right - own.left, own.bottom - own.top},
                                          pixels(monitor.rcWork));
    SetWindowPos(hwnd_, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ResponseWindow::showResponses(std::vector<DriverResponse> responses) {
  responses_ = std::move(responses);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

PlotArea ResponseWindow::plotArea() const {
  RECT r;
  GetClientRect(hwnd_, &r);
  return PlotAreaOf(r.right - r.left, r.bottom - r.top, responses_.size());
}

ResponsePlot ResponseWindow::plot() const { return LayOutResponsePlot(responses_, plotArea()); }

void ResponseWindow::paint(HDC dc, const RECT& client) const {
  HBRUSH background = CreateSolidBrush(ColourOf(Background));
  FillRect(dc, &client, background);
  DeleteObject(background);
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourOf(Ink));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int ascent = metrics.tmAscent;
  const PlotArea area = plotArea();
  const ResponsePlot shown = plot();
  const double left = area.left, top = area.top, right = area.left + area.width, bottom = area.top + area.height;
  const auto withPen = [&](const controls::Rgb& colour, int width, auto draw) {
    HPEN pen = CreatePen(PS_SOLID, width, ColourOf(colour));
    HGDIOBJ old = SelectObject(dc, pen);
    draw();
    SelectObject(dc, old);
    DeleteObject(pen);
  };

  // The legend: a swatch of each driver's colour (dotted for one without acoustic data), then its text.
  const double first = MarginTop + ascent;
  for (const LegendLine& entry : LegendOf(responses_, shown)) {
    const double y = first + entry.baselineOffset;
    HPEN pen = CreatePen(entry.curve ? PS_SOLID : PS_DOT, entry.curve ? CurveWidth : 1, ColourOf(SeriesColour(entry.side)));
    HGDIOBJ old = SelectObject(dc, pen);
    line(dc, MarginLeft, y - ascent / 2.0, MarginLeft + LegendLineLength, y - ascent / 2.0);
    SelectObject(dc, old);
    DeleteObject(pen);
    text(dc, LegendTextLeft, y, wide(entry.text));
  }
  if (responses_.empty()) text(dc, MarginLeft, first, wide(NothingSelected));

  // Grid and its labels.
  for (const PlotGridLine& grid : shown.frequencyLines) {
    withPen(grid.label.empty() ? MinorFrequencyLine : MajorFrequencyLine, 1,
            [&] { line(dc, grid.position, top, grid.position, bottom); });
    if (grid.label.empty()) continue;
    const std::wstring label = wide(grid.label);
    text(dc, grid.position - textWidth(dc, label) / 2.0, bottom + ascent + 3, label);
  }
  const std::wstring unit = wide(FrequencyUnit);
  text(dc, right - textWidth(dc, unit), bottom + ascent + 3, unit);
  for (const PlotGridLine& grid : shown.levelLines) {
    withPen(LevelLine, 1, [&] { line(dc, left, grid.position, right, grid.position); });
    const std::wstring label = wide(grid.label);
    text(dc, left - textWidth(dc, label) - 4, grid.position + ascent / 2.0 - 1, label);
  }
  withPen(Ink, 1, [&] {
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, px(left), px(top), px(right) + 1, px(bottom) + 1);
    SelectObject(dc, oldBrush);
  });

  // The curves, clipped to the frame.
  HRGN clip = CreateRectRgn(px(left) - 1, px(top) - 1, px(right) + 2, px(bottom) + 2);
  SelectClipRgn(dc, clip);
  for (const PlotSeries& series : shown.series) {
    std::vector<POINT> points;
    points.reserve(series.points.size());
    for (const PlotPoint& p : series.points) points.push_back({px(p.x), px(p.y)});
    withPen(SeriesColour(series.side), CurveWidth,
            [&] { Polyline(dc, points.data(), static_cast<int>(points.size())); });
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK ResponseWindow::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<ResponseWindow>(hwnd, message, lParam);
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      // Drawn off screen, then copied: no flicker while the window is resized.
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP picture = CreateCompatibleBitmap(dc, client.right, client.bottom);
      HGDIOBJ old = SelectObject(memory, picture);
      if (self) self->paint(memory, client);
      BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteObject(picture);
      DeleteDC(memory);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); break;
    case WM_KEYDOWN:
      if (EscapeCloses(wParam == VK_ESCAPE, ModifierHeld())) {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE: ShowWindow(hwnd, SW_HIDE); return 0;  // closed, it is only hidden; shown again later
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace qbm::win32
