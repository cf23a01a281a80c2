#include "jet/check/free_page_map_repair.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/page/free_page_map.h"
#include "jet/file/page_file.h"

namespace jet {

FreePageMapRepair repairFreePageMap(Database& db) {
  detail::DatabaseCore& core = detail::coreOf(db);
  PageFile& file = core.file();
  if (!file.inTransaction()) throw Error(ErrorCode::InvalidState, "the free-page map is repaired inside a transaction");
  const std::uint32_t pageCount = file.pageCount();
  FreePageMapView map = readFreePageMap(file);
  if (map.coversFile(pageCount) &&
      std::all_of(map.listed.begin(), map.listed.end(), [&](std::uint32_t p) { return pageIsEmpty(file, p); }))
    return {};

  std::vector<bool> owned = core.ownedPages();
  FreePageMapRepair repair;
  std::vector<std::uint32_t> free;
  for (std::uint32_t page = 0; page < pageCount; ++page) {
    if (!map.takenAsFree(page)) continue;
    if (page < owned.size() && owned[page])
      ++repair.pagesInUseTakenAsFree;
    else
      free.push_back(page);
  }
  if (map.coversFile(pageCount) && repair.pagesInUseTakenAsFree == 0) return repair;
  core.allocator().rebuildFreePageMap(free, std::move(owned));
  repair.rebuilt = true;
  return repair;
}

}  // namespace jet
