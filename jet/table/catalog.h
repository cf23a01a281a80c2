#pragma once
// The catalog: the table entries of the system table MSysObjects, whose definition is always on
// page 2. Each entry names a table and the first page of its definition.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/value.h"

namespace jet {

class PageFile;

struct CatalogEntry {
  std::string name;
  std::uint32_t firstPage = 0;  // first TDEF page
  std::uint32_t flags = 0;
  bool system = false;          // system tables (MSys...) are not listed to callers
  Bytes properties;             // the table's property block (LvProp, property_block.h); empty when
                                // it has none or it cannot be read
};

// The local tables of the database, in catalog (physical) order. Linked tables and other objects are
// left out. Throws Error(Damaged) when the catalog cannot be read.
std::vector<CatalogEntry> readCatalog(PageFile& file);

}  // namespace jet
