#pragma once
// A UserInterface for tests: answers the file dialog and yes/no questions from queues set up in
// advance and records everything the program asked of the person, in order.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/user_interface.h"

namespace qbm::test {

class FakeUserInterface : public UserInterface {
 public:
  // Next answers of the file dialog (nothing = cancel) and of yes/no questions. An unqueued
  // dialog is cancelled; an unqueued question is answered No.
  std::deque<std::optional<std::string>> files;
  std::deque<bool> answers;

  // What happened, in order: "busy on", "busy off", "dialog: <title>", "message: <text>",
  // "question: <text>", "progress: <caption>", "progress done/total", "progress hidden".
  std::vector<std::string> events;
  std::vector<FileDialogSettings> dialogs;
  std::vector<std::pair<std::string, MessageIcon>> messages;
  bool busy = false;

  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override {
    dialogs.push_back(settings);
    events.push_back("dialog: " + settings.title);
    if (files.empty()) return std::nullopt;
    std::optional<std::string> file = files.front();
    files.pop_front();
    return file;
  }
  void showMessage(const std::string& text, MessageIcon icon) override {
    messages.emplace_back(text, icon);
    events.push_back("message: " + text);
  }
  bool askYesNo(const std::string& text) override {
    events.push_back("question: " + text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void showProgress(const std::string& caption) override { events.push_back("progress: " + caption); }
  void updateProgress(long done, long total) override {
    events.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
  }
  void hideProgress() override { events.push_back("progress hidden"); }
  void setBusy(bool on) override {
    busy = on;
    events.push_back(on ? "busy on" : "busy off");
  }
};

}  // namespace qbm::test
