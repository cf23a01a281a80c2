#include "cli/cli_user_interface.h"

#include <iostream>

#include "cli/terminal.h"

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

namespace {

// The question as a terminal shows it: "\r\n" line ends become "\n".
std::string terminalText(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

bool CliUserInterface::askYesNo(const std::string& text) {
  if (answer) return *answer;
  if (stdinIsTerminal()) {
    std::cerr << terminalText(text) << "\n";
    std::string line;
    while (std::cerr << "Yes or No? [y/n] " && std::getline(std::cin, line)) {
      const std::string reply = lowerCase(line);
      if (reply == "y" || reply == "yes") return true;
      if (reply == "n" || reply == "no") return false;
    }
  }
  throw UnansweredQuestion("a question needs an answer and there is no terminal to ask it on: " +
                           answerHint);
}

}  // namespace qbm::cli
