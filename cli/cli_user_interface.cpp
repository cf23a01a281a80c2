#include "cli/cli_user_interface.h"

#include <iostream>

#include "cli/terminal.h"
#include "common/stop_signals.h"

namespace qbm::cli {

void CliUserInterface::showMessage(const std::string& text, MessageIcon icon) {
  messages.emplace_back(text, icon);
}

namespace {

std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

bool CliUserInterface::askYesNo(const std::string& text) {
  if (answer) return *answer;
  progress.clear();
  if (stdinIsTerminal()) {
    std::cerr << TerminalText(text) << "\n";
    std::optional<std::string> line;
    while (std::cerr << "Yes or No? [y/n] " && (line = ReadLineUnlessStopped())) {
      const std::string reply = lowerCase(*line);
      if (reply == "y" || reply == "yes") return true;
      if (reply == "n" || reply == "no") return false;
    }
  }
  if (PendingStopSignal() != 0) {
    std::cerr << "\n";   // the prompt's line is left open
    stopWhenSignalled();  // the signal cut the wait for the answer short
  }
  throw UnansweredQuestion("a question needs an answer and there is no terminal to ask it on: " +
                           answerHint);
}

void CliUserInterface::stopWhenSignalled() {
  const int signal = PendingStopSignal();
  if (signal == 0 || stopped_) return;
  stopped_ = true;
  throw StoppedBySignal(std::string("interrupted by ") + StopSignalName(signal));
}

}  // namespace qbm::cli
