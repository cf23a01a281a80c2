#pragma once
// Usage maps: bitmaps of page numbers, kept in a row (the row pointer is stored in a table
// definition). An inline map holds a start page and the bitmap; a reference map holds the numbers of
// bitmap pages (type 0x05), each covering a fixed range of pages.

#include <cstdint>
#include <vector>

namespace jet {

class PageFile;

struct UsageMapPages {
  std::vector<std::uint32_t> pages;  // pages whose bit is set and that exist in the file, ascending
  std::uint32_t beyondEnd = 0;       // bits set for pages past the end of the file (damage)
  std::uint32_t unreadableBitmaps = 0;  // bitmap pages passed over (UsageMapRead::PassOver only)
};

// What a bitmap page of a reference map that is not where the map says does to the read: an error
// (Strict), or it is passed over and counted, its range of pages left out (PassOver, for readers
// that keep what they can read of a damaged file).
enum class UsageMapRead { Strict, PassOver };

// Reads the map whose row is at rowPointer (row number in the low byte, page above it).
// Throws Error(Damaged) when the row, or (Strict) a bitmap page, is not where the map says.
UsageMapPages readUsageMap(PageFile& file, std::uint32_t rowPointer, UsageMapRead mode = UsageMapRead::Strict);

}  // namespace jet
