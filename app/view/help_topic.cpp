#include "app/view/help_topic.h"

namespace qbm {
namespace {

std::string inFolder(std::string_view folder, std::string_view name, char separator) {
  std::string path(folder);
  if (path.empty() || path.back() != separator) path += separator;
  return path += name;
}

}  // namespace

std::string HelpFilePath(std::string_view programFolder, char separator) {
  return inFolder(programFolder, HelpFileName, separator);
}

std::string HelpPagePath(std::string_view programFolder, int topic, char separator) {
  return inFolder(programFolder, "help" + std::string(1, separator) + "topic" + std::to_string(topic) + ".html",
                  separator);
}

}  // namespace qbm
