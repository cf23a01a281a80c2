#pragma once
// Every save to the NEW database during a merge goes through here: the row is saved as one write
// step (write_step.h) and the merge's look-ups and the new company name tables are told of it, so
// that every later driver is matched against the file as it then is.

#include <cstdint>
#include <optional>
#include <string>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "merge/merge_state.h"
#include "merge/new_driver_matcher.h"
#include "merge/write_problems.h"
#include "db/company_names.h"

namespace qbm {

class NewDatabaseWriter {
 public:
  // REQUIRES: the new side is open. Everything given must outlive the writer.
  NewDatabaseWriter(DatabaseState& db, CompanyNameTables& names, NewDriverMatcher& lookups,
                    WriteProblems& problems)
      : db_(db), names_(names), lookups_(lookups), problems_(problems) {}

  DatabaseState& db() { return db_; }
  NewDriverMatcher& lookups() { return lookups_; }
  WriteProblems& problems() { return problems_; }

  // Saves the row being added to or edited in the driver table; its ID and bookmark. Nothing when
  // it could not be saved: the change is dropped and recorded for label.
  std::optional<MergeRow> saveDriverRow(DriverTable table, const std::string& label);

  // Saves the company row being added; the ID the database gave it, which NewCompanyFull and
  // NewCompanyShort then hold the name under. Nothing when it could not be
  // saved (dropped and recorded for label; the name tables unchanged).
  std::optional<std::int32_t> saveCompanyRow(const std::string& name, const std::string& label);

  // Saves the row being added (added) or edited in the driver table's response table; false when
  // it could not be saved (dropped and recorded for label).
  bool saveResponseRow(DriverTable table, bool added, const std::string& label);

  // Deletes the current row of the driver table's response table, the row of driverId; false when
  // it could not be deleted (recorded for label).
  bool deleteResponseRow(DriverTable table, std::int32_t driverId, const std::string& label);

 private:
  bool save(jet::Table& table, const std::string& label, const std::string& what);

  DatabaseState& db_;
  CompanyNameTables& names_;
  NewDriverMatcher& lookups_;
  WriteProblems& problems_;
};

// The table of a driver table in the new database, and its response table.
jet::Table& NewDriverTable(DatabaseState& db, DriverTable table);
jet::Table& NewResponseTable(DatabaseState& db, DriverTable table);

}  // namespace qbm
