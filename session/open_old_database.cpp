// "Open Old Database": open the old side and list the drivers that may be copied.

#include "common/user_locale.h"
#include "db/open_database_file.h"
#include "olddb/old_database_scan.h"
#include "session/failure_messages.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {

void Session::FromOpen_Click() {
  OpenDatabaseFile(Side::Old, ui_, state_.databases);
  oldRows_.reset();
  notify();  // the dialog has closed
  scanOldSide();
}

void Session::FromOpen(const std::string& path) {
  OpenDatabasePath(Side::Old, path, ui_, state_.databases, currentUserLocale());
  oldRows_.reset();
  notify();
  scanOldSide();
}

void Session::scanOldSide() {
  OperationScope scope(ui_);
  if (state_.databases.Old.DbOpen) {
    scope.setBusy(true);
    listOldDatabase(scope);
  }
  scope.hideProgress();
  UpdateMergeButton();
  scope.setBusy(false);
  notify();
}

void Session::listOldDatabase(OperationScope& scope) {
  if (!state_.FromOpt) state_.FromOpt = ShowChangedDriversOption;
  const OldListMode mode =
      *state_.FromOpt == ShowAllDriversOption ? OldListMode::All : OldListMode::Changed;
  state_.OldDriverCount = 0;
  state_.OldUnreadable = {};
  state_.FromList.tooltip.clear();
  state_.FromList.clear();
  const std::string& file = state_.databases.Old.Name.caption;
  DriverListing listing;
  const auto failed = [&](const std::string& message) {
    scope.hideProgress();
    scope.showMessage(message, MessageIcon::Critical);
    state_.FromList.tooltip = DriverCountTooltip(0);
  };
  try {
    listing = ScanOldDatabase(state_.databases, state_.companyNames, mode, scope);
  } catch (const NewDatabaseReadError& e) {
    return failed(CompareFailedMessage(state_.databases.New.Name.caption, e.what()));
  } catch (const std::exception& e) {
    return failed(ScanFailedMessage(file, e.what()));
  }
  state_.OldDriverCount = static_cast<std::int32_t>(listing.entries.size());
  state_.FromList.addAll(std::move(listing.entries));
  state_.FromList.tooltip = DriverCountTooltip(state_.OldDriverCount);
  state_.OldUnreadable = listing.unreadable;
  if (listing.unreadable.total() > 0) {
    scope.hideProgress();
    scope.showMessage(UnreadableRowsMessage(file, listing.unreadable), MessageIcon::Exclamation);
  }
}

}  // namespace qbm
