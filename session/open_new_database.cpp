// "Open New Database" and the rescan the merge asks for.

#include "common/user_locale.h"
#include "db/open_database_file.h"
#include "merge/new_database_scan.h"
#include "session/failure_messages.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {

void Session::ToOpen_Click() {
  OpenDatabaseFile(Side::New, ui_, state_.databases);
  notify();  // the dialog has closed
  rescanNewDatabase();
}

void Session::ToOpen(const std::string& path, bool onlyRead) {
  OpenDatabasePath(Side::New, path, ui_, state_.databases, currentUserLocale(), onlyRead);
  notify();
  rescanNewDatabase();
}

void Session::rescanNewDatabase() {
  OperationScope scope(ui_);
  if (state_.databases.New.DbOpen) {
    scope.setBusy(true);
    listNewDatabase(scope);
  }
  scope.hideProgress();
  UpdateMergeButton();
  UpdateUndoButton();
  scope.setBusy(false);
  notify();
}

void Session::listNewDatabase(OperationScope& scope) {
  state_.ToList.tooltip.clear();
  state_.ToList.clear();
  const std::string& file = state_.databases.New.Name.caption;
  DriverListing listing;
  try {
    listing = ScanNewDatabase(state_.databases, state_.companyNames, scope);
  } catch (const std::exception& e) {
    scope.hideProgress();
    scope.showMessage(ScanFailedMessage(file, e.what()), MessageIcon::Critical);
    state_.ToList.tooltip = DriverCountTooltip(0);
    return;
  }
  const auto listed = static_cast<long>(listing.entries.size());
  state_.ToList.addAll(std::move(listing.entries));
  state_.ToList.tooltip = DriverCountTooltip(listed);
  revealOldSide();
  if (listing.unreadable.total() > 0) {
    scope.hideProgress();
    scope.showMessage(UnreadableRowsMessage(file, listing.unreadable), MessageIcon::Exclamation);
  }
}

void Session::revealOldSide() {
  ControlVisibility& v = state_.visible;
  v.FromOpen = v.FromName = v.FromOpt = v.FromLabel = v.FromList = v.FromRText = true;
}

}  // namespace qbm
