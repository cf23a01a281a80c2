#include "session/session.h"

#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {

std::string DriverCountTooltip(long count) { return "Driver count = " + std::to_string(count); }

Session::Session(UserInterface& ui) : ui_(ui) {
  DatabaseState& db = state_.databases;
  db.clearFromList = [this] { state_.FromList.clear(); };
  db.clearFromRText = [this] { state_.FromRText.clear(); };
  db.clearToList = [this] { state_.ToList.clear(); };
  db.clearToRText = [this] { state_.ToRText.clear(); };
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
  if (marker == EntryMarker::Tweeter) {
    if (!db.OldTweeters) return false;
    SelectIndex(*db.OldTweeters, indexes::ID);
    return db.OldTweeters->seek(jet::Value{itemData});
  }
  if (!db.OldWoofers) return false;
  if (db.OldDbKind == LegacyDbKind) {
    if (!legacyRows_) legacyRows_.emplace(*db.OldWoofers);
    return legacyRows_->moveTo(*db.OldWoofers, itemData);
  }
  if (db.OldDbKind != PreviousFormatDbKind) return false;
  SelectIndex(*db.OldWoofers, indexes::ID);
  return db.OldWoofers->seek(jet::Value{itemData});
}

}  // namespace qbm
