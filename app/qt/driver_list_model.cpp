#include "app/qt/driver_list_model.h"

#include <cassert>

namespace qbm {

void DriverListModel::showTexts(const DriverList& list) {
  beginResetModel();
  std::size_t size = 0;
  for (const DriverList::Entry& e : list.entries()) size += e.text.size();
  texts_.clear();
  texts_.reserve(size);
  ends_.clear();
  ends_.reserve(list.count());
  for (const DriverList::Entry& e : list.entries()) {
    texts_ += e.text;
    ends_.push_back(texts_.size());
  }
  assert(ends_.empty() ? texts_.empty() : ends_.back() == texts_.size());  // 1
  endResetModel();
}

int DriverListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ends_.size());  // 2: a list has no children
}

QVariant DriverListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 ||
      static_cast<std::size_t>(index.row()) >= ends_.size())
    return {};
  const std::string_view t = text(static_cast<std::size_t>(index.row()));
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

std::string_view DriverListModel::text(std::size_t row) const {
  assert(row < ends_.size());
  const std::size_t begin = row == 0 ? 0 : ends_[row - 1];
  assert(begin <= ends_[row] && ends_[row] <= texts_.size());  // 1
  return std::string_view(texts_).substr(begin, ends_[row] - begin);
}

}  // namespace qbm
