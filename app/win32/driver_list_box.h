#pragma once
// FromList / ToList on screen: a list box that shows a session DriverList as it is (entries in the
// session's order, never re-sorted; selection; focus), with Ctrl+R asking for the Response window.
// It tells the window when the person changed the selection or the focus. The first Up or Down in
// a list nobody has touched selects its first entry, as the shared keyboard rules want: Windows'
// list box does that by itself (the Qt list needs ListArrowEntry for it).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/view/keyboard_rules.h"  // ResponseKeyLetter
#include "session/driver_list.h"

namespace qbm::win32 {

class DriverListBox {
 public:
  // Takes over the list box (subclassing it). personChanged: the selection or the focus changed by
  // the person's hand; responseAsked: Ctrl+R. Both are called after the list box has acted.
  DriverListBox(HWND listBox, DriverList::Selection mode, std::function<void()> personChanged,
                std::function<void()> responseAsked);
  ~DriverListBox();
  DriverListBox(const DriverListBox&) = delete;
  DriverListBox& operator=(const DriverListBox&) = delete;

  HWND handle() const { return hwnd_; }

  // Shows the list's entries, selection and focus (the tooltip is the window's); tells nothing.
  void showList(const DriverList& list);
  // Copies the selection and focus the person made into the list, entry by entry.
  // REQUIRES: the box shows this list (showList was called since it last changed).
  void copySelectionTo(DriverList& list) const;

  // What the box shows, as a person sees it.
  std::size_t count() const;
  std::wstring text(std::size_t i) const;
  std::vector<std::size_t> selected() const;
  std::optional<std::size_t> focus() const;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_;
  DriverList::Selection mode_;
  std::function<void()> personChanged_, responseAsked_;
  std::vector<std::pair<std::string, std::int32_t>> shown_;
  std::vector<std::size_t> shownSelection_;
  std::optional<std::size_t> shownFocus_;
};

}  // namespace qbm::win32
