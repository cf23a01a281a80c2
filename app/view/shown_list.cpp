#include "app/view/shown_list.h"

#include <cassert>
#include <string_view>

namespace qbm {

bool ShownList::sameAs(const DriverList& list) const {
  if (ends_.size() != list.count()) return false;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    const DriverList::Entry& e = list.entry(i);
    const std::string_view text = std::string_view(texts_).substr(begin, ends_[i].first - begin);
    if (text != e.text || ends_[i].second != e.itemData) return false;
    begin = ends_[i].first;
  }
  return true;
}

void ShownList::remember(const DriverList& list) {
  std::size_t size = 0;
  for (const DriverList::Entry& e : list.entries()) size += e.text.size();
  texts_.clear();
  texts_.reserve(size);
  ends_.clear();
  ends_.reserve(list.count());
  for (const DriverList::Entry& e : list.entries()) {
    texts_ += e.text;
    ends_.emplace_back(texts_.size(), e.itemData);
  }
}

std::string_view ShownList::text(std::size_t row) const {
  assert(row < ends_.size());
  const std::size_t begin = row == 0 ? 0 : ends_[row - 1].first;
  return std::string_view(texts_).substr(begin, ends_[row].first - begin);
}

}  // namespace qbm
