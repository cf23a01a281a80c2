#include "app/qt/driver_list_view.h"

#include "app/qt/driver_list_model.h"

#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <optional>

namespace qbm {
DriverListView::DriverListView(DriverList::Selection mode, QWidget* parent)
    : QListView(parent), rows_(new DriverListModel(this)) {
  setModel(rows_);  // never sorted: the session keeps the order
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(mode == DriverList::Selection::Extended ? QAbstractItemView::ExtendedSelection
                                                           : QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &DriverListView::scheduleClick);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DriverListView::scheduleClick);
}

void DriverListView::showList(const DriverList& list) {
  showing_ = true;
  const QSignalBlocker blockSelection(selectionModel());
  if (!rows_->shows(list)) {
    setUpdatesEnabled(false);
    arrowEntry_.forget();
    rows_->showTexts(list);  // one reset: the selection and the focus go with the old rows
    setUpdatesEnabled(true);
  }
  QItemSelection selection;
  for (std::size_t i = 0; i < list.count(); ++i) {
    if (!list.entry(i).selected) continue;
    const QModelIndex index = rowIndex(static_cast<int>(i));
    selection.select(index, index);
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const QModelIndex focus = list.focus() ? rowIndex(static_cast<int>(*list.focus())) : QModelIndex();
  selectionModel()->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
  setToolTip(QString::fromUtf8(list.tooltip.data(), static_cast<qsizetype>(list.tooltip.size())));
  viewport()->update();
  showing_ = false;
}

void DriverListView::copySelectionTo(DriverList& list) const {
  const std::size_t n = std::min(list.count(), static_cast<std::size_t>(rowCount()));
  // Deselect first so that a single-selection list never holds two selected entries on the way.
  for (std::size_t i = 0; i < n; ++i)
    if (!isRowSelected(static_cast<int>(i))) list.setSelected(i, false);
  for (std::size_t i = 0; i < n; ++i)
    if (isRowSelected(static_cast<int>(i))) list.setSelected(i, true);
  const int current = currentIndex().row();  // -1 without a focused row
  list.setFocus(current >= 0 && static_cast<std::size_t>(current) < n
                    ? std::optional<std::size_t>(static_cast<std::size_t>(current))
                    : std::nullopt);
}

int DriverListView::rowCount() const { return rows_->rowCount(); }

QModelIndex DriverListView::rowIndex(int row) const { return rows_->index(row, 0); }

QString DriverListView::rowText(int row) const { return rows_->data(rowIndex(row), Qt::DisplayRole).toString(); }

bool DriverListView::isRowSelected(int row) const { return selectionModel()->isSelected(rowIndex(row)); }

void DriverListView::focusInEvent(QFocusEvent* event) {
  const bool hadFocusEntry = currentIndex().isValid();
  QListView::focusInEvent(event);
  arrowEntry_.focusEntered(hadFocusEntry, currentIndex().isValid(), selectionModel()->hasSelection());
}

void DriverListView::keyPressEvent(QKeyEvent* event) {
  const bool firstStep =
      arrowEntry_.selectsFocusedEntry(event->key() == Qt::Key_Down || event->key() == Qt::Key_Up,
                                      event->modifiers() == Qt::NoModifier, selectionModel()->hasSelection());
  if (event->key() == ResponseKey && event->modifiers() == ResponseKeyModifiers) {
    emit responseAsked();
    return;
  }
  if (firstStep) {
    setCurrentIndex(currentIndex());  // selects it, as a click on it would
    return;
  }
  QListView::keyPressEvent(event);
}

void DriverListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (indexAt(event->position().toPoint()).isValid()) emit responseAsked();
}

void DriverListView::scheduleClick() {
  if (showing_ || clickPending_) return;
  clickPending_ = true;
  QTimer::singleShot(0, this, [this] {
    clickPending_ = false;
    emit personClicked();
  });
}

}  // namespace qbm
