#include "app/win32/window_class.h"

namespace qbm::win32 {

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, LPCWSTR cursor, HICON icon) {
  WNDCLASSEXW c{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &c)) return;
  c.cbSize = sizeof c;
  c.lpfnWndProc = procedure;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hCursor = LoadCursorW(nullptr, cursor);
  c.hIcon = icon;
  c.lpszClassName = name;
  RegisterClassExW(&c);
}

}  // namespace qbm::win32
