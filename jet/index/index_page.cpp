#include "jet/index/index_page.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {
namespace {

constexpr std::size_t kRowPointerSize = 4;  // 3-byte page + 1-byte row, big-endian
constexpr std::size_t kChildPointerSize = 4;

std::uint32_t bigEndian(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

[[noreturn]] void damagedPage(std::uint32_t number, const std::string& what) {
  throwDamaged("index page " + std::to_string(number) + ": " + what);
}

// The entry whose whole bytes are `prefix` followed by `rest`: key, row and child.
IndexEntry splitEntry(ByteSpan prefix, ByteSpan rest, bool leaf, std::uint32_t number) {
  std::size_t trailer = kRowPointerSize + (leaf ? 0 : kChildPointerSize);
  std::size_t size = prefix.size() + rest.size();
  if (size < trailer) damagedPage(number, "an entry is shorter than its row pointer");
  std::uint8_t pointers[kRowPointerSize + kChildPointerSize];
  for (std::size_t k = 0; k < trailer; ++k) {
    std::size_t at = size - trailer + k;
    pointers[k] = at < prefix.size() ? prefix[at] : rest[at - prefix.size()];
  }
  IndexEntry e;
  std::size_t keyLength = size - trailer;
  e.key.reserve(keyLength);
  std::size_t fromPrefix = std::min(keyLength, prefix.size());
  e.key.assign(prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(fromPrefix));
  e.key.insert(e.key.end(), rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(keyLength - fromPrefix));
  e.row.page = bigEndian(pointers, 3);
  e.row.row = pointers[3];
  if (!leaf) e.child = bigEndian(pointers + kRowPointerSize, 4);
  return e;
}

void appendBig(Bytes& out, std::uint32_t v, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

Bytes wholeEntry(const IndexEntry& entry, bool leaf) {
  Bytes out;
  out.reserve(wholeEntrySize(entry, leaf));
  out.insert(out.end(), entry.key.begin(), entry.key.end());
  appendBig(out, entry.row.page, 3);
  out.push_back(static_cast<std::uint8_t>(entry.row.row));
  if (!leaf) appendBig(out, entry.child, 4);
  return out;
}

std::size_t wholeEntrySize(const IndexEntry& entry, bool leaf) {
  return entry.key.size() + kRowPointerSize + (leaf ? 0 : kChildPointerSize);
}

namespace {

// Byte k of an entry's whole bytes (key, row pointer, child pointer), without building them.
// REQUIRES: k < wholeEntrySize(e, leaf).
std::uint8_t wholeEntryByte(const IndexEntry& e, std::size_t k) {
  if (k < e.key.size()) return e.key[k];
  switch (k - e.key.size()) {
    case 0: return static_cast<std::uint8_t>(e.row.page >> 16);
    case 1: return static_cast<std::uint8_t>(e.row.page >> 8);
    case 2: return static_cast<std::uint8_t>(e.row.page);
    case 3: return static_cast<std::uint8_t>(e.row.row);
    case 4: return static_cast<std::uint8_t>(e.child >> 24);
    case 5: return static_cast<std::uint8_t>(e.child >> 16);
    case 6: return static_cast<std::uint8_t>(e.child >> 8);
    default: return static_cast<std::uint8_t>(e.child);
  }
}

// Writes the entry's whole bytes from byte `skip` on to out; returns how many were written.
std::size_t writeWholeEntry(const IndexEntry& e, bool leaf, std::size_t skip, std::uint8_t* out) {
  std::size_t size = wholeEntrySize(e, leaf);
  std::size_t k = skip;
  if (k < e.key.size()) {
    std::copy(e.key.begin() + static_cast<std::ptrdiff_t>(k), e.key.end(), out);
    k = e.key.size();
  }
  for (; k < size; ++k) out[k - skip] = wholeEntryByte(e, k);
  return size - skip;
}

// How many leading whole-entry bytes a and b share, at most limit.
std::size_t sharedPrefix(const IndexEntry& a, const IndexEntry& b, bool leaf, std::size_t limit) {
  limit = std::min({limit, wholeEntrySize(a, leaf), wholeEntrySize(b, leaf)});
  std::size_t keyPart = std::min({limit, a.key.size(), b.key.size()});
  std::size_t k = 0;
  // Most entries share the whole prefix found so far: one block compare settles them.
  if (keyPart > 0 && std::memcmp(a.key.data(), b.key.data(), keyPart) == 0)
    k = keyPart;
  else
    while (k < keyPart && a.key[k] == b.key[k]) ++k;
  if (k == keyPart)
    while (k < limit && wholeEntryByte(a, k) == wholeEntryByte(b, k)) ++k;
  return k;
}

std::size_t prefixFieldLimit(const format::Layout& layout) {
  return layout.indexPrefixLengthSize == 1 ? 0xFF : 0xFFFF;
}

}  // namespace

std::size_t commonPrefixLength(std::span<const IndexEntry> entries, bool leaf,
                               const format::Layout& layout) {
  if (entries.size() < 2) return 0;
  std::size_t n = wholeEntrySize(entries.front(), leaf);
  for (std::size_t i = 1; i < entries.size() && n > 0; ++i) n = sharedPrefix(entries.front(), entries[i], leaf, n);
  return std::min(n, prefixFieldLimit(layout));
}

std::size_t sortedCommonPrefixLength(std::span<const IndexEntry> entries, bool leaf,
                                     const format::Layout& layout) {
  if (entries.size() < 2) return 0;
  std::size_t n = sharedPrefix(entries.front(), entries.back(), leaf, wholeEntrySize(entries.front(), leaf));
  return std::min(n, prefixFieldLimit(layout));
}

std::size_t accessPrefixLength(std::span<const IndexEntry> entries, bool leaf, const format::Layout& layout,
                               bool sorted) {
  if (entryAreaSize(entries, leaf, 0) <= layout.pageSize - layout.indexEntriesOffset) return 0;
  return sorted ? sortedCommonPrefixLength(entries, leaf, layout) : commonPrefixLength(entries, leaf, layout);
}

std::size_t entryAreaSize(std::span<const IndexEntry> entries, bool leaf, std::size_t prefixLength) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::size_t size = wholeEntrySize(entries[i], leaf);
    total += i == 0 ? size : size - std::min(size, prefixLength);
  }
  return total;
}

bool fitsInOnePage(std::span<const IndexEntry> entries, bool leaf, const format::Layout& layout, bool sorted) {
  const std::size_t area = layout.pageSize - layout.indexEntriesOffset;
  const std::size_t whole = entryAreaSize(entries, leaf, 0);
  if (whole <= area) return true;
  std::size_t prefix = sorted ? sortedCommonPrefixLength(entries, leaf, layout) : commonPrefixLength(entries, leaf, layout);
  // Every entry holds the shared prefix, so every entry after the first is that much shorter.
  return whole - (entries.size() - 1) * prefix <= area;
}

std::vector<std::uint8_t> encodeIndexPage(const IndexPage& page, const format::Layout& layout) {
  const std::size_t areaStart = layout.indexEntriesOffset;
  const std::size_t area = layout.pageSize - areaStart;
  const std::size_t prefix = page.prefixLength;
  const std::size_t prefixLimit = layout.indexPrefixLengthSize == 1 ? 0xFF : 0xFFFF;
  if (prefix > prefixLimit || (prefix > 0 && page.entries.size() < 2))
    throw Error(ErrorCode::InvalidState, "index page: the shared prefix is longer than the entries share");

  std::vector<std::uint8_t> out(layout.pageSize, 0);
  out[0] = page.leaf ? format::page_type::kIndexLeaf : format::page_type::kIndexIntermediate;
  out[1] = 0x01;
  bytes::put32(out, 4, page.tablePage);
  bytes::put32(out, layout.indexPrevPageOffset, page.previous);
  bytes::put32(out, layout.indexNextPageOffset, page.next);
  bytes::put32(out, layout.indexTailPageOffset, page.tail);
  if (layout.indexPrefixLengthSize == 1)
    bytes::put8(out, layout.indexPrefixLengthOffset, static_cast<std::uint8_t>(prefix));
  else
    bytes::put16(out, layout.indexPrefixLengthOffset, static_cast<std::uint16_t>(prefix));
  if (!page.leaf) out[layout.indexPrefixLengthOffset + layout.indexPrefixLengthSize] = 0x01;

  // One pass: each entry is checked (pointers, room, the shared prefix) and written.
  const std::uint8_t* first = out.data() + areaStart;  // the first entry, stored whole
  std::size_t used = 0;
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    const IndexEntry& e = page.entries[i];
    if (e.row.page > 0xFFFFFF || e.row.row > 0xFF || (!page.leaf && e.child == 0))
      throw Error(ErrorCode::InvalidState, "index page: an entry's pointer cannot be stored");
    std::size_t size = wholeEntrySize(e, page.leaf);
    std::size_t skip = i == 0 ? 0 : prefix;
    if (i == 0 && size < prefix)
      throw Error(ErrorCode::InvalidState, "index page: the shared prefix is longer than the entries share");
    if (skip > 0) {
      std::size_t keyPart = std::min(skip, e.key.size());
      bool shares = size >= skip && std::memcmp(first, e.key.data(), keyPart) == 0;
      for (std::size_t k = keyPart; shares && k < skip; ++k) shares = first[k] == wholeEntryByte(e, k);
      if (!shares) throw Error(ErrorCode::InvalidState, "index page: the shared prefix is longer than the entries share");
    }
    if (used + (size - skip) > area) throw Error(ErrorCode::InvalidState, "index page: the entries do not fit in one page");
    used += writeWholeEntry(e, page.leaf, skip, out.data() + areaStart + used);
    out[layout.indexEntryMaskOffset + used / 8] |= static_cast<std::uint8_t>(1u << (used % 8));
  }
  bytes::put16(out, 2, static_cast<std::uint16_t>(area - used));
  return out;
}

namespace {

// Where the entry map puts the end of an entry: the byte of the map and the bit in it.
// Words of the largest entry map (Jet 4: 453 bytes).
constexpr std::size_t kMaxMapWords = 64;

struct MapBit {
  std::size_t byte;
  std::uint8_t mask;
};

MapBit mapBit(const format::Layout& layout, std::size_t end) {
  return {layout.indexEntryMaskOffset + end / 8, static_cast<std::uint8_t>(1u << (end % 8))};
}

// Eight bytes of the entry map from `at` on as one word, the first byte lowest (bytes past `end`
// read as 0), so that bit i of the word is bit i % 8 of byte i / 8.
std::uint64_t mapWord(const std::uint8_t* page, std::size_t at, std::size_t end) {
  std::uint64_t word = 0;
  if (at + 8 <= end) return bytes::word64(page + at);
  for (std::size_t k = 0; at + k < end; ++k) word |= static_cast<std::uint64_t>(page[at + k]) << (8 * k);
  return word;
}

// What the entry map of an encoded page says about its entries: how many there are, where the
// first `at` of them end (0 for none) and where the last ends (0 for none).
struct EntryMapSummary {
  std::size_t count = 0;
  std::size_t endOfFirst = 0;  // end of the first `at` entries
  std::size_t lastEnd = 0;
};

EntryMapSummary summarizeEntryMap(ByteSpan page, std::size_t at, const format::Layout& layout) {
  EntryMapSummary out;
  const std::size_t start = layout.indexEntryMaskOffset, end = layout.indexEntriesOffset;
  for (std::size_t i = start; i < end; i += 8) {
    std::uint64_t bits = mapWord(page.data(), i, end);
    if (bits == 0) continue;
    std::size_t here = static_cast<std::size_t>(std::popcount(bits));
    std::size_t base = (i - start) * 8;
    if (out.count < at && out.count + here >= at) {
      std::uint64_t rest = bits;
      for (std::size_t skip = at - out.count - 1; skip > 0; --skip) rest &= rest - 1;  // drop lowest bits
      out.endOfFirst = base + static_cast<std::size_t>(std::countr_zero(rest));
    }
    out.count += here;
    out.lastEnd = base + 63 - static_cast<std::size_t>(std::countl_zero(bits));
  }
  return out;
}

// Moves every entry end after `from` (up to lastEnd) in the page's entry map `by` bytes on: the
// map's bits above `from` are shifted up as one bit string, a word at a time, from the word that
// holds `from` to the one that takes lastEnd. REQUIRES: lastEnd + by lies inside the map.
void shiftEntryEnds(std::vector<std::uint8_t>& page, std::size_t from, std::size_t lastEnd, std::size_t by,
                    const format::Layout& layout) {
  if (lastEnd <= from || by == 0) return;
  const std::size_t start = layout.indexEntryMaskOffset, end = layout.indexEntriesOffset;
  const std::size_t mapBytes = end - start;
  const std::size_t first = from / 64, last = (lastEnd + by) / 64;
  if (8 * last >= mapBytes || last >= kMaxMapWords)
    throw Error(ErrorCode::InvalidState, "index page: an entry end moved past the entry map");
  std::array<std::uint64_t, kMaxMapWords> stay{}, move{};
  for (std::size_t w = first; w <= last; ++w) {
    std::uint64_t bits = mapWord(page.data(), start + 8 * w, end);
    std::uint64_t above = w > first ? ~std::uint64_t{0} : from % 64 == 63 ? 0 : ~std::uint64_t{0} << (from % 64 + 1);
    stay[w] = bits & ~above;
    move[w] = bits & above;
  }
  const std::size_t words = by / 64, shift = by % 64;
  for (std::size_t w = first; w <= last; ++w) {
    std::uint64_t moved = 0;
    if (w >= first + words) {
      moved = move[w - words] << shift;
      if (shift != 0 && w > first + words) moved |= move[w - words - 1] >> (64 - shift);
    }
    std::uint64_t bits = stay[w] | moved;
    std::size_t at = start + 8 * w;
    std::uint8_t word[8];
    bytes::put64(word, 0, bits);
    std::copy_n(word, std::min<std::size_t>(8, end - at), page.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

}  // namespace

std::vector<std::uint8_t> encodeIndexPageWithInsert(ByteSpan before, const IndexPage& page, std::size_t at,
                                                    const format::Layout& layout) {
  const std::size_t areaStart = layout.indexEntriesOffset;
  const std::size_t area = layout.pageSize - areaStart;
  const std::size_t prefix = page.prefixLength;
  const std::uint8_t type = page.leaf ? format::page_type::kIndexLeaf : format::page_type::kIndexIntermediate;
  if (before.size() != layout.pageSize || at >= page.entries.size() || before[0] != type) return {};
  std::size_t oldPrefix = layout.indexPrefixLengthSize == 1 ? bytes::u8(before, layout.indexPrefixLengthOffset)
                                                            : bytes::u16(before, layout.indexPrefixLengthOffset);
  if (oldPrefix != prefix || (prefix > 0 && at == 0)) return {};

  const IndexEntry& e = page.entries[at];
  if (e.row.page > 0xFFFFFF || e.row.row > 0xFF || (!page.leaf && e.child == 0)) return {};
  const std::size_t size = wholeEntrySize(e, page.leaf);
  const std::size_t skip = at == 0 ? 0 : prefix;
  if (size < skip) return {};
  // The new entry must share the prefix that the first entry, stored whole, gives the page.
  std::size_t keyPart = std::min(skip, e.key.size());
  if (keyPart > 0 && std::memcmp(before.data() + areaStart, e.key.data(), keyPart) != 0) return {};
  for (std::size_t k = keyPart; k < skip; ++k)
    if (before[areaStart + k] != wholeEntryByte(e, k)) return {};

  EntryMapSummary map = summarizeEntryMap(before, at, layout);
  const std::size_t used = map.lastEnd;
  const std::size_t stored = size - skip;
  if (map.count + 1 != page.entries.size() || used > area || area - used != bytes::u16(before, 2) ||
      used + stored > area)
    return {};

  std::vector<std::uint8_t> out(before.begin(), before.end());
  std::uint8_t* entries = out.data() + areaStart;
  const std::size_t from = map.endOfFirst;
  std::memmove(entries + from + stored, entries + from, used - from);
  writeWholeEntry(e, page.leaf, skip, entries + from);
  shiftEntryEnds(out, from, used, stored, layout);
  MapBit newEnd = mapBit(layout, from + stored);
  out[newEnd.byte] |= newEnd.mask;

  bytes::put16(out, 2, static_cast<std::uint16_t>(area - used - stored));
  bytes::put32(out, 4, page.tablePage);
  bytes::put32(out, layout.indexPrevPageOffset, page.previous);
  bytes::put32(out, layout.indexNextPageOffset, page.next);
  bytes::put32(out, layout.indexTailPageOffset, page.tail);
  return out;
}

std::vector<std::uint32_t> IndexPage::children() const {
  std::vector<std::uint32_t> out;
  if (leaf) return out;
  out.reserve(entries.size() + 1);
  for (const IndexEntry& e : entries) out.push_back(e.child);
  if (tail != 0) out.push_back(tail);
  return out;
}

bool isIndexPageType(std::uint8_t type) {
  return type == format::page_type::kIndexLeaf || type == format::page_type::kIndexIntermediate;
}

IndexPage decodeIndexPage(ByteSpan page, std::uint32_t number, const format::Layout& layout) {
  if (page.size() != layout.pageSize) damagedPage(number, "the page has the wrong size");
  std::uint8_t type = page[0];
  if (!isIndexPageType(type)) damagedPage(number, "the page is not an index page");

  IndexPage out;
  out.number = number;
  out.leaf = type == format::page_type::kIndexLeaf;
  out.tablePage = bytes::u32(page, 4);
  out.previous = bytes::u32(page, layout.indexPrevPageOffset);
  out.next = bytes::u32(page, layout.indexNextPageOffset);
  out.tail = bytes::u32(page, layout.indexTailPageOffset);
  out.prefixLength = layout.indexPrefixLengthSize == 1 ? bytes::u8(page, layout.indexPrefixLengthOffset)
                                                      : bytes::u16(page, layout.indexPrefixLengthOffset);

  // The entry map has one bit per byte of the entry area: bit i set = an entry ends i bytes after
  // the area's start (bits are taken from the low bit of each map byte up).
  const std::size_t mapStart = layout.indexEntryMaskOffset;
  const std::size_t areaStart = layout.indexEntriesOffset;
  const std::size_t areaSize = page.size() - areaStart;
  const std::size_t mapBytes = areaStart - mapStart;

  std::size_t mapped = 0;
  for (std::size_t i = 0; i < mapBytes; ++i) mapped += static_cast<std::size_t>(std::popcount(page[mapStart + i]));
  out.entries.reserve(mapped + 1);  // room for one more: a writer usually adds one next

  ByteSpan prefix;
  std::size_t entryStart = 0;
  for (std::size_t i = 0; i < mapBytes; ++i) {
    std::uint8_t bits = page[mapStart + i];
    for (int bit = 0; bits != 0 && bit < 8; ++bit) {
      if ((bits & (1u << bit)) == 0) continue;
      std::size_t end = i * 8 + static_cast<std::size_t>(bit);
      if (end > areaSize) damagedPage(number, "an entry reaches past the end of the page");
      if (end <= entryStart) damagedPage(number, "an entry has no bytes");
      ByteSpan stored = page.subspan(areaStart + entryStart, end - entryStart);
      if (out.entries.empty()) {
        if (out.prefixLength > stored.size())
          damagedPage(number, "the shared prefix is longer than the first entry");
        prefix = stored.first(out.prefixLength);
        out.entries.push_back(splitEntry({}, stored, out.leaf, number));
      } else {
        out.entries.push_back(splitEntry(prefix, stored, out.leaf, number));
      }
      entryStart = end;
    }
  }
  return out;
}

}  // namespace jet
