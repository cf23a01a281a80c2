#include "db/list_entry.h"

namespace qbm {

std::string ListEntryText(std::string_view company, std::string_view model, DriverTable table) {
  std::string text;
  text.reserve(company.size() + model.size() + 11);
  text += '[';
  text += company;
  text += "]  ";
  text += model;
  text += "  ";
  text += table == DriverTable::Tweeters ? TweeterMarker : WooferMarker;
  return text;
}

EntryMarker MarkerOfEntry(std::string_view text) {
  // The markers are ASCII, so the last four characters are the last four bytes when they match.
  if (text.ends_with(WooferMarker)) return EntryMarker::Woofer;
  if (text.ends_with(TweeterMarker)) return EntryMarker::Tweeter;
  return EntryMarker::Other;
}

}  // namespace qbm
