#pragma once
// FromList / ToList on screen: a list box that shows a session DriverList as it is (entries in the
// session's order, never re-sorted; selection; focus), with Ctrl+R asking for the Response window.
// It tells the window when the person changed the selection or the focus. The first Up or Down in
// a list nobody has touched selects its first entry, as the shared keyboard rules want: Windows'
// list box does that by itself (the Qt list needs ListArrowEntry for it).
//
// The list box holds no texts of its own (a no-data list box, drawn by its owner from the entries
// kept here): filled with tens of thousands of entries, one message per entry cost more than the
// merge that filled it.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/view/keyboard_rules.h"  // ResponseKeyLetter
#include "app/view/shown_list.h"
#include "session/driver_list.h"

namespace qbm::win32 {

// The styles of a list box this class takes over: owner-drawn, without texts of its own, telling
// its owner of clicks; extended selection where the list has it.
DWORD DriverListBoxStyle(DriverList::Selection mode);

class DriverListBox {
 public:
  // Takes over the list box (subclassing it), made with DriverListBoxStyle. personChanged: the
  // selection or the focus changed by the person's hand; responseAsked: Ctrl+R. Both are called
  // after the list box has acted. background: the colour behind entries not selected.
  DriverListBox(HWND listBox, DriverList::Selection mode, COLORREF background, std::function<void()> personChanged,
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

  // The owner's part: an entry drawn (WM_DRAWITEM), and the entries' height in the box's font (after
  // the font changed).
  void draw(const DRAWITEMSTRUCT& item) const;
  void fitEntryHeight();

  // What the box shows: its entries as counted and selected by the list box, each entry's text as
  // it is drawn.
  std::size_t count() const;
  std::wstring text(std::size_t i) const;
  std::vector<std::size_t> selected() const;
  std::optional<std::size_t> focus() const;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_;
  DriverList::Selection mode_;
  COLORREF background_;
  std::function<void()> personChanged_, responseAsked_;
  ShownList shown_;                  // the session's entries shown
  std::vector<std::wstring> texts_;  // and their texts as drawn
  std::vector<std::size_t> shownSelection_;
  std::optional<std::size_t> shownFocus_;
};

}  // namespace qbm::win32
