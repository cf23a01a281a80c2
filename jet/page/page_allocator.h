#pragma once
// Pages for tables and indexes, with the database's map of free pages (row 0 of page 1: a set bit =
// a free page) and the owners' usage maps kept exact: a page taken is marked in use and added to its
// owner's maps; a page given back is taken out of them and marked free.
//
// New pages come from the lowest page the database lists as free, else from the end of the file.
// Bitmap pages that a usage map needs when it becomes a reference map are always added at the end
// of the file (they are marked in use in the free-page map like any other). As the file grows, the
// free-page map grows with it so that it covers every page (free_page_map.h).
//
// Another writer may have listed as free a page that is still in use. So a page listed free is
// taken only when it is empty (all zero bytes: nothing can be lost) or when the owners of the
// file's pages, asked for once and kept up to date as pages are taken and given back, show that
// nothing uses it; a page in use is left alone and remembered (ownedButListedFree()).

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace jet {

class PageFile;
struct StoredTableDefinition;
struct RealIndex;

class PageAllocator {
 public:
  explicit PageAllocator(PageFile& file);

  // Takes a page, fills it with contents and adds it to each usage map in ownerMaps (row pointers
  // of the maps, as a table definition stores them). Returns its number.
  // REQUIRES: an open transaction; contents.size() == page size (Error(InvalidState)).
  std::uint32_t allocate(std::vector<std::uint8_t> contents, const std::vector<std::uint32_t>& ownerMaps);
  // Gives a page back: its bytes are cleared, it leaves each map in ownerMaps and is listed free.
  void release(std::uint32_t page, const std::vector<std::uint32_t>& ownerMaps);

  // A data page of the table (in its owned-pages and free-space maps), empty, with its header.
  std::uint32_t allocateDataPage(const StoredTableDefinition& table);
  // An empty long-value (LVAL) page; owned by the maps given (a column's maps, or none).
  std::uint32_t allocateLongValuePage(const std::vector<std::uint32_t>& ownerMaps);
  // A page for an index tree (in the index's usage map); contents as for allocate().
  std::uint32_t allocateIndexPage(const RealIndex& index, std::vector<std::uint8_t> contents);

  // Adds the page to / removes it from one usage map (e.g. a table's free-space map as a page
  // fills up or gets room again).
  void addToMap(std::uint32_t rowPointer, std::uint32_t page);
  void removeFromMap(std::uint32_t rowPointer, std::uint32_t page);

  // Which pages of the file something uses (index = page number), from the tables, indexes, long
  // values and usage maps. Asked for at most once between rollbacks, when a page listed free is
  // not empty.
  using OwnedPages = std::function<std::vector<bool>()>;
  void setOwnedPages(OwnedPages owned) { ownedPages_ = std::move(owned); }
  // Pages listed free that were left alone because something uses them, ascending: the free-page
  // map needs repair.
  const std::vector<std::uint32_t>& ownedButListedFree() const { return ownedButListedFree_; }

  // Writes the free-page map anew in Access's layout (free_page_map.h) with exactly `freePages`
  // listed free; `owned` (as OwnedPages gives it) is kept for the pages taken afterwards.
  // REQUIRES: an open transaction.
  void rebuildFreePageMap(const std::vector<std::uint32_t>& freePages, std::vector<bool> owned);

  // Forgets what the allocator remembers about the maps (after a rollback).
  void reset();

 private:
  std::uint32_t newMapPage();
  std::uint32_t appendPage(std::vector<std::uint8_t> contents);
  bool inUse(std::uint32_t page);
  void noteOwned(std::uint32_t page, bool owned);

  PageFile& file_;
  std::uint32_t searchFrom_ = 1;  // no free page lies below this one
  OwnedPages ownedPages_;
  std::optional<std::vector<bool>> owned_;  // once asked for; kept up to date
  std::vector<std::uint32_t> ownedButListedFree_;
};

// An empty data page of the given owner (a table's first TDEF page), or an LVAL page when owner is 0.
std::vector<std::uint8_t> emptyDataPage(const PageFile& file, std::uint32_t owner, bool longValues);

}  // namespace jet
