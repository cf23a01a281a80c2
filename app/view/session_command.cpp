#include "app/view/session_command.h"

#include <exception>
#include <string>

namespace qbm {

bool RunSessionCommand(bool& running, UserInterface& ui, const std::function<void()>& command) {
  if (running) return false;
  running = true;
  try {
    command();
  } catch (const std::exception& e) {
    ui.hideProgress();
    ui.setBusy(false);
    ui.showMessage(std::string("The operation could not be finished: ") + e.what(), MessageIcon::Critical);
  }
  running = false;
  return true;
}

}  // namespace qbm
