#pragma once
// How the merge stores record values that mean "nothing" in the new database's fields.

#include <cstdint>
#include <string>

#include "jet/value.h"

namespace qbm {

// An empty text is stored as Null: text fields of driver databases usually refuse empty texts and
// keep their Null default instead; both read back as "".
inline jet::Value TextFieldValue(const std::string& text) {
  return text.empty() ? jet::Value{} : jet::Value{text};
}

// A link of 0 (none) is stored as Null, never as 0.
inline jet::Value LinkFieldValue(std::int32_t id) { return id == 0 ? jet::Value{} : jet::Value{id}; }

}  // namespace qbm
