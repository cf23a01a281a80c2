#include "app/qt/driver_list_model.h"

namespace qbm {

void DriverListModel::showTexts(const DriverList& list) {
  beginResetModel();
  shown_.remember(list);
  endResetModel();
}

int DriverListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.count());  // a list has no children
}

QVariant DriverListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 ||
      static_cast<std::size_t>(index.row()) >= shown_.count())
    return {};
  const std::string_view t = text(static_cast<std::size_t>(index.row()));
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

}  // namespace qbm
