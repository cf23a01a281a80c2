#pragma once
// Where an index page that no longer fits is cut into pages that do.
//
// The items are a leaf's entries, or an intermediate page's children, each given by the last entry
// below it. An intermediate page stores an entry for every child but its last, which is its tail
// (a page with one child stores that child's entry); a leaf stores every entry.

#include <cstddef>
#include <span>
#include <vector>

#include "jet/file/format.h"
#include "jet/index/index_page.h"

namespace jet {

// The entries a page of these items stores.
std::span<const IndexEntry> storedItems(std::span<const IndexEntry> items, bool leaf);

// Whether one page holds these items. REQUIRES: items in index order.
bool itemsFitOnePage(std::span<const IndexEntry> items, bool leaf, const format::Layout& layout);

// The longest key an index entry may have, so that any single entry fits on any index page.
std::size_t maxIndexKeyLength(const format::Layout& layout);

// Cuts items that do not fit one page into pieces that each do. Items firstNew..lastNew are the
// ones whose arrival made the page overflow: arrivals after all other items (keys coming in
// ascending order) go to a new last piece and arrivals before all others to a new first piece, so
// the old items stay together on a full page; otherwise the page is cut in the middle of its
// bytes. With lastKnown = false (an intermediate page whose last child's entry is not known), the
// last piece keeps at least two children, so that its last entry is never stored.
// Returns the index of the first item of every piece after the first, ascending.
// REQUIRES: !itemsFitOnePage(items), firstNew <= lastNew < items.size(), every key at most
// maxIndexKeyLength().
std::vector<std::size_t> chooseSplit(std::span<const IndexEntry> items, bool leaf, std::size_t firstNew,
                                     std::size_t lastNew, bool lastKnown, const format::Layout& layout);

}  // namespace jet
