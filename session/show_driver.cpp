// The list clicks that show a driver's report, and the units switch that rebuilds the reports.

#include "merge/load_new_driver.h"
#include "olddb/load_old_driver.h"
#include "report/driver_report.h"
#include "report/driver_report_builder.h"
#include "session/failure_messages.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {

void Session::FromList_Click() {
  if (state_.FromList.empty()) return;
  OperationScope scope(ui_);
  scope.setBusy(true);
  updateOmitButton();
  showOldReport();
  scope.setBusy(false);
  notify();
}

void Session::updateOmitButton() {
  const std::size_t selected = state_.FromList.selectedCount();
  state_.visible.FromOmit = selected > 0;
  if (selected > 0) state_.FromOmitCaption = selected == 1 ? OmitDriverCaption : OmitDriversCaption;
}

void Session::showOldReport() {
  ReportBox& box = state_.FromRText;
  box.clear();
  const std::optional<std::size_t> focus = state_.FromList.focus();
  if (!focus) return;
  const DriverList::Entry& entry = state_.FromList.entry(*focus);
  state_.selection.OldDriverId = entry.itemData;
  if (!entry.selected) return;
  const EntryMarker marker = MarkerOfEntry(entry.text);
  if (marker == EntryMarker::Other) return;
  const DriverTable table = TableOfMarker(marker);
  state_.selection.OldDriverIsTweeter = table == DriverTable::Tweeters;

  DatabaseState& db = state_.databases;
  try {
    // A row that is not found shows nothing rather than the driver loaded before.
    if (!LoadOldDriver(table, entry.itemData, oldRows_, db, state_.WorkingDriver)) return;
    const bool hasCompanies = db.OldDbKind == DbKind::PreviousFormat && db.Old.Companies;
    const std::string company(ReportCompanyName(
        state_.WorkingDriver, hasCompanies ? &state_.companyNames.OldCompanyFull : nullptr));
    std::optional<CompanyLookup> companies;
    if (hasCompanies) companies = CompaniesTableLookup(*db.Old.Companies);
    AppendDriverReport(box, state_.WorkingDriver, table, company,
                       state_.UnitLabels, companies ? &*companies : nullptr);
  } catch (const std::exception& e) {
    box.clear();
    ui_.showMessage(DriverReadFailedMessage(db.Old.Name.caption, e.what()), MessageIcon::Critical);
  }
}

void Session::ToList_Click() {
  if (state_.ToList.empty()) return;
  OperationScope scope(ui_);
  scope.setBusy(true);
  showNewReport();
  scope.setBusy(false);
  notify();
}

void Session::showNewReport() {
  ReportBox& box = state_.ToRText;
  box.clear();
  const std::optional<std::size_t> focus = state_.ToList.focus();
  if (!focus) return;
  const DriverList::Entry& entry = state_.ToList.entry(*focus);
  if (!entry.selected) return;

  const EntryMarker marker = MarkerOfEntry(entry.text);
  if (marker == EntryMarker::Other) return;
  const DriverTable table = TableOfMarker(marker);
  state_.selection.OldDriverIsTweeter = table == DriverTable::Tweeters;
  DatabaseState& db = state_.databases;
  try {
    if (!LoadNewDriver(table, entry.itemData, db, state_.WorkingDriver)) return;
    const std::string company(
        ReportCompanyName(state_.WorkingDriver, &state_.companyNames.NewCompanyFull));
    const CompanyLookup companies = CompaniesTableLookup(*db.New.Companies);
    AppendDriverReport(box, state_.WorkingDriver, table, company, state_.UnitLabels,
                       &companies);
  } catch (const std::exception& e) {
    box.clear();
    ui_.showMessage(DriverReadFailedMessage(db.New.Name.caption, e.what()), MessageIcon::Critical);
  }
}

void Session::UnitsOpt_Click(int index) {
  if (index == MetricUnitsOption)
    state_.UnitLabels = MetricUnitLabels();
  else if (index == EnglishUnitsOption)
    state_.UnitLabels = EnglishUnitLabels();
  else
    return;
  state_.UnitsOpt = index;
  if (!state_.FromRText.isEmpty()) FromList_Click();
  if (!state_.ToRText.isEmpty()) ToList_Click();
  notify();
}

}  // namespace qbm
