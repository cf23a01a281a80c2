// The responses of the selected drivers, for the Response window.

#include "db/legacy_table.h"
#include "merge/load_new_driver.h"
#include "olddb/load_old_driver.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {
namespace {

// The focused entry of the list when it is selected, with the table its marker names.
const DriverList::Entry* selectedEntry(const DriverList& list, DriverTable& table) {
  const std::optional<std::size_t> focus = list.focus();
  if (!focus) return nullptr;
  const DriverList::Entry& entry = list.entry(*focus);
  const EntryMarker marker = MarkerOfEntry(entry.text);
  if (!entry.selected || marker == EntryMarker::Other) return nullptr;
  table = TableOfMarker(marker);
  return &entry;
}

DriverResponse responseOf(ResponseSide side, const std::string& name, const WorkingDriver& driver,
                          std::size_t count) {
  return {side, name, driver.Acoustic != YesNoFalse,
          std::vector<float>(driver.Response.begin(), driver.Response.begin() + static_cast<long>(count))};
}

}  // namespace

std::vector<DriverResponse> Session::SelectedResponses() {
  std::vector<DriverResponse> responses;
  OperationScope scope(ui_);
  scope.setBusy(true);
  DatabaseState& db = state_.databases;
  WorkingDriver driver;
  DriverTable table = DriverTable::Woofers;
  try {
    if (const DriverList::Entry* e = selectedEntry(state_.FromList, table);
        e && LoadOldDriver(table, e->itemData, oldRows_, db, driver)) {
      const bool legacy = db.OldDbKind == DbKind::Legacy;
      responses.push_back(responseOf(ResponseSide::Old, e->text, driver,
                                     legacy ? legacy::ResponseCount : ResponseCount));
    }
  } catch (const std::exception&) {
    // Left out: the report of the same driver tells what is wrong.
  }
  try {
    if (const DriverList::Entry* e = selectedEntry(state_.ToList, table);
        e && LoadNewDriver(table, e->itemData, db, driver)) {
      LoadNewResponse(table, e->itemData, db, driver);
      responses.push_back(responseOf(ResponseSide::New, e->text, driver, ResponseCount));
    }
  } catch (const std::exception&) {
    // Left out, as above.
  }
  scope.setBusy(false);
  return responses;
}

}  // namespace qbm
