#include "app/qt/window_picture.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>

#include "app/qt/driver_list_view.h"
#include "app/qt/main_window.h"
#include "app/qt/response_window.h"

namespace qbm {
namespace {

void clickEntry(DriverListView& list, int row) {
  list.selectionModel()->setCurrentIndex(list.rowIndex(row), QItemSelectionModel::ClearAndSelect);
  list.scrollTo(list.rowIndex(row), QAbstractItemView::PositionAtCenter);
  QApplication::processEvents();  // the click reaches the session from the event loop
}

// Clicks the entry a third of the way down the list, where a typical driver is.
void clickTypicalEntry(MainWindow& window, const char* listName) {
  auto* list = window.findChild<DriverListView*>(listName);
  if (!list || !list->isVisible() || list->rowCount() == 0) return;
  clickEntry(*list, list->rowCount() / 3);
}

// From the entry a third of the way down, the first whose driver has acoustic data is clicked.
void clickEntryWithResponse(MainWindow& window, const char* listName, ResponseSide side) {
  auto* list = window.findChild<DriverListView*>(listName);
  if (!list || !list->isVisible() || list->rowCount() == 0) return;
  for (int row = list->rowCount() / 3; row < list->rowCount(); ++row) {
    clickEntry(*list, row);
    for (const DriverResponse& r : window.session().SelectedResponses())
      if (r.side == side && r.acoustic) return;
  }
}

}  // namespace

void MergeForPicture(MainWindow& window) {
  auto* merge = window.findChild<QPushButton*>("MMerge");
  if (!merge || !merge->isVisible()) return;
  window.userInterface().queueAnswer(true);
  merge->click();
  QApplication::processEvents();
}

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

bool SaveResponsePicture(MainWindow& window, const QString& file, QString* error) {
  clickEntryWithResponse(window, "FromList", ResponseSide::Old);
  clickEntryWithResponse(window, "ToList", ResponseSide::New);
  window.showResponse();
  QApplication::processEvents();
  ResponseWindow* response = window.responseWindow();
  const QPixmap picture = response ? response->grab() : QPixmap();
  if (picture.isNull() || !picture.save(file)) {
    if (error) *error = "cannot save the picture to " + file;
    return false;
  }
  return true;
}

}  // namespace qbm
