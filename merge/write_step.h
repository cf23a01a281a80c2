#pragma once
// One step of writing a driver or a company. The writers go on past a step that fails the way a
// single value or row can fail (a value its field refuses, a key a unique index already holds, a
// field or index the table lacks, a number out of range): such a step is recorded as a problem and
// skipped. A failure of the file itself (it cannot be read or written, it is damaged or closed)
// is not a step's: it reaches the caller, which stops the merge and rolls it back.

#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/number_or_zero.h"
#include "jet/error.h"
#include "merge/write_problems.h"

namespace qbm {

// True for the engine errors a write step may pass over.
bool IsStepFailure(const jet::Error& error);

// Runs step(); true when it succeeded. A step failure is recorded as "<what>: <reason>" for the
// driver, and false returned; any other error propagates. what is text, or a callable giving it
// (called only on failure, so that steps that succeed build no message).
template <class What, class Step>
bool WriteStep(WriteProblems& problems, const std::string& driver, const What& what, Step&& step) {
  const auto record = [&](const char* reason) {
    std::string text;
    if constexpr (std::is_invocable_v<const What&>)
      text = what();
    else
      text = std::string(what);
    problems.add(driver, text + ": " + reason);
  };
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const jet::Error& e) {
    if (!IsStepFailure(e)) throw;
    record(e.what());
  } catch (const NumericOverflow& e) {
    record(e.what());
  }
  return false;
}

// "\"<field>\" not written", the what of setting one field.
inline auto FieldNotWritten(std::string_view prefix, std::string_view field) {
  return [prefix, field] { return std::string(prefix) + "\"" + std::string(field) + "\" not written"; };
}

}  // namespace qbm
