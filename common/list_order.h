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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qbm {

// A text's position in the order as a comparable key: two texts compare as their keys compare
// byte by byte (as unsigned bytes, as std::string compares). Worth keeping when one text is
// compared many times. Some two bytes per character of plain ASCII text.
using ListSortKey = std::string;
ListSortKey listSortKey(std::string_view text);
// The key of text appended to out.
void appendListSortKey(std::string& out, std::string_view text);

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

// Puts entries in list order; entries that share a place keep their relative order. The keys of
// all entries are made once, end to end in one buffer (lists of hundreds of thousands of entries
// are sorted in one go).
template <class Entry, class TextOf>
void sortListEntries(std::vector<Entry>& entries, TextOf textOf) {
  std::string keys;
  // Room for the keys at five bytes per byte of text (more than any usual text needs; a longer key
  // only makes the buffer grow). Room never written costs no memory.
  std::size_t room = 0;
  for (const Entry& e : entries) room += 5 * std::string_view(textOf(e)).size() + 2;
  keys.reserve(room);
  std::vector<std::size_t> ends(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    appendListSortKey(keys, textOf(entries[i]));
    ends[i] = keys.size();
  }
  const auto keyOf = [&](std::size_t i) {
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(keys).substr(begin, ends[i] - begin);
  };
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int c = keyOf(a).compare(keyOf(b));
    return c < 0 || (c == 0 && a < b);
  });
  std::string().swap(keys);
  // Entries move along the cycles of the permutation, so that no second list is made: position i
  // takes the entry at order[i].
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    Entry held = std::move(entries[start]);
    std::size_t at = start;
    while (order[at] != start) {
      const std::size_t from = order[at];
      entries[at] = std::move(entries[from]);
      order[at] = at;
      at = from;
    }
    entries[at] = std::move(held);
    order[at] = at;
  }
}

}  // namespace qbm
