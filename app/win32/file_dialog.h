#pragma once
// The open-file dialog of the common dialog library, set up from the session's settings for a
// side: title, filter (the first choice selected), initial file name and flags (6144: the file
// and its path must exist), and the folder it starts in: the one last used for that side, or, the
// first time, where Windows starts it.

#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>

#include "common/user_interface.h"

namespace qbm::win32 {

// The filter as the dialog takes it: "Description\0pattern;pattern\0…\0\0" (the terminating nulls
// included in the string).
std::wstring DialogFilterText(const std::string& filter);

// The dialog's settings with the buffers they point into.
struct OpenFileDialog {
  OpenFileDialog(const FileDialogSettings& settings, HWND owner, const std::string& startFolder = "");
  OpenFileDialog(const OpenFileDialog&) = delete;
  OpenFileDialog& operator=(const OpenFileDialog&) = delete;

  std::wstring title, filter, file, folder;
  OPENFILENAMEW settings{};
};

// Shows the dialog; the chosen path as UTF-8, or nothing when the person cancelled.
std::optional<std::string> ShowOpenFileDialog(const FileDialogSettings& settings, HWND owner,
                                              const std::string& startFolder = "");

}  // namespace qbm::win32
