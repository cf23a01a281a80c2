#pragma once
// What qbmerge takes on its command line: nothing, or the new database and the old one to open at
// start, and, for the documentation, a file to save a picture of the window in.
//   qbmerge [NEW.mdb [OLD.mdb]] [--screenshot FILE.png] [--response-screenshot FILE.png]

#include <QString>
#include <QStringList>

namespace qbm {

struct StartupOptions {
  QString newDatabase;     // opened at start as if chosen in the file dialog
  QString oldDatabase;     // opened after the new one
  QString screenshotFile;  // when set: open, show a report on each side, save the picture, end
  QString responseScreenshotFile;  // when set: the same with the Response window's picture
  QString error;           // a usage error, for the person
};

// Reads the arguments after the program's name.
StartupOptions ParseStartupOptions(const QStringList& arguments);

inline constexpr const char* StartupUsage =
    "usage: qbmerge [NEW.mdb [OLD.mdb]] [--screenshot FILE.png] [--response-screenshot FILE.png]\n"
    "       qbmerge --version";

}  // namespace qbm
