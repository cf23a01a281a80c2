#pragma once
// A driver list entry: the text "[" + short company name + "]  " + model + "  (ob)" (woofers and
// legacy drivers) or "  (sb)" (tweeters), and the row's key as item data. The scans build them; the
// list clicks and the merge read the table back from the last four characters of the text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/code_tables.h"
#include "db/table_walk.h"

namespace qbm {

inline constexpr std::string_view WooferMarker = "(ob)";
inline constexpr std::string_view TweeterMarker = "(sb)";

struct ListEntry {
  std::string text;
  std::int32_t itemData = 0;
  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

// "[" + company + "]  " + model + "  (ob)" for the woofers table, "  (sb)" for the tweeters table.
std::string ListEntryText(std::string_view company, std::string_view model, DriverTable table);

// What the last four characters of an entry text name.
enum class EntryMarker { Woofer, Tweeter, Other };
EntryMarker MarkerOfEntry(std::string_view text);
// The table an entry's marker names: the tweeters for "(sb)", otherwise the woofers.
inline DriverTable TableOfMarker(EntryMarker marker) {
  return marker == EntryMarker::Tweeter ? DriverTable::Tweeters : DriverTable::Woofers;
}

// What a scan lists, in the order it found the rows, before the list sorts them. Rows and pages
// that could not be read are left out and counted.
struct DriverListing {
  std::vector<ListEntry> entries;
  ReadProblems unreadable;
};

}  // namespace qbm
