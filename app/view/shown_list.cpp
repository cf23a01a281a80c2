#include "app/view/shown_list.h"

namespace qbm {

bool ShownList::sameAs(const DriverList& list) const {
  if (entries_.size() != list.count()) return false;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const DriverList::Entry& e = list.entry(i);
    if (entries_[i].first != e.text || entries_[i].second != e.itemData) return false;
  }
  return true;
}

void ShownList::remember(const DriverList& list) {
  entries_.clear();
  entries_.reserve(list.count());
  for (const DriverList::Entry& e : list.entries()) entries_.emplace_back(e.text, e.itemData);
}

}  // namespace qbm
