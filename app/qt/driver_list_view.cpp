#include "app/qt/driver_list_view.h"

#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <optional>

namespace qbm {
DriverListView::DriverListView(DriverList::Selection mode, QWidget* parent) : QListWidget(parent) {
  setSortingEnabled(false);  // the session keeps the order
  setUniformItemSizes(true);
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
  if (!shown_.sameAs(list)) {
    setUpdatesEnabled(false);
    arrowEntry_.forget();
    clear();
    // All rows in one insertion: one row at a time costs the model and the view a notice each.
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(list.count()));
    for (const DriverList::Entry& e : list.entries())
      texts.append(QString::fromUtf8(e.text.data(), static_cast<qsizetype>(e.text.size())));
    addItems(texts);
    shown_.remember(list);
    setUpdatesEnabled(true);
  }
  QItemSelection selection;
  for (std::size_t i = 0; i < list.count(); ++i) {
    if (!list.entry(i).selected) continue;
    const QModelIndex index = model()->index(static_cast<int>(i), 0);
    selection.select(index, index);
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const QModelIndex focus = list.focus() ? model()->index(static_cast<int>(*list.focus()), 0) : QModelIndex();
  selectionModel()->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
  setToolTip(QString::fromUtf8(list.tooltip.data(), static_cast<qsizetype>(list.tooltip.size())));
  viewport()->update();
  showing_ = false;
}

void DriverListView::copySelectionTo(DriverList& list) const {
  const std::size_t n = std::min(list.count(), static_cast<std::size_t>(count()));
  // Deselect first so that a single-selection list never holds two selected entries on the way.
  for (std::size_t i = 0; i < n; ++i)
    if (!item(static_cast<int>(i))->isSelected()) list.setSelected(i, false);
  for (std::size_t i = 0; i < n; ++i)
    if (item(static_cast<int>(i))->isSelected()) list.setSelected(i, true);
  const int current = currentRow();
  list.setFocus(current >= 0 && static_cast<std::size_t>(current) < n
                    ? std::optional<std::size_t>(static_cast<std::size_t>(current))
                    : std::nullopt);
}

void DriverListView::focusInEvent(QFocusEvent* event) {
  const bool hadFocusEntry = currentIndex().isValid();
  QListWidget::focusInEvent(event);
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
  QListWidget::keyPressEvent(event);
}

void DriverListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (itemAt(event->position().toPoint())) emit responseAsked();
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
