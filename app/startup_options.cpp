#include "app/startup_options.h"

namespace qbm {

StartupOptions ParseStartupOptions(const QStringList& arguments) {
  StartupOptions options;
  QStringList files;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == "--screenshot" || argument == "--response-screenshot") {
      if (i + 1 >= arguments.size()) {
        options.error = argument + " needs the name of the picture file";
        return options;
      }
      (argument == "--screenshot" ? options.screenshotFile : options.responseScreenshotFile) = arguments[++i];
    } else if (argument.startsWith("--")) {
      options.error = "unknown option " + argument;
      return options;
    } else {
      files << argument;
    }
  }
  if (files.size() > 2) {
    options.error = "at most two databases: the new one, then the old one";
    return options;
  }
  if (!files.isEmpty()) options.newDatabase = files[0];
  if (files.size() > 1) options.oldDatabase = files[1];
  if (!options.screenshotFile.isEmpty() && options.newDatabase.isEmpty())
    options.error = "--screenshot needs a new database to show";
  else if (!options.responseScreenshotFile.isEmpty() && options.newDatabase.isEmpty())
    options.error = "--response-screenshot needs a new database to show";
  return options;
}

}  // namespace qbm
