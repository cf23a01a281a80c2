#pragma once
// The "Response" window: a small window beside winMain, not modal, that plots the acoustic response
// of the driver selected on each side (old and new, in colours of their own, with a legend), or
// says that a driver has no acoustic data. LayOutResponsePlot works out what it draws; the window
// paints it with GDI.

#include <windows.h>

#include <vector>

#include "report/response_plot.h"

namespace qbm::win32 {

class ResponseWindow {
 public:
  explicit ResponseWindow(HWND owner);
  ~ResponseWindow();
  ResponseWindow(const ResponseWindow&) = delete;
  ResponseWindow& operator=(const ResponseWindow&) = delete;

  // Shows these drivers' responses (none: an empty plot and a line saying to select a driver).
  void showResponses(std::vector<DriverResponse> responses);
  const std::vector<DriverResponse>& responses() const { return responses_; }
  // The plot as painted at the window's present size.
  ResponsePlot plot() const;
  PlotArea plotArea() const;

  HWND handle() const { return hwnd_; }
  bool visible() const { return IsWindowVisible(hwnd_) != FALSE; }
  // Shown; the first time beside the owner where its monitor's work area has room, else where it
  // covers least of `keep` (the new list, in screen coordinates).
  void show(const RECT& keep);

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(HDC dc, const RECT& client) const;

  HWND owner_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  bool placed_ = false;
  std::vector<DriverResponse> responses_;
};

}  // namespace qbm::win32
