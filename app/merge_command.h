#pragma once
// The one place where the window runs the merge ("Merge >", MMerge_Click). The merge command joins
// the session separately; until the session has it, the button is shown by UpdateMergeButton as
// usual but has nothing to run.

#include "session/session.h"

namespace qbm {

template <class S>
concept HasMergeCommand = requires(S& session) { session.MMerge_Click(); };

// True once the session has the merge command.
inline constexpr bool MergeCommandAvailable = HasMergeCommand<Session>;

// Runs the session's merge command when it has one.
template <class S>
void RunMergeCommand(S& session) {
  if constexpr (HasMergeCommand<S>) session.MMerge_Click();
}

}  // namespace qbm
