#include "jet/index/index_page_split.h"

#include <algorithm>

#include "jet/error.h"

namespace jet {
namespace {

std::size_t area(const format::Layout& layout) { return layout.pageSize - layout.indexEntriesOffset; }

// The first cut where the bytes before it reach half of all bytes.
std::size_t byteMiddle(std::span<const IndexEntry> items, bool leaf) {
  std::size_t total = 0;
  for (const IndexEntry& e : items) total += wholeEntrySize(e, leaf);
  std::size_t sum = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    sum += wholeEntrySize(items[i], leaf);
    if (2 * sum >= total) return i + 1;
  }
  return items.size();
}

}  // namespace

std::span<const IndexEntry> storedItems(std::span<const IndexEntry> items, bool leaf) {
  if (leaf || items.size() < 2) return items;
  return items.first(items.size() - 1);
}

bool itemsFitOnePage(std::span<const IndexEntry> items, bool leaf, const format::Layout& layout) {
  return fitsInOnePage(storedItems(items, leaf), leaf, layout, /*sorted=*/true);
}

std::size_t maxIndexKeyLength(const format::Layout& layout) {
  // Key, row pointer and child pointer of one intermediate entry.
  return area(layout) - 8;
}

std::vector<std::size_t> chooseSplit(std::span<const IndexEntry> items, bool leaf, std::size_t firstNew,
                                     std::size_t lastNew, bool lastKnown, const format::Layout& layout) {
  const std::size_t n = items.size();
  if (n < 2) throw Error(ErrorCode::InvalidState, "index page split: one entry does not fit a page");
  const std::size_t lastMin = (!leaf && !lastKnown && n >= 3) ? 2 : 1;
  auto fits = [&](std::size_t from, std::size_t to) {
    return itemsFitOnePage(items.subspan(from, to - from), leaf, layout);
  };
  auto both = [&](std::size_t cut) { return cut >= 1 && cut + lastMin <= n && fits(0, cut) && fits(cut, n); };

  std::size_t preferred;
  if (lastNew + 1 >= n)
    preferred = n - lastMin;
  else if (firstNew == 0)
    preferred = std::max<std::size_t>(lastNew, 1);
  else
    preferred = std::clamp<std::size_t>(byteMiddle(items, leaf), 1, n - lastMin);
  if (both(preferred)) return {preferred};

  // Two pieces cut as near the middle as they fit.
  std::size_t middle = std::clamp<std::size_t>(byteMiddle(items, leaf), 1, n - lastMin);
  for (std::size_t d = 0; d < n; ++d) {
    if (middle > d && both(middle - d)) return {middle - d};
    if (both(middle + d)) return {middle + d};
  }

  // More pieces: each as long as fits.
  std::vector<std::size_t> cuts;
  std::size_t from = 0;
  while (!fits(from, n)) {
    std::size_t to = from + 1;
    while (to < n && fits(from, to + 1)) ++to;
    if (to + lastMin > n) to = n - lastMin;
    if (to <= from) throw Error(ErrorCode::InvalidState, "index page split: the entries cannot be placed");
    cuts.push_back(to);
    from = to;
  }
  return cuts;
}

}  // namespace jet
