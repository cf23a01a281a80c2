#pragma once
// The order of the sorted driver lists, shared by the desktop program and the command line. Texts
// are ordered as the platform's sorted list box orders them for the user: letter case never counts;
// blanks and symbols come before digits, digits before letters; an accented letter sorts with its
// base letter and an accent decides only between otherwise equal texts; hyphens and apostrophes
// are passed over at first ("co-op" sorts with "coop") and decide only after accents. Texts that are
// still equal (they differ in letter case only) keep the order in which they were added.
//
// UTF-8 throughout; a byte that is not part of valid UTF-8 counts as the Latin-1 character it codes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace qbm {

// A text's position in the order as a comparable key: two texts compare as their keys compare
// lexicographically. Worth keeping when one text is compared many times.
using ListSortKey = std::vector<std::uint32_t>;
ListSortKey listSortKey(std::string_view text);

// Negative when a sorts before b, positive when after, 0 when they share a place (then the earlier
// added comes first).
int compareListText(std::string_view a, std::string_view b);

// Where an entry with `text` goes in `entries`, which are already in list order: after every entry
// that sorts before it or shares its place. textOf(entry) gives an entry's text.
template <class Entry, class TextOf>
std::size_t listInsertPosition(const std::vector<Entry>& entries, std::string_view text,
                               TextOf textOf) {
  const ListSortKey key = listSortKey(text);
  auto at = std::upper_bound(entries.begin(), entries.end(), key,
                             [&](const ListSortKey& k, const Entry& e) {
                               return k < listSortKey(textOf(e));
                             });
  return static_cast<std::size_t>(at - entries.begin());
}

// Puts entries in list order; entries that share a place keep their relative order.
template <class Entry, class TextOf>
void sortListEntries(std::vector<Entry>& entries, TextOf textOf) {
  std::vector<std::pair<ListSortKey, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) keys.emplace_back(listSortKey(textOf(entries[i])), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Entry> sorted;
  sorted.reserve(entries.size());
  for (const auto& k : keys) sorted.push_back(std::move(entries[k.second]));
  entries = std::move(sorted);
}

}  // namespace qbm
