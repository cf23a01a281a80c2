#pragma once
// Finding a row of the legacy "woofer data" table by its "Index". A legacy database need not have
// an index to seek on, so the table is walked once and every key's first row remembered; each
// later look-up is a hash look-up and a return to a bookmark instead of a walk per driver.

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "jet/table.h"

namespace qbm {

class LegacyRowFinder {
 public:
  // Walks the table in physical order (selecting it; the cursor is left at the end) and remembers,
  // for every "Index" value, the first row that has it. Engine errors reach the caller.
  explicit LegacyRowFinder(jet::Table& legacyTable);

  // The first row, in physical order, whose "Index" is key.
  std::optional<jet::Bookmark> find(std::int32_t key) const;

  // Makes that row the cursor's current row; false (the cursor unmoved) when there is none.
  bool moveTo(jet::Table& legacyTable, std::int32_t key) const;

 private:
  std::unordered_map<std::int32_t, jet::Bookmark> rows_;
};

}  // namespace qbm
