#include "app/window_picture.h"

#include <QApplication>
#include <QListWidget>
#include <QPixmap>

#include "app/main_window.h"

namespace qbm {
namespace {

// Clicks the entry a third of the way down the list, where a typical driver is.
void clickTypicalEntry(MainWindow& window, const char* listName) {
  auto* list = window.findChild<QListWidget*>(listName);
  if (!list || !list->isVisible() || list->count() == 0) return;
  const int row = list->count() / 3;
  list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  list->scrollToItem(list->item(row), QAbstractItemView::PositionAtCenter);
  QApplication::processEvents();  // the click reaches the session from the event loop
}

}  // namespace

bool SaveWindowPicture(MainWindow& window, const QString& file, QString* error) {
  clickTypicalEntry(window, "FromList");
  clickTypicalEntry(window, "ToList");
  QApplication::processEvents();
  const QPixmap picture = window.grab();
  if (picture.isNull() || !picture.save(file)) {
    if (error) *error = "cannot save the picture to " + file;
    return false;
  }
  return true;
}

}  // namespace qbm
