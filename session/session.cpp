#include "session/session.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "jet/error.h"

namespace qbm {
namespace {

// Seeks the row of that ID through the index "ID". The row found must hold the ID: an index entry
// that leads to another row is damage (Error(Damaged)), not that driver.
bool seekId(jet::Table& table, std::int32_t id) {
  SelectIndex(table, indexes::ID);
  if (!table.seek(jet::Value{id})) return false;
  if (readLong(fieldValue(table, fields::ID)) != id)
    throw jet::Error(jet::ErrorCode::Damaged, "the index ID of table " + table.name() + " leads the ID " +
                                                  std::to_string(id) + " to a row of another ID");
  return true;
}

}  // namespace

std::string DriverCountTooltip(long count) { return "Driver count = " + std::to_string(count); }

Session::Session(UserInterface& ui) : ui_(ui) {
  DatabaseState& db = state_.databases;
  db.clearFromList = [this] { state_.FromList.clear(); };
  // CloseDatabaseSide empties the report last: the window then shows the closed side (no list,
  // report, name or "Merge >") before the file dialog opens over it.
  db.clearFromRText = [this] {
    state_.FromRText.clear();
    UpdateMergeButton();
    notify();
  };
  db.clearToList = [this] { state_.ToList.clear(); };
  db.clearToRText = [this] {
    state_.ToRText.clear();
    UpdateMergeButton();
    notify();
  };
}

Session::~Session() { Unload(); }

void Session::notify() {
  if (changed_) changed_();
}

void Session::UpdateMergeButton() {
  state_.visible.MMerge = !state_.FromList.empty() && !state_.ToList.empty();
}

void Session::MClose_Click() {
  Unload();
  notify();
}

void Session::Unload() {
  legacyRows_.reset();
  ReleaseDatabaseSide(OldSide, state_.databases);
  ReleaseDatabaseSide(NewSide, state_.databases);
}

bool Session::MoveToOldRow(EntryMarker marker, std::int32_t itemData) {
  DatabaseState& db = state_.databases;
  OldDriverSelection& selection = state_.selection;
  if (marker == EntryMarker::Other) return false;
  selection.OldDriverIsTweeter = marker == EntryMarker::Tweeter ? YesNoTrue : YesNoFalse;
  selection.OldDriverId = itemData;
  if (!db.OldDbOpen) return false;
  if (marker == EntryMarker::Tweeter) return db.OldTweeters && seekId(*db.OldTweeters, itemData);
  if (!db.OldWoofers) return false;
  if (db.OldDbKind == LegacyDbKind) {
    if (!legacyRows_) legacyRows_.emplace(*db.OldWoofers);
    return legacyRows_->moveTo(*db.OldWoofers, itemData);
  }
  if (db.OldDbKind != PreviousFormatDbKind) return false;
  return seekId(*db.OldWoofers, itemData);
}

}  // namespace qbm
