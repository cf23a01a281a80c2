#pragma once
// Everything the main window shows or keeps, without any widget: the open databases, both lists,
// both report boxes, the labels (in DatabaseState), which controls are shown, the option states and
// the working record. A view renders it and mirrors the person's input into the lists' selection
// and focus and into FromOpt; every other member is changed only by the session's commands.

#include <cstdint>
#include <optional>
#include <string>

#include "db/database_state.h"
#include "db/table_walk.h"
#include "db/old_driver_selection.h"
#include "db/working_driver.h"
#include "db/company_names.h"
#include "merge/merge_record.h"
#include "report/display_units.h"
#include "report/report_box.h"
#include "session/driver_list.h"

namespace qbm {

inline constexpr std::string_view OmitDriverCaption = "Omit Driver";
inline constexpr std::string_view OmitDriversCaption = "Omit Drivers";

// The controls whose visibility changes while the program runs; all others are always shown.
struct ControlVisibility {
  // The old side, hidden until a new database has been scanned, then shown for good.
  bool FromOpt = false;  // both option buttons
  bool FromOpen = false;
  bool FromName = false;
  bool FromLabel = false;  // both headings
  bool FromList = false;
  bool FromRText = false;
  bool FromOmit = false;  // while old entries are selected (FromList_Click)
  bool MMerge = false;    // while both lists hold entries (UpdateMergeButton)
  bool MUndo = false;     // while the new database has a merge kept to undo (UpdateUndoButton)
  friend bool operator==(const ControlVisibility&, const ControlVisibility&) = default;
};

// The indexes of the FromOpt option pair.
inline constexpr int ShowChangedDriversOption = 0;
inline constexpr int ShowAllDriversOption = 1;

struct MainWindowState {
  DatabaseState databases;          // both sides, with the FromName and ToName labels
  CompanyNameTables companyNames;   // OldCompanyFull/Short, NewCompanyFull/Short
  qbm::WorkingDriver WorkingDriver;
  OldDriverSelection selection;     // OldDriverId, OldDriverIsTweeter

  DriverList FromList{DriverList::Selection::Extended};
  DriverList ToList{DriverList::Selection::Single};
  ReportBox FromRText;
  ReportBox ToRText;
  ControlVisibility visible;
  std::string FromOmitCaption{OmitDriverCaption};

  // FromOpt: nothing selected at start; the scan selects "Show Changed Drivers" if still so.
  std::optional<int> FromOpt;
  int UnitsOpt = 1;  // MetricUnitsOption
  qbm::UnitLabels UnitLabels = MetricUnitLabels();

  std::int32_t OldDriverCount = 0;  // entries in FromList, shown in its tooltip
  ReadProblems OldUnreadable;       // what the last old scan could not read (told by the merge too)
  // The merge that "Undo Merge" would undo: the record the last merge into the new database kept,
  // while it still fits the file. Nothing while MUndo is hidden.
  std::optional<MergeRecord> KeptMerge;
};

// "Driver count = " followed by the number.
std::string DriverCountTooltip(long count);

}  // namespace qbm
