#pragma once
// The rows a DriverListView shows: the session DriverList's entries as the view was last told to
// show them (ShownList, which also tells whether a list differs from them), kept as UTF-8 and turned
// into a QString only for the rows the view asks for (those it paints, and the first, which gives
// every row's size). The session may change its lists (during a merge) before the view is told;
// the rows stay as last shown until then.

#include <QAbstractListModel>
#include <cstddef>
#include <string_view>

#include "app/view/shown_list.h"
#include "session/driver_list.h"

namespace qbm {

class DriverListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  // Whether the rows are the list's entries (same texts and item data, same order).
  bool shows(const DriverList& list) const { return shown_.sameAs(list); }
  // Replaces the rows by the list's entry texts, in the list's order, as one model reset.
  void showTexts(const DriverList& list);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The row's text for Qt::DisplayRole; nothing for any other role or a row out of range.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // The row's text as shown. REQUIRES: row < rowCount().
  std::string_view text(std::size_t row) const { return shown_.text(row); }

 private:
  ShownList shown_;
};

}  // namespace qbm
