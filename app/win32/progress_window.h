#pragma once
// winProgress: the small window in front of every window that names the current phase of a long
// operation (ProgText) and shows how far it has got (ProgBar). It has no title bar and no buttons
// and cannot be cancelled; its owner is the main window, which takes no input while it is up.

#include <windows.h>

#include <string>

#include "app/view/progress_layout.h"

namespace qbm::win32 {

class ProgressWindow {
 public:
  // colorBits: the display's bits per pixel (ColorBits).
  ProgressWindow(HWND owner, int colorBits);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Shows the window with this caption, centred on the owner's monitor, topmost, without taking
  // the focus, with an empty bar when it was hidden; only changes the caption when it is shown. A
  // window just shown is always painted before returning; one already shown shows the caption
  // with its next paint, at once when paintNow.
  void start(const std::wstring& caption, bool paintNow = true);
  // Moves the bar to done ÷ total if that is further; true when its width changed (painted with the
  // window's next paint).
  bool setProgress(long done, long total);
  // Hides the window.
  void finish();
  // Paints what changed now, the latest caption included.
  void paint();

  bool visible() const;
  std::wstring caption() const { return caption_; }  // the latest
  const ProgressBarFill& bar() const { return fill_; }
  int barPixels() const;  // the bar's full width
  HWND handle() const { return hwnd_; }
  HWND captionHandle() const { return text_; }  // ProgText

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK barProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void layOut(UINT dpi);
  void centreOnOwnersMonitor();

  HWND owner_;
  HWND hwnd_ = nullptr;
  HWND text_ = nullptr;
  HWND barWindow_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH backgroundBrush_ = nullptr;
  COLORREF background_;
  std::wstring caption_, shownCaption_;  // the latest caption, and the one ProgText shows
  ProgressBarFill fill_;
};

}  // namespace qbm::win32
