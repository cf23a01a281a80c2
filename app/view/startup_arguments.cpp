#include "app/view/startup_arguments.h"

namespace qbm {

StartupArguments ParseStartupArguments(const std::vector<std::string>& arguments) {
  StartupArguments options;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--screenshot" || argument == "--response-screenshot") {
      if (i + 1 >= arguments.size()) {
        options.error = argument + " needs the name of the picture file";
        return options;
      }
      (argument == "--screenshot" ? options.screenshotFile : options.responseScreenshotFile) = arguments[++i];
    } else if (argument == "--merge") {
      options.merge = true;
    } else if (argument.starts_with("--")) {
      options.error = "unknown option " + argument;
      return options;
    } else {
      files.push_back(argument);
    }
  }
  if (files.size() > 2) {
    options.error = "at most two databases: the new one, then the old one";
    return options;
  }
  if (!files.empty()) options.newDatabase = files[0];
  if (files.size() > 1) options.oldDatabase = files[1];
  if (!options.screenshotFile.empty() && options.newDatabase.empty())
    options.error = "--screenshot needs a new database to show";
  else if (!options.responseScreenshotFile.empty() && options.newDatabase.empty())
    options.error = "--response-screenshot needs a new database to show";
  else if (options.merge && (options.oldDatabase.empty() ||
                             (options.screenshotFile.empty() && options.responseScreenshotFile.empty())))
    options.error = "--merge is for a picture after merging: it needs both databases and --screenshot";
  return options;
}

}  // namespace qbm
