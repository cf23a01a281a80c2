#pragma once
// What the desktop program takes on its command line, in both windows: nothing, or the new database
// and the old one to open at start, and, for the documentation, files to save pictures of the
// windows in.
//   qbmerge [NEW.mdb [OLD.mdb]] [--screenshot FILE.png] [--response-screenshot FILE.png]

#include <string>
#include <vector>

namespace qbm {

struct StartupArguments {
  std::string newDatabase;     // opened at start as if chosen in the file dialog
  std::string oldDatabase;     // opened after the new one
  std::string screenshotFile;  // when set: open, show a report on each side, save the picture, end
  std::string responseScreenshotFile;  // when set: the same with the Response window's picture
  std::string error;           // a usage error, for the person
};

// Reads the arguments after the program's name (UTF-8).
StartupArguments ParseStartupArguments(const std::vector<std::string>& arguments);

inline constexpr const char* StartupUsage =
    "usage: qbmerge [NEW.mdb [OLD.mdb]] [--screenshot FILE.png] [--response-screenshot FILE.png]\n"
    "       qbmerge --version";

}  // namespace qbm
