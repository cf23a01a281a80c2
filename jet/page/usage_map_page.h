#pragma once
// New data pages that hold usage maps, as Access lays them out: each map an inline map row (kind 0,
// start page 0, then a bitmap of 64 bytes in Jet 4 and 128 in Jet 3), stored like any row of a data
// page. Page 1 of every database holds two such rows, the first being the map of free pages.

#include <cstdint>
#include <vector>

#include "jet/file/format.h"

namespace jet {

// Bytes of one inline map row.
std::size_t inlineUsageMapRowSize(const format::Layout& layout);
// How many inline map rows fit on one data page.
std::size_t usageMapRowsPerPage(const format::Layout& layout);

// A data page of the given owner field holding `rows` empty inline maps (rows 0 .. rows-1).
// REQUIRES: rows <= usageMapRowsPerPage(layout) (Error(InvalidState) otherwise).
std::vector<std::uint8_t> usageMapPage(const format::Layout& layout, std::uint32_t owner, std::size_t rows);

// Bitmap bytes of the map of free pages (row 0 of page 1) kept inline for a file of pageCount
// pages. Access starts it at page 0 with the bitmap of any other map (512 pages in Jet 4, 1024 in
// Jet 3) and widens it as the file grows (a 743-page Jet 4 file of Access's has 96 bytes, 768
// pages): here in steps of 32 bytes, the smallest bitmap that reaches past the last page.
std::size_t freePageMapBitmapBytes(const format::Layout& layout, std::uint64_t pageCount);
// Page numbers a reference map row holds: as many as the bytes of an inline map row give, which
// covers the largest file of the format (Jet 4: 17 bitmap pages of 32,736 pages each; Jet 3: 33 of
// 16,352).
std::size_t referenceUsageMapSlots(const format::Layout& layout);

// Page 1 of a new database of pageCount pages: the map of free pages (every page from pageCount on
// is free, as far as the map reaches) and the second, empty map Access keeps beside it.
std::vector<std::uint8_t> globalUsageMapPage(const format::Layout& layout, std::uint32_t pageCount);

}  // namespace jet
