#include "app/win32/driver_list_box.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/keyboard_state.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

}  // namespace

DWORD DriverListBoxStyle(DriverList::Selection mode) {
  return LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
         (mode == DriverList::Selection::Extended ? LBS_EXTENDEDSEL : 0);
}

DriverListBox::DriverListBox(HWND listBox, DriverList::Selection mode, COLORREF background,
                             std::function<void()> personChanged, std::function<void()> responseAsked)
    : hwnd_(listBox),
      mode_(mode),
      background_(background),
      personChanged_(std::move(personChanged)),
      responseAsked_(std::move(responseAsked)) {
  SetWindowSubclass(hwnd_, proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

DriverListBox::~DriverListBox() { RemoveWindowSubclass(hwnd_, proc, 1); }

void DriverListBox::showList(const DriverList& list) {
  if (!shown_.sameAs(list)) {
    shown_.remember(list);
    texts_.clear();
    texts_.reserve(list.count());
    for (const DriverList::Entry& e : list.entries()) texts_.push_back(wide(e.text));
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    SendMessageW(hwnd_, LB_SETCOUNT, list.count(), 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
    shownSelection_.clear();
    shownFocus_.reset();
  }
  std::vector<std::size_t> selection;
  for (std::size_t i = 0; i < list.count(); ++i)
    if (list.entry(i).selected) selection.push_back(i);
  if (selection == shownSelection_ && list.focus() == shownFocus_) return;
  shownSelection_ = selection;
  shownFocus_ = list.focus();
  if (mode_ == DriverList::Selection::Single) {
    SendMessageW(hwnd_, LB_SETCURSEL, selection.empty() ? static_cast<WPARAM>(-1) : selection.front(), 0);
  } else {
    SendMessageW(hwnd_, LB_SETSEL, FALSE, -1);
    for (std::size_t i : selection) SendMessageW(hwnd_, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    if (list.focus()) {
      SendMessageW(hwnd_, LB_SETANCHORINDEX, *list.focus(), 0);
      SendMessageW(hwnd_, LB_SETCARETINDEX, *list.focus(), FALSE);
    }
  }
}

std::size_t DriverListBox::count() const {
  const LRESULT n = SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::wstring DriverListBox::text(std::size_t i) const { return i < texts_.size() ? texts_[i] : std::wstring(); }

void DriverListBox::fitEntryHeight() {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
}

void DriverListBox::draw(const DRAWITEMSTRUCT& item) const {
  RECT r = item.rcItem;
  if (item.itemID != static_cast<UINT>(-1) && item.itemID < texts_.size()) {
    const bool chosen = (item.itemState & ODS_SELECTED) != 0;
    if (chosen) {
      FillRect(item.hDC, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else {
      HBRUSH back = CreateSolidBrush(background_);
      FillRect(item.hDC, &r, back);
      DeleteObject(back);
    }
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, chosen ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
    RECT text = r;
    text.left += 2;
    const std::wstring& shown = texts_[item.itemID];
    DrawTextW(item.hDC, shown.c_str(), static_cast<int>(shown.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
  }
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(item.hDC, &r);
}

std::vector<std::size_t> DriverListBox::selected() const {
  std::vector<std::size_t> selection;
  if (mode_ == DriverList::Selection::Single) {
    const LRESULT i = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    if (i >= 0) selection.push_back(static_cast<std::size_t>(i));
    return selection;
  }
  const LRESULT n = SendMessageW(hwnd_, LB_GETSELCOUNT, 0, 0);
  if (n <= 0) return selection;
  std::vector<int> items(static_cast<std::size_t>(n));
  const LRESULT got = SendMessageW(hwnd_, LB_GETSELITEMS, items.size(), reinterpret_cast<LPARAM>(items.data()));
  for (LRESULT k = 0; k < got; ++k) selection.push_back(static_cast<std::size_t>(items[static_cast<std::size_t>(k)]));
  std::sort(selection.begin(), selection.end());
  return selection;
}

std::optional<std::size_t> DriverListBox::focus() const {
  const LRESULT caret = SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0);
  if (caret < 0 || static_cast<std::size_t>(caret) >= count()) return std::nullopt;
  return static_cast<std::size_t>(caret);
}

void DriverListBox::copySelectionTo(DriverList& list) const {
  const std::size_t n = std::min(list.count(), count());
  std::vector<bool> chosen(n, false);
  for (std::size_t i : selected())
    if (i < n) chosen[i] = true;
  // Deselect first so that a single-selection list never holds two selected entries on the way.
  for (std::size_t i = 0; i < n; ++i)
    if (!chosen[i] && list.entry(i).selected) list.setSelected(i, false);
  for (std::size_t i = 0; i < n; ++i)
    if (chosen[i] && !list.entry(i).selected) list.setSelected(i, true);
  const std::optional<std::size_t> caret = focus();
  list.setFocus(caret && *caret < n ? caret : std::nullopt);
}

LRESULT CALLBACK DriverListBox::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  (void)hwnd;
  return reinterpret_cast<DriverListBox*>(self)->handle(message, wParam, lParam);
}

LRESULT DriverListBox::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN: {
      const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
      if (wParam == static_cast<WPARAM>(ResponseKeyLetter) && ctrl && !shift && !alt) {
        responseAsked_();
        return 0;
      }
      // The focus can move without the selection changing (Ctrl with an arrow): told too.
      const std::optional<std::size_t> before = focus();
      const LRESULT result = DefSubclassProc(hwnd_, message, wParam, lParam);
      if (focus() != before) personChanged_();
      return result;
    }
    case WM_CHAR:
      if (wParam == 0x12) return 0;  // Ctrl+R's character: no search for an entry beginning with it
      break;
    default: break;
  }
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

}  // namespace qbm::win32
