// The Windows window's tests run under Wine with a display (Xvfb in CI): the windows are real, and
// the tests drive them through their controls and the keyboard's input queue.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/win32/report_box_view.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  qbm::win32::RichEditClass();
  return RUN_ALL_TESTS();
}
