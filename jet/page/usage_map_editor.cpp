#include "jet/page/usage_map_editor.h"

#include <algorithm>
#include <string>

#include "jet/file/bytes.h"
#include "jet/page/data_page.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

namespace um = format::usage_map;

struct UsageMapEditor::Location {
  std::uint32_t page = 0;     // the data page holding the map's row
  std::size_t rowStart = 0;
  std::size_t rowEnd = 0;
  std::uint8_t type = 0;
  PageRef holder;
  ByteSpan row() const { return holder->bytes().subspan(rowStart, rowEnd - rowStart); }
};

namespace {

// A run of bitmap bytes whose first bit stands for page `first`.
struct Segment {
  std::uint64_t first = 0;
  PageRef holder;  // keeps the bytes alive
  ByteSpan bits;
};

std::uint64_t pagesPerMapPage(const PageFile& file) {
  return (file.pageSize() - um::kMapPageBitmapOffset) * 8ull;
}

std::size_t referenceSlots(std::size_t rowLength) { return rowLength > 1 ? (rowLength - 1) / 4 : 0; }

bool validMapPage(const PageFile& file, std::uint32_t page) {
  return page != 0 && static_cast<std::int32_t>(page) > 0 && page < file.pageCount();
}

}  // namespace

UsageMapEditor::UsageMapEditor(PageFile& file, std::uint32_t rowPointer) : file_(file), rowPointer_(rowPointer) {
  locate();
}

UsageMapEditor::Location UsageMapEditor::locate() {
  RowLocation at = rowLocationFromPointer(rowPointer_);
  Location loc;
  loc.page = at.page;
  loc.holder = file_.page(at.page, format::page_type::kData, "a usage map");
  if (at.row >= dataRowCount(*loc.holder, file_.layout()))
    throw Error(ErrorCode::Damaged, "a usage map points to a missing row of page " + std::to_string(at.page));
  RowSlot slot = dataRowSlot(*loc.holder, file_.layout(), at.row);
  if (slot.deleted || slot.end - slot.start < 1)
    throw Error(ErrorCode::Damaged, "a usage map points to a deleted row of page " + std::to_string(at.page));
  loc.rowStart = slot.start;
  loc.rowEnd = slot.end;
  loc.type = loc.holder->bytes()[slot.start];
  if (loc.type == um::kInline && loc.rowEnd - loc.rowStart < um::kInlineBitmapOffset)
    throw Error(ErrorCode::Damaged, "an inline usage map on page " + std::to_string(at.page) + " is too short");
  if (loc.type != um::kInline && loc.type != um::kReference)
    throw Error(ErrorCode::Damaged, "a usage map on page " + std::to_string(at.page) + " has an unknown kind");
  return loc;
}

namespace {

std::vector<Segment> segmentsOf(PageFile& file, ByteSpan row, std::uint8_t type, PageRef holder) {
  std::vector<Segment> out;
  if (type == um::kInline) {
    out.push_back({bytes::u32(row, um::kInlineStartOffset), holder, row.subspan(um::kInlineBitmapOffset)});
    return out;
  }
  std::uint64_t per = pagesPerMapPage(file);
  std::size_t slots = referenceSlots(row.size());
  for (std::size_t i = 0; i < slots; ++i) {
    std::uint32_t mapPage = bytes::u32(row, um::kReferencePagesOffset + 4 * i);
    if (!validMapPage(file, mapPage)) continue;
    PageRef bitmap = file.page(mapPage, format::page_type::kUsageMap, "a usage bitmap");
    out.push_back({i * per, bitmap, bitmap->bytes().subspan(um::kMapPageBitmapOffset)});
  }
  return out;
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::size_t>> UsageMapEditor::bitAddress(const Location& at,
                                                                                 std::uint32_t page) {
  ByteSpan row = at.row();
  if (at.type == um::kInline) {
    std::uint32_t start = bytes::u32(row, um::kInlineStartOffset);
    if (page < start) return std::nullopt;
    std::uint64_t index = page - start;
    if (index >= (row.size() - um::kInlineBitmapOffset) * 8ull) return std::nullopt;
    return std::make_pair(at.page, at.rowStart + um::kInlineBitmapOffset + static_cast<std::size_t>(index / 8));
  }
  std::uint64_t per = pagesPerMapPage(file_);
  std::uint64_t slot = page / per;
  if (slot >= referenceSlots(row.size())) return std::nullopt;
  std::uint32_t mapPage = bytes::u32(row, um::kReferencePagesOffset + 4 * static_cast<std::size_t>(slot));
  if (!validMapPage(file_, mapPage)) return std::nullopt;
  file_.page(mapPage, format::page_type::kUsageMap, "a usage bitmap");
  return std::make_pair(mapPage, um::kMapPageBitmapOffset + static_cast<std::size_t>((page % per) / 8));
}

bool UsageMapEditor::contains(std::uint32_t page) {
  Location at = locate();
  auto address = bitAddress(at, page);
  if (!address) return false;
  PageRef holder = file_.page(address->first);
  std::uint64_t index = at.type == um::kInline ? page - bytes::u32(at.row(), um::kInlineStartOffset)
                                               : page % pagesPerMapPage(file_);
  return (holder->bytes()[address->second] >> (index % 8)) & 1;
}

void UsageMapEditor::setBit(std::uint32_t holder, std::size_t offset, std::uint8_t mask, bool on) {
  PageRef current = file_.page(holder);
  std::uint8_t byte = current->bytes()[offset];
  std::uint8_t wanted = on ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
  if (wanted == byte) return;
  file_.modifyPage(holder, [&](auto& copy) { copy[offset] = wanted; });
}

void UsageMapEditor::add(std::uint32_t page, const NewMapPage& newMapPage) {
  Location at = locate();
  std::uint64_t index = 0;
  if (auto address = bitAddress(at, page)) {
    index = at.type == um::kInline ? page - bytes::u32(at.row(), um::kInlineStartOffset) : page % pagesPerMapPage(file_);
    setBit(address->first, address->second, static_cast<std::uint8_t>(1u << (index % 8)), true);
    return;
  }
  if (at.type == um::kInline) {
    std::vector<std::uint32_t> current = pages(file_.pageCount());
    current.push_back(page);
    std::sort(current.begin(), current.end());
    std::uint64_t capacity = (at.rowEnd - at.rowStart - um::kInlineBitmapOffset) * 8ull;
    if (current.back() - current.front() < capacity) {
      rewriteInline(at, current.front(), current);
    } else {
      promote(at, current, newMapPage);
    }
    return;
  }
  // A reference map without a bitmap page for this range yet.
  std::uint64_t per = pagesPerMapPage(file_);
  std::uint64_t slot = page / per;
  if (slot >= referenceSlots(at.rowEnd - at.rowStart))
    throw Error(ErrorCode::Io, "the database has grown past what its page maps can describe");
  std::uint32_t mapPage = newMapPage();
  at = locate();  // making the bitmap page may have changed the page holding this row
  file_.modifyPage(at.page, [&](auto& copy) {
    bytes::put32(copy, at.rowStart + um::kReferencePagesOffset + 4 * static_cast<std::size_t>(slot), mapPage);
  });
  index = page % per;
  setBit(mapPage, um::kMapPageBitmapOffset + static_cast<std::size_t>(index / 8),
         static_cast<std::uint8_t>(1u << (index % 8)), true);
}

void UsageMapEditor::remove(std::uint32_t page) {
  Location at = locate();
  auto address = bitAddress(at, page);
  if (!address) return;
  std::uint64_t index =
      at.type == um::kInline ? page - bytes::u32(at.row(), um::kInlineStartOffset) : page % pagesPerMapPage(file_);
  setBit(address->first, address->second, static_cast<std::uint8_t>(1u << (index % 8)), false);
}

std::optional<std::uint32_t> UsageMapEditor::firstSet(std::uint32_t from, std::uint32_t to) {
  Location at = locate();
  for (const Segment& s : segmentsOf(file_, at.row(), at.type, at.holder)) {
    std::uint64_t end = s.first + s.bits.size() * 8ull;
    if (end <= from || s.first >= to) continue;
    std::uint64_t index = from > s.first ? from - s.first : 0;
    for (std::size_t byte = static_cast<std::size_t>(index / 8); byte < s.bits.size(); ++byte) {
      std::uint8_t b = s.bits[byte];
      if (!b) continue;
      for (int bit = 0; bit < 8; ++bit) {
        if (!(b & (1u << bit))) continue;
        std::uint64_t page = s.first + byte * 8ull + bit;
        if (page < from) continue;
        if (page >= to) return std::nullopt;
        return static_cast<std::uint32_t>(page);
      }
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> UsageMapEditor::lastSetBelow(std::uint32_t below) {
  Location at = locate();
  std::vector<Segment> segments = segmentsOf(file_, at.row(), at.type, at.holder);
  for (auto s = segments.rbegin(); s != segments.rend(); ++s) {
    if (s->first >= below) continue;
    std::uint64_t limit = std::min<std::uint64_t>(below - s->first, s->bits.size() * 8ull);  // bits [0, limit)
    for (std::size_t byte = static_cast<std::size_t>((limit + 7) / 8); byte-- > 0;) {
      std::uint8_t b = s->bits[byte];
      if (!b) continue;
      for (int bit = 7; bit >= 0; --bit) {
        std::uint64_t index = byte * 8ull + bit;
        if (index >= limit || !(b & (1u << bit))) continue;
        return static_cast<std::uint32_t>(s->first + index);
      }
    }
  }
  return std::nullopt;
}

std::vector<std::uint32_t> UsageMapEditor::pages(std::uint32_t limit) {
  Location at = locate();
  std::vector<std::uint32_t> out;
  for (const Segment& s : segmentsOf(file_, at.row(), at.type, at.holder)) {
    for (std::size_t byte = 0; byte < s.bits.size(); ++byte) {
      std::uint8_t b = s.bits[byte];
      if (!b) continue;
      for (int bit = 0; bit < 8; ++bit) {
        std::uint64_t page = s.first + byte * 8ull + bit;
        if ((b & (1u << bit)) && page < limit) out.push_back(static_cast<std::uint32_t>(page));
      }
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void UsageMapEditor::rewriteInline(const Location& at, std::uint32_t start, const std::vector<std::uint32_t>& pages) {
  file_.modifyPage(at.page, [&](auto& copy) {
    std::fill(copy.begin() + static_cast<std::ptrdiff_t>(at.rowStart + 1), copy.begin() + static_cast<std::ptrdiff_t>(at.rowEnd), 0);
    bytes::put32(copy, at.rowStart + um::kInlineStartOffset, start);
    for (std::uint32_t page : pages) {
      std::uint32_t index = page - start;
      copy[at.rowStart + um::kInlineBitmapOffset + index / 8] |= static_cast<std::uint8_t>(1u << (index % 8));
    }
  });
}

void UsageMapEditor::promote(const Location& at, const std::vector<std::uint32_t>& pages, const NewMapPage& newMapPage) {
  file_.modifyPage(at.page, [&](auto& copy) {
    std::fill(copy.begin() + static_cast<std::ptrdiff_t>(at.rowStart), copy.begin() + static_cast<std::ptrdiff_t>(at.rowEnd), 0);
    copy[at.rowStart] = um::kReference;
  });
  for (std::uint32_t page : pages) add(page, newMapPage);
}

}  // namespace jet
