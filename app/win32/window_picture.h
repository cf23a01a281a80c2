#pragma once
// The pictures of the windows for the documentation: a report shown on each side, chosen as a
// person would choose it (a click on an entry of each list), then the window as it stands on the
// screen, frame included, saved as a PNG file; and the Response window the same way.

#include <windows.h>

#include <string>

#include "app/win32/main_window.h"

namespace qbm::win32 {

// Lets every message that is waiting be handled, through the window's keyboard preview, as the
// message loop would.
void RunPendingMessages(MainWindow& window);

// A click (keys: MK_CONTROL, MK_SHIFT or 0) on entry i of a list box, brought into view first, as
// the mouse makes it.
void ClickListEntry(HWND list, std::size_t i, WPARAM keys = 0);

// "Merge >" clicked, the overwrite question answered Yes: the window after a merge, with what the
// merge did below its controls.
void MergeForPicture(MainWindow& window);

// Clicks the entry a third of the way down each list that holds entries, lets the window paint,
// and saves its picture to `file`. False, with a reason in `error`, when it cannot be saved.
bool SaveWindowPicture(MainWindow& window, const std::wstring& file, std::string* error);

// From the entry a third of the way down each list, the first driver with acoustic data is
// clicked, the Response window opened as a double click opens it, and its picture saved.
bool SaveResponsePicture(MainWindow& window, const std::wstring& file, std::string* error);

}  // namespace qbm::win32
