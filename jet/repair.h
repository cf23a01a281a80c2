#pragma once
// Repairs the engine offers its callers before they write. The map of free pages: a map that does
// not start at page 0 and cover every page of the file, or that lists a page in use as free, is
// written anew in Access's layout. Pages that nothing uses keep what the map said of them (a page
// outside the old map's range counts as listed free, as other writers take it); every page in use
// is marked in use. (check/free_page_map_repair.cpp does it.)

#include <cstddef>

namespace jet {

class Database;

struct FreePageMapRepair {
  bool rebuilt = false;
  std::size_t pagesInUseTakenAsFree = 0;  // pages in use the old map listed free or did not cover
};

// Checks the map and rebuilds it when it needs it. Cheap when the map covers the file and every
// page it lists free is empty; otherwise reads what uses every page (every row with memo or OLE
// values included). REQUIRES: an open transaction (Error(InvalidState)). Throws Error(Damaged) when
// the map cannot be read.
FreePageMapRepair repairFreePageMap(Database& db);

}  // namespace jet
