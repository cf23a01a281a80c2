#include "app/win32/window_picture.h"

#include <algorithm>

// GDI+'s headers use min and max, which NOMINMAX keeps out of windows.h.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

// A third of the way down the list, where a typical driver is.
std::size_t typicalEntry(std::size_t count) { return count / 3; }

// The window as it stands on the screen, saved as PNG through GDI+.
bool savePicture(HWND window, const std::wstring& file, std::string* error) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  bool saved = false;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
    {
      Gdiplus::Bitmap bitmap(picture, nullptr);
      // The PNG encoder of GDI+.
      const CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
      saved = bitmap.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
  }
  DeleteObject(picture);
  if (!saved && error) *error = "cannot save the picture to " + utf8(file);
  return saved;
}

// Lets the window paint everything that changed and the screen catch up.
void settle(MainWindow& window) {
  for (int i = 0; i < 5; ++i) {
    RunPendingMessages(window);
    Sleep(50);
  }
}

}  // namespace

void MergeForPicture(MainWindow& window) {
  HWND merge = window.control(controls::ControlId::MMerge);
  if (!IsWindowVisible(merge)) return;
  window.userInterface().queueAnswer(true);
  SendMessageW(merge, BM_CLICK, 0, 0);
  RunPendingMessages(window);
}

void RunPendingMessages(MainWindow& window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (window.preTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void ClickListEntry(HWND list, std::size_t i, WPARAM keys) {
  RECT item{};
  if (SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)) == LB_ERR) return;
  RECT client;
  GetClientRect(list, &client);
  if (item.top < 0 || item.bottom > client.bottom) {
    const LRESULT perPage = item.bottom > item.top ? client.bottom / (item.bottom - item.top) : 1;
    SendMessageW(list, LB_SETTOPINDEX, i > static_cast<std::size_t>(perPage / 2) ? i - perPage / 2 : 0, 0);
    SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
  }
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  SendMessageW(list, WM_LBUTTONUP, keys, at);
}

bool SaveWindowPicture(MainWindow& window, const std::wstring& file, std::string* error) {
  for (DriverListBox* list : {&window.fromList(), &window.toList()}) {
    if (!IsWindowVisible(list->handle()) || list->count() == 0) continue;
    ClickListEntry(list->handle(), typicalEntry(list->count()));
    RunPendingMessages(window);
  }
  SetForegroundWindow(window.handle());
  settle(window);
  return savePicture(window.handle(), file, error);
}

bool SaveResponsePicture(MainWindow& window, const std::wstring& file, std::string* error) {
  struct Side {
    DriverListBox* list;
    ResponseSide side;
  };
  for (const Side& s : {Side{&window.fromList(), ResponseSide::Old}, Side{&window.toList(), ResponseSide::New}}) {
    if (!IsWindowVisible(s.list->handle())) continue;
    for (std::size_t row = typicalEntry(s.list->count()); row < s.list->count(); ++row) {
      ClickListEntry(s.list->handle(), row);
      RunPendingMessages(window);
      bool found = false;
      for (const DriverResponse& r : window.session().SelectedResponses()) found |= r.side == s.side && r.acoustic;
      if (found) break;
    }
  }
  window.showResponse();
  ResponseWindow* response = window.responseWindow();
  if (!response) {
    if (error) *error = "the Response window did not open";
    return false;
  }
  SetForegroundWindow(response->handle());
  settle(window);
  return savePicture(response->handle(), file, error);
}

}  // namespace qbm::win32
