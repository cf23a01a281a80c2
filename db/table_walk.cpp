#include "db/table_walk.h"

namespace qbm {

long CountRows(jet::Table& table) {
  long rows = 0;
  for (table.moveFirst(); !table.eof(); table.moveNext()) ++rows;
  return rows;
}

jet::Value valueAt(const jet::Table& table, int column) {
  return column < 0 ? jet::Value{} : table.get(column);
}

}  // namespace qbm
