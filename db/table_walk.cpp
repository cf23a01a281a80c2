#include "db/table_walk.h"

#include <algorithm>
#include <cctype>

namespace qbm {

void SelectIndex(jet::Table& table, std::string_view indexName) {
  const std::string& current = table.currentIndex();
  const bool same = current.size() == indexName.size() &&
                    std::equal(current.begin(), current.end(), indexName.begin(), [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                    });
  if (!same) table.setIndex(indexName);
}

jet::Value valueAt(const jet::Table& table, int column) {
  return column < 0 ? jet::Value{} : table.get(column);
}

}  // namespace qbm
