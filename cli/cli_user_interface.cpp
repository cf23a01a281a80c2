#include "cli/cli_user_interface.h"

namespace qbm::cli {

std::optional<std::string> CliUserInterface::chooseFile(const FileDialogSettings&) {
  if (files.empty()) return std::nullopt;
  std::string file = std::move(files.front());
  files.pop_front();
  return file;
}

void CliUserInterface::showMessage(const std::string& text, MessageIcon icon) {
  messages.emplace_back(text, icon);
}

bool CliUserInterface::askYesNo(const std::string&) { return false; }

}  // namespace qbm::cli
