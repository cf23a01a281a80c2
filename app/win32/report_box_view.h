#pragma once
// FromRText / ToRText on screen: a read-only rich edit control that shows a session ReportBox, run
// by run, each in its own font (family, size, bold).

#include <windows.h>

#include <string>
#include <vector>

#include "report/report_box.h"

namespace qbm::win32 {

// The rich edit control's window class, loading its library once (Msftedit, else RichEdit 2).
const wchar_t* RichEditClass();

class ReportBoxView {
 public:
  explicit ReportBoxView(HWND richEdit) : hwnd_(richEdit) {}

  HWND handle() const { return hwnd_; }

  // Shows the box's text; does nothing when it shows these runs already.
  void showReport(const ReportBox& box);

  // What the control holds: its text (line breaks as "\r"), and the font at a character.
  std::wstring text() const;
  struct CharFont {
    std::wstring face;
    int points = 0;
    bool bold = false;
  };
  CharFont fontAt(long position) const;

 private:
  HWND hwnd_;
  std::vector<ReportRun> shown_;
};

}  // namespace qbm::win32
