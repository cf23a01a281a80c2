#pragma once
// FromList / ToList on screen: shows a session DriverList as it is (entries in the session's order,
// never re-sorted; selection; focus; tooltip) and tells when the person changed the selection or
// the focus, so the window can copy them into the session and run the list's click. The rows are
// a DriverListModel: the texts as last shown, converted for display only when a row is drawn, so
// that a list of hundreds of thousands of drivers costs no widget item per driver.

#include <QListView>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/view/keyboard_rules.h"
#include "session/driver_list.h"

namespace qbm {

// The key that opens the Response window from a list (Enter moves the focus on, Space selects).
inline constexpr Qt::Key ResponseKey = static_cast<Qt::Key>(ResponseKeyLetter);
inline constexpr Qt::KeyboardModifiers ResponseKeyModifiers = Qt::ControlModifier;

class DriverListModel;

class DriverListView : public QListView {
  Q_OBJECT
 public:
  DriverListView(DriverList::Selection mode, QWidget* parent);

  // Shows the list's entries, selection, focus and tooltip; emits nothing.
  void showList(const DriverList& list);
  // Copies the selection and focus the person made into the list, entry by entry.
  // REQUIRES: the view shows this list (showList was called since it last changed).
  void copySelectionTo(DriverList& list) const;

  // The rows as shown (what the person sees, for the window's pictures and its tests).
  int rowCount() const;
  // REQUIRES: 0 <= row < rowCount() for the next three.
  QModelIndex rowIndex(int row) const;
  QString rowText(int row) const;
  bool isRowSelected(int row) const;

 signals:
  // The person changed the selection or the focus, by mouse or keyboard. Emitted once, after the
  // change has settled, from the event loop.
  void personClicked();
  // The person asked for the Response window: a double click on an entry, or Ctrl+R.
  void responseAsked();

 protected:
  // A list entered by the keyboard with nothing selected and no focused entry gets its focus on
  // the first entry; the first Up or Down then selects that entry rather than moving past it.
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void scheduleClick();

  DriverListModel* rows_;
  ListArrowEntry arrowEntry_;
  bool showing_ = false;
  bool clickPending_ = false;
};

}  // namespace qbm
