#pragma once
// The file of a new, empty database before its catalog rows are written: the header page, the map
// of free pages (page 1), the system tables' definitions on pages 2 to 5, data pages holding their
// usage maps, and one empty leaf page per index tree. The catalog rows (MSysObjects, MSysACEs) are
// then added through the row writer, which also fills the index trees.

#include <cstdint>
#include <vector>

#include "jet/file/format.h"
#include "jet/value.h"

namespace jet {

struct NewDatabaseImage {
  std::vector<std::uint8_t> bytes;              // the whole file
  std::vector<std::uint32_t> systemTablePages;  // first TDEF page of each systemTableDefinitions() table
};

// REQUIRES: a code page encodeDatabaseHeader accepts (Error(Unsupported) otherwise).
NewDatabaseImage buildNewDatabase(Format version, std::uint16_t codePage, DateTime created);

}  // namespace jet
