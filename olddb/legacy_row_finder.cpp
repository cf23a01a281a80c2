#include "olddb/legacy_row_finder.h"

#include "db/field_read.h"
#include "db/legacy_table.h"

namespace qbm {

LegacyRowFinder::LegacyRowFinder(jet::Table& legacyTable) {
  legacyTable.setIndex("");
  const int index = legacyTable.columnIndex(legacy::fields::Index);
  if (index < 0) return;  // no keys: nothing can be found
  for (legacyTable.moveFirst(); !legacyTable.eof(); legacyTable.moveNext())
    rows_.try_emplace(readLong(legacyTable.get(index)), legacyTable.bookmark());
}

std::optional<jet::Bookmark> LegacyRowFinder::find(std::int32_t key) const {
  const auto found = rows_.find(key);
  if (found == rows_.end()) return std::nullopt;
  return found->second;
}

bool LegacyRowFinder::moveTo(jet::Table& legacyTable, std::int32_t key) const {
  const std::optional<jet::Bookmark> row = find(key);
  if (!row) return false;
  legacyTable.setBookmark(*row);
  return true;
}

}  // namespace qbm
