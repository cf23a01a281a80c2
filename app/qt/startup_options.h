#pragma once
// qbmerge's command line (app/view/startup_arguments.h) in Qt's strings.
//   qbmerge [NEW.mdb [OLD.mdb]] [--merge] [--screenshot FILE.png] [--response-screenshot FILE.png]

#include <QString>
#include <QStringList>

#include "app/view/startup_arguments.h"

namespace qbm {

struct StartupOptions {
  QString newDatabase;     // opened at start as if chosen in the file dialog
  QString oldDatabase;     // opened after the new one
  QString screenshotFile;  // when set: open, show a report on each side, save the picture, end
  QString responseScreenshotFile;  // when set: the same with the Response window's picture
  bool merge = false;              // merge before the pictures, the question answered Yes
  QString error;           // a usage error, for the person
};

// Reads the arguments after the program's name.
StartupOptions ParseStartupOptions(const QStringList& arguments);

}  // namespace qbm
