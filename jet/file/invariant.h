#pragma once
// Checks of the numbered invariants a file states at its top. They hold unless the engine itself is
// wrong; a broken one stops the operation with Error(InvalidState) naming it (in every build: the
// checks are cheap next to the writes they guard, and going on could damage a file).

#include <string>

#include "jet/error.h"

namespace jet::detail {

[[noreturn]] inline void invariantBroken(const char* where, int number) {
  throw Error(ErrorCode::InvalidState,
              std::string("internal error: invariant ") + std::to_string(number) + " of " + where + " does not hold");
}

}  // namespace jet::detail

#define JET_INVARIANT(where, number, condition)                         \
  do {                                                                  \
    if (!(condition)) ::jet::detail::invariantBroken(where, number);    \
  } while (false)
