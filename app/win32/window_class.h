#pragma once
// The program's own window classes: registered once, each window carrying the object it stands for
// (the creation parameter, kept from WM_NCCREATE on).

#include <windows.h>

namespace qbm::win32 {

// Registers the class the first time (a later call does nothing): its procedure, pointer and icon.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, LPCWSTR cursor = IDC_ARROW, HICON icon = nullptr);

// The object the window stands for: null until WM_NCCREATE, which brings it.
template <class T>
T* WindowObject(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace qbm::win32
