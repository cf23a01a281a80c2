#pragma once
// The rows a DriverListView shows: a snapshot of a session DriverList's entry texts, taken when the
// view is told to show the list, kept as UTF-8 and turned into a QString only for the rows the view
// asks for (those it paints, and the first, which gives every row's size). The session may change
// its lists (during a merge) before the view is told; the snapshot keeps the rows as last shown
// until then.
//
// Invariants:
//   1. ends_ is non-decreasing and every end lies within texts_; row r's text is
//      texts_[ends_[r-1] (0 for the first row), ends_[r]).
//   2. The number of rows is ends_.size(); an empty snapshot has no rows.

#include <QAbstractListModel>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "session/driver_list.h"

namespace qbm {

class DriverListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  // Replaces the rows by the list's entry texts, in the list's order, as one model reset.
  void showTexts(const DriverList& list);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The row's text for Qt::DisplayRole; nothing for any other role or a row out of range.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // The row's text as shown. REQUIRES: row < rowCount().
  std::string_view text(std::size_t row) const;

 private:
  std::string texts_;              // every row's text, one after the other
  std::vector<std::size_t> ends_;  // where each row's text ends in texts_
};

}  // namespace qbm
