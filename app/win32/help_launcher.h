#pragma once
// Help: the compiled help file qbmerge.chm in the program's folder, opened at a topic through HTML
// Help (hhctrl.ocx, loaded when first needed); when it cannot be opened, the topic's page
// help\topic<N>.html beside the program in the person's browser. The window takes the launcher as
// a function, so that another can stand in for it.

#include <windows.h>

#include <functional>
#include <string>

namespace qbm::win32 {

// Opens help at the topic, owned by the window.
using HelpLauncher = std::function<void(HWND owner, int topic)>;

// The folder the program was started from (with no separator at its end).
std::wstring ProgramFolder();

// The launcher over the help in `programFolder`.
HelpLauncher HtmlHelpLauncher(std::wstring programFolder);

// Closes every help window HTML Help opened (at shutdown); nothing when it was never loaded.
void CloseHtmlHelp();

}  // namespace qbm::win32
