#pragma once
// Table, column and index definitions: what a table's definition holds when read from a file, and
// what a caller passes to create a table.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/value.h"

namespace jet {

struct ColumnDefinition {
  std::string name;
  ColumnType type = ColumnType::Text;
  // Text: maximum characters (1..255); Binary: maximum bytes (1..255). 0 = the type's default
  // (255 for Text and Binary). Ignored for the other types.
  int size = 0;
  bool autonumber = false;  // Long: the table's counter fills it on insert; Guid: a new random GUID
  bool required = false;    // Null refused on update
  bool fixedLength = false;  // read only: Text stored in the fixed part of the row
  std::uint8_t precision = 18;  // Decimal only
  std::uint8_t scale = 0;       // Decimal only
};

struct IndexColumn {
  std::string name;
  bool descending = false;
};

struct IndexDefinition {
  std::string name;
  std::vector<IndexColumn> columns;
  bool primary = false;      // implies unique
  bool unique = false;
  bool ignoreNulls = false;  // rows whose key columns are all Null get no entry
  bool required = false;     // key columns may not be Null
  bool foreign = false;      // read only: the index belongs to a relationship
};

struct TableDefinition {
  std::string name;
  std::vector<ColumnDefinition> columns;
  std::vector<IndexDefinition> indexes;
};

}  // namespace jet
