#pragma once
// The main window's commands without any widget. Each command is one event procedure of the
// window; what needs a person goes through the UserInterface, and the state a view shows is
// state(). After every command, and after each file dialog closes, the change listener is called
// so that a view can show the new state.
//
// Every command that touches a database sets the busy pointer for its run and never leaves it set,
// nor the progress window shown, whatever happens. A database that cannot be read to the end is
// reported in a message naming the file; the list of that side is then left empty.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/user_interface.h"
#include "olddb/old_driver_rows.h"
#include "report/response_plot.h"
#include "session/merge_command.h"
#include "session/main_window_state.h"

namespace qbm {

class OperationScope;

class Session {
 public:
  // The window as loaded: only the new side shown, metric units, empty labels and reports.
  explicit Session(UserInterface& ui);
  // Unloads: closes both sides.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  MainWindowState& state() { return state_; }
  const MainWindowState& state() const { return state_; }
  UserInterface& ui() { return ui_; }

  // Called after every command and after every file dialog.
  void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }

  // "Open New Database": opens the new side, then rescanNewDatabase. A cancelled or refused open
  // lists nothing.
  void ToOpen_Click();
  // Lists every driver of the open new database in ToList with the tooltip "Driver count = N",
  // builds the new company names and shows the old side; then the merge button. What the merge
  // runs at its end, so that ToList shows the file as it now is.
  void rescanNewDatabase();
  // "Open Old Database": opens the old side and lists its drivers in FromList (all of them, or only
  // those that need merging, by FromOpt; "Show Changed Drivers" when neither is selected), with
  // OldDriverCount in the tooltip.
  void FromOpen_Click();
  // ToOpen_Click and FromOpen_Click with the file given instead of chosen in the dialog (the
  // command line); the same in every other way, except that onlyRead opens the new database
  // read-only, for a command that does not merge (OpenDatabasePath).
  void ToOpen(const std::string& path, bool onlyRead = false);
  void FromOpen(const std::string& path);
  // "Omit Driver": removes the selected FromList entries, updates the count and tooltip, empties
  // FromRText and hides the button.
  void FromOmit_Click();
  // A click in FromList (after the view has set its selection and focus): the FromOmit button by
  // the number of selected entries; the report of the focused entry in FromRText when it is
  // selected, FromRText empty when not.
  void FromList_Click();
  // A click in ToList: the report of the focused entry in ToRText when it is selected.
  void ToList_Click();
  // The units option: 0 English, 1 metric; then the old report and the new report are rebuilt in
  // that order, each only when its box holds text.
  void UnitsOpt_Click(int index);
  // The acoustic responses of the drivers selected in FromList and in ToList (each list's focused
  // entry, when it is selected), old first, for the Response window: 94 levels (5 Hz to 2000 Hz)
  // for a legacy driver, 134 otherwise. They are read into a record of their own, so WorkingDriver
  // and the reports stay as they are. A driver that cannot be read is left out; no message.
  std::vector<DriverResponse> SelectedResponses();
  // "Merge >": copies every driver FromList lists into the new database, in list order. First
  // the merge is planned (merge/merge_plan.h: old row, LoadOldDriver, company and model match,
  // every decision made, nothing written), then the overwrite question is asked when the plan
  // needs it, with no transaction open, then the plan is written as one transaction
  // (merge/apply_merge_plan.h: CopyCompany and WriteDriver); the progress bar moves per entry in
  // each step. Then FromList, its tooltip and FromRText are emptied and the new database is
  // rescanned (rescanNewDatabase); what could not be written is told in a message.
  // An empty FromList does nothing at all. With no new database open, a message and nothing else.
  // A new database that fails the check before the first write (merge/new_database_check.h) is
  // refused with a message naming what is wrong: nothing is written and FromList is kept.
  // An error that stops the merge rolls it back and is told in a message; FromList is kept, and
  // the session's state is as before the click (the merge kept its own), so nothing needs to be
  // read again. The progress window and the busy pointer are never left behind.
  MergeOutcome MMerge_Click(const MergeOptions& options = {});
  // "Undo Merge" (shown as MUndo, also Ctrl+Z): when a merge into the new database is kept to be
  // undone (KeptMerge), asks UndoMergeQuestion; on Yes puts the new file back exactly as it was
  // before that merge (jet's undo record), opens it again and rescans it, and rescans the old side
  // so that its list shows the drivers again. When the file was changed after that merge, a
  // message says so, the button goes, and nothing is changed. Does nothing while MUndo is hidden.
  UndoOutcome MUndo_Click();
  // MUndo and KeptMerge as the new database's undo record says: shown only while the record fits
  // the file as it is. What every rescan of the new side runs.
  void UpdateUndoButton();
  // "Close": unloads the window (Unload).
  void MClose_Click();
  // Closes the old side's tables and database, then the new side's, ignoring errors. Safe to call
  // more than once.
  void Unload();

  // MMerge is shown exactly while both lists hold entries.
  void UpdateMergeButton();

 private:
  void notify();
  void listNewDatabase(OperationScope& scope);
  void listOldDatabase(OperationScope& scope);
  // What FromOpen_Click does after the dialog: the old list, then the merge button.
  void scanOldSide();
  void revealOldSide();
  // The report of the focused entry when it is selected; otherwise an empty box.
  void showOldReport();
  void showNewReport();
  // FromOmit shown with "Omit Driver" or "Omit Drivers" while entries are selected.
  void updateOmitButton();

  UserInterface& ui_;
  MainWindowState state_;
  OldDriverRows oldRows_;  // the old rows FromList entries name
  std::function<void()> changed_;
};

}  // namespace qbm
