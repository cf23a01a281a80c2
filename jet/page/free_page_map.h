#pragma once
// The database's map of free pages (row 0 of page 1; a set bit = a free page), kept as Access keeps
// it: it starts at page 0 and covers every page of the file.
//
// Access makes it an inline map (usage_map_page.h gives its size for a file of N pages) whose bits
// for the pages past the end of the file are set: those pages are free to take by growing the file.
// When the inline bitmap no longer fits on page 1 it becomes a reference map in the same row (kind
// 1, then the numbers of bitmap pages; a range without a bitmap page has no free page).
//
// Other writers take a page as free when its bit is set or when it lies outside an inline map's
// range (before its start page or past its end), and reuse it. So a map that does not cover a page
// in use, or lists it as free, lets them write over it.

#include <cstdint>
#include <vector>

#include "jet/page/usage_map_editor.h"

namespace jet {

class PageFile;

struct FreePageMapView {
  bool reference = false;
  std::uint64_t start = 0;  // the map has bits for the pages [start, end)
  std::uint64_t end = 0;
  std::vector<std::uint32_t> listed;  // pages of the file whose bit is set, ascending

  // Starts at page 0 and reaches past the last page of a file of pageCount pages.
  bool coversFile(std::uint64_t pageCount) const { return start == 0 && end >= pageCount; }
  // Whether a writer that follows the map may take the page (bit set, or outside an inline map).
  bool takenAsFree(std::uint32_t page) const;
};

// Reads the map. Throws Error(Damaged) when row 0 of page 1 is not a usage map.
FreePageMapView readFreePageMap(PageFile& file);

// Writes the map anew in Access's layout for the file as it is now: the pages in `freePages` (and,
// inline, every page past the end of the file) listed free, every other page in use.
// REQUIRES: an open transaction. newMapPage makes a bitmap page when the map is a reference map;
// the page it adds to the file must come after the pages already there.
void writeFreePageMap(PageFile& file, const std::vector<std::uint32_t>& freePages,
                      const UsageMapEditor::NewMapPage& newMapPage);

// Whether the page holds only zero bytes: nothing on it can be lost, whatever the maps say of it.
bool pageIsEmpty(PageFile& file, std::uint32_t page);

// After the file grew: when the map no longer covers every page, writes it again (writeFreePageMap)
// with the pages it lists free now; pages it did not cover are then in use. Cheap when it covers.
void coverFileWithFreePageMap(PageFile& file, const UsageMapEditor::NewMapPage& newMapPage);

}  // namespace jet
