#pragma once
// Captions narrowed to fit their controls (app/view/caption_fit.h) with GDI's fonts: a narrower
// setting of the control's font, made once and kept until the fonts are made again (a new DPI).
// A bitmap font cannot be narrowed; a caption that does not fit in one is set in the system's
// scalable sans-serif of the same size (Microsoft Sans Serif, else Tahoma) narrowed instead.

#include <windows.h>

#include <map>
#include <string>
#include <utility>

namespace qbm::win32 {

class CaptionFonts {
 public:
  CaptionFonts() = default;
  ~CaptionFonts() { clear(); }
  CaptionFonts(const CaptionFonts&) = delete;
  CaptionFonts& operator=(const CaptionFonts&) = delete;

  // Deletes the fonts made.
  void clear();
  // The font the caption is shown in: `normal` when the caption fits `available` pixels in it,
  // else a narrower one.
  HFONT fit(HWND control, HFONT normal, const std::wstring& caption, int available);

 private:
  HFONT narrowed(HFONT normal, int stretch);

  std::map<std::pair<HFONT, int>, HFONT> made_;
};

// The pixels a control leaves for its caption: a push button's edges, an option's circle and the
// gap after it, nothing of a label's.
int CaptionRoom(HWND control, bool option, bool button);

}  // namespace qbm::win32
