#pragma once
// Text crossing into the Windows API: the layers below keep UTF-8 in std::string; the window uses
// the API's UTF-16 (W) functions throughout.

#include <windows.h>

#include <string>
#include <string_view>

namespace qbm::win32 {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// The text of a window (a control's caption).
std::wstring WindowText(HWND window);

}  // namespace qbm::win32
