#pragma once
// A row of a driver table of the NEW database, as the merge names it: its ID and where it is.

#include <cstdint>
#include <optional>

#include "jet/table.h"

namespace qbm {

// The row of one driver table that is being replaced, or that was just written.
struct MergeRow {
  std::int32_t id = 0;                    // its "ID"
  std::optional<jet::Bookmark> bookmark;  // nothing until a row is known
};

}  // namespace qbm
