#include "session/driver_list.h"

#include <stdexcept>

#include "common/list_order.h"

namespace qbm {

std::size_t DriverList::add(std::string text, std::int32_t itemData) {
  const std::size_t at =
      listInsertPosition(entries_, text, [](const Entry& e) -> const std::string& { return e.text; });
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), {std::move(text), itemData});
  if (focus_ && *focus_ >= at) ++*focus_;
  return at;
}

void DriverList::addAll(std::vector<ListEntry> listing) {
  if (focus_) {  // keep the focus on its entry: add one by one
    for (ListEntry& e : listing) add(std::move(e.text), e.itemData);
    return;
  }
  entries_.reserve(entries_.size() + listing.size());
  for (ListEntry& e : listing) entries_.push_back({std::move(e.text), e.itemData});
  std::vector<ListEntry>().swap(listing);
  // The entries already held are in order and come first, so a stable sort places every new entry
  // after those that share its place, as adding them one by one would.
  sortListEntries(entries_, [](const Entry& e) -> const std::string& { return e.text; });
}

void DriverList::removeAt(std::size_t i) {
  if (i >= entries_.size()) throw std::out_of_range("DriverList::removeAt");
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
  if (!focus_) return;
  if (*focus_ == i)
    focus_.reset();
  else if (*focus_ > i)
    --*focus_;
}

void DriverList::clear() {
  entries_.clear();
  focus_.reset();
}

void DriverList::setSelected(std::size_t i, bool selected) {
  if (i >= entries_.size()) throw std::out_of_range("DriverList::setSelected");
  if (selected && mode_ == Selection::Single)
    for (Entry& e : entries_) e.selected = false;
  entries_[i].selected = selected;
}

std::size_t DriverList::selectedCount() const {
  std::size_t n = 0;
  for (const Entry& e : entries_) n += e.selected ? 1 : 0;
  return n;
}

void DriverList::setFocus(std::optional<std::size_t> i) {
  if (i && *i >= entries_.size()) throw std::out_of_range("DriverList::setFocus");
  focus_ = i;
}

void DriverList::clickOnly(std::size_t i) {
  if (i >= entries_.size()) throw std::out_of_range("DriverList::clickOnly");
  for (Entry& e : entries_) e.selected = false;
  entries_[i].selected = true;
  focus_ = i;
}

void DriverList::toggle(std::size_t i) {
  setSelected(i, !entry(i).selected);
  focus_ = i;
}

std::optional<std::size_t> DriverList::find(std::int32_t itemData, EntryMarker marker) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].itemData == itemData && MarkerOfEntry(entries_[i].text) == marker) return i;
  return std::nullopt;
}

}  // namespace qbm
