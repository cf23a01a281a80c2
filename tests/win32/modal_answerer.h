#pragma once
// Answers the modal dialogs the Windows window shows while a test drives it, as a person would:
// each message box and task dialog is recorded (title, text, icon, buttons, and the details behind
// "Show Details..." when it has them) and answered with the next queued button (OK, or No for a
// question, when nothing is queued); each open-file dialog is recorded (title, filter choices,
// the name in its name box, whether the read-only box shows) and answered with the next queued
// path (cancelled when nothing is queued). A timer of the thread looks for them, so the dialogs'
// own message loops run it.

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qbm::test {

enum class SeenIcon { None, Critical, Question, Exclamation, Information, Other };

struct SeenMessage {
  std::wstring title;
  std::wstring text;
  SeenIcon icon = SeenIcon::None;
  std::vector<int> buttons;  // IDOK, IDYES, IDNO, ... in the order of their identifiers
  std::wstring details;      // what "Show Details..." shows, when the dialog offers it
  bool taskDialog = false;
};

struct SeenFileDialog {
  std::wstring title;
  std::vector<std::wstring> filters;  // the choices of the file-type box
  int selectedFilter = -1;
  std::wstring fileName;              // the name in the name box when it opened
  bool readOnlyBoxShown = false;
  std::wstring folder;                // the folder it opened in
};

class ModalAnswerer {
 public:
  ModalAnswerer();
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  std::deque<int> buttons;                       // answers to message boxes (IDYES, IDNO, IDOK)
  std::deque<std::optional<std::wstring>> files;  // answers to file dialogs (nothing: cancel)
  std::vector<SeenMessage> messages;
  std::vector<SeenFileDialog> fileDialogs;
  // Called when a file dialog is up, before it is answered: to look at the window behind it.
  std::function<void()> onFileDialog;
  // Called with a message box (or task dialog) while it is up, before it is answered.
  std::function<void(HWND)> onMessage;

 private:
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
  void answer(HWND dialog);
  void answerFileDialog(HWND dialog);
  void answerMessage(HWND dialog);

  UINT_PTR timer_ = 0;
  bool answering_ = false;
};

}  // namespace qbm::test
