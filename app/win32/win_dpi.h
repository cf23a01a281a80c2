#pragma once
// The screen's scale for a window that is aware of each monitor's DPI (the manifest says so): the
// DPI a window is on, window sizes for a client area at that DPI, and fonts in points at it. The
// functions Windows 10 added are looked up at run time; before them the system's DPI serves.

#include <windows.h>

#include <string_view>

#include "app/view/main_window_controls.h"
#include "app/view/twips.h"

namespace qbm::win32 {

// The DPI of the monitor the window is on (96 at the usual setting).
UINT DpiOf(HWND window);
// The scale of twips to pixels at that DPI.
TwipScale ScaleOf(UINT dpi);
// The window rectangle's size for a client area of this size, with this style, at this DPI.
SIZE WindowSizeFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi);
// A font of the named family, in points, at this DPI.
HFONT CreatePointFont(std::string_view family, double points, bool bold, UINT dpi);
// A colour of the shared views as GDI takes it.
inline COLORREF ColourOf(const controls::Rgb& c) { return RGB(c.red, c.green, c.blue); }

}  // namespace qbm::win32
