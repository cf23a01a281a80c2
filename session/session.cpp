#include "session/session.h"

namespace qbm {
std::string DriverCountTooltip(long count) { return "Driver count = " + std::to_string(count); }

Session::Session(UserInterface& ui) : ui_(ui) {
  DatabaseState& db = state_.databases;
  db.Old.clearList = [this] { state_.FromList.clear(); };
  // CloseDatabaseSide empties the report last: the window then shows the closed side (no list,
  // report, name or "Merge >") before the file dialog opens over it.
  db.Old.clearRText = [this] {
    state_.FromRText.clear();
    UpdateMergeButton();
    notify();
  };
  db.New.clearList = [this] { state_.ToList.clear(); };
  db.New.clearRText = [this] {
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
  oldRows_.reset();
  ReleaseDatabaseSide(Side::Old, state_.databases);
  ReleaseDatabaseSide(Side::New, state_.databases);
}

}  // namespace qbm
