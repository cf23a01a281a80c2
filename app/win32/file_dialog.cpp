#include "app/win32/file_dialog.h"

#include "app/view/dialog_text.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {

constexpr std::size_t PathRoom = 32768;  // the longest path Windows takes

std::wstring DialogFilterText(const std::string& filter) {
  std::wstring text;
  for (const DialogFilter& f : ParseDialogFilter(filter)) {
    std::string patterns;
    for (const std::string& p : f.patterns) patterns += (patterns.empty() ? "" : ";") + p;
    text += wide(f.description.empty() ? patterns : f.description);
    text += L'\0';
    text += wide(patterns);
    text += L'\0';
  }
  text += L'\0';
  return text;
}

OpenFileDialog::OpenFileDialog(const FileDialogSettings& dialog, HWND owner, const std::string& startFolder)
    : title(wide(dialog.title)), filter(DialogFilterText(dialog.filter)), file(wide(dialog.initialName)),
      folder(wide(startFolder)) {
  file.resize(PathRoom, L'\0');
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = owner;
  settings.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
  settings.nFilterIndex = 1;
  settings.lpstrFile = file.data();
  settings.nMaxFile = static_cast<DWORD>(file.size());
  settings.lpstrTitle = title.c_str();
  settings.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  settings.Flags = static_cast<DWORD>(dialog.flags);
}

std::optional<std::string> ShowOpenFileDialog(const FileDialogSettings& settings, HWND owner,
                                              const std::string& startFolder) {
  OpenFileDialog dialog(settings, owner, startFolder);
  if (!GetOpenFileNameW(&dialog.settings)) return std::nullopt;  // cancelled (or the dialog failed)
  return utf8(dialog.file.c_str());
}

}  // namespace qbm::win32
