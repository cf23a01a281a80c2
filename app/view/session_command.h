#pragma once
// One session command run for a window: never while another runs (a command's own work lets the
// window's events through, and a click then must not start a second one). The session reports its
// own failures; an exception it did not foresee is told in a message, after the progress window and
// the busy pointer are put away, so that it never ends the program with the databases open.

#include <functional>

#include "common/user_interface.h"

namespace qbm {

// Runs the command unless `running` is set (false then, nothing done); `running` is set while it runs.
bool RunSessionCommand(bool& running, UserInterface& ui, const std::function<void()>& command);

}  // namespace qbm
