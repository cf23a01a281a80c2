#pragma once
// Changing a usage map in place: the bit of one page set or cleared, in the map's row (inline maps)
// or in its bitmap pages (reference maps), through the page file's open transaction. Each call reads
// the map afresh, so several editors of one map (or an editor used again after the map was changed
// through another) stay correct.
//
// An inline map covers (row length - 5) * 8 pages from its start page. Setting a page outside that
// range moves the start page when every page of the map and the new one fit in the range; otherwise
// the map becomes a reference map (same row: type 1, then 4-byte numbers of bitmap pages, each
// bitmap page covering (page size - 4) * 8 pages), whose bitmap pages come from the caller.
// The database's map of free pages must not move that way (other writers take the pages outside
// its range as free): free_page_map.h widens it instead, before a page outside it is set.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace jet {

class PageFile;

class UsageMapEditor {
 public:
  // Makes a new, empty bitmap page (type 0x05) and returns its number; it must already be marked
  // as in use wherever the database tracks pages.
  using NewMapPage = std::function<std::uint32_t()>;

  // The map whose row is at rowPointer. Throws Error(Damaged) when the row is not a usage map.
  UsageMapEditor(PageFile& file, std::uint32_t rowPointer);

  bool contains(std::uint32_t page);
  // Sets the page's bit. REQUIRES: an open transaction.
  void add(std::uint32_t page, const NewMapPage& newMapPage);
  // Clears the page's bit; nothing happens when it is not set (or outside the map).
  void remove(std::uint32_t page);
  // The lowest page >= from and < to whose bit is set.
  std::optional<std::uint32_t> firstSet(std::uint32_t from, std::uint32_t to);
  // The highest page < below whose bit is set.
  std::optional<std::uint32_t> lastSetBelow(std::uint32_t below);
  // Every page whose bit is set and that is below limit, ascending.
  std::vector<std::uint32_t> pages(std::uint32_t limit);

 private:
  struct Location;
  Location locate();
  // The byte holding the page's bit, as (page number holding the byte, offset in that page), or
  // nullopt when the map has no bit for the page.
  std::optional<std::pair<std::uint32_t, std::size_t>> bitAddress(const Location& at, std::uint32_t page);
  void setBit(std::uint32_t holder, std::size_t offset, std::uint8_t mask, bool on);
  void rewriteInline(const Location& at, std::uint32_t start, const std::vector<std::uint32_t>& pages);
  void promote(const Location& at, const std::vector<std::uint32_t>& pages, const NewMapPage& newMapPage);

  PageFile& file_;
  std::uint32_t rowPointer_;
};

}  // namespace jet
