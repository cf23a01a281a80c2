#pragma once
// What the desktop program takes on its command line, in both windows: nothing, or the new database
// and the old one to open at start, and, for the documentation, files to save pictures of the
// windows in, after a merge when asked (the window with what the merge did).
//   qbmerge [NEW.mdb [OLD.mdb]] [--merge] [--screenshot FILE.png] [--response-screenshot FILE.png]

#include <string>
#include <vector>

namespace qbm {

struct StartupArguments {
  std::string newDatabase;     // opened at start as if chosen in the file dialog
  std::string oldDatabase;     // opened after the new one
  std::string screenshotFile;  // when set: open, show a report on each side, save the picture, end
  std::string responseScreenshotFile;  // when set: the same with the Response window's picture
  bool merge = false;  // only with a picture and both databases: merge first, the question answered Yes
  std::string error;           // a usage error, for the person
};

// Reads the arguments after the program's name (UTF-8).
StartupArguments ParseStartupArguments(const std::vector<std::string>& arguments);

inline constexpr const char* StartupUsage =
    "usage: qbmerge [NEW.mdb [OLD.mdb]] [--merge] [--screenshot FILE.png] [--response-screenshot FILE.png]\n"
    "       qbmerge --version";

}  // namespace qbm
