#pragma once
// How the merge finds things in the new database: an old driver's company and its row, and the
// rows a driver's section links name. The merge asks through this interface and tells it what it
// wrote, so that every later driver is matched against the new database as it then is.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "merge/company_matcher.h"
#include "merge/merge_state.h"
#include "merge/new_model_index.h"
#include "merge/response_index.h"
#include "db/company_names.h"

namespace qbm {

class NewDriverMatcher {
 public:
  virtual ~NewDriverMatcher() = default;

  // The IDs, highest first, of the companies the old company name names: those whose
  // full or short name (NewCompanyFull, NewCompanyShort) begins with it, ignoring case; for an
  // empty name those that exist with an empty full name. upperName is the old name upper-cased
  // (UpperCase).
  virtual std::vector<std::int32_t> matchCompanies(const std::string& upperName) = 0;

  // The first row, in "Model" index order, of the table whose Model is not Null, whose ID is above
  // 0, whose Company ID is companyId and whose model, normalised, equals oldKey (NormalizeModel of
  // the old driver's CurrentModel) either without its section suffix or whole (NewModelKeys).
  virtual std::optional<MergeRow> matchModel(DriverTable table, std::int32_t companyId,
                                             std::string_view oldKey) = 0;

  // The "ID" of the first row of the table in "Model" index order whose Model equals model under
  // the index's comparison (letter case ignored), whatever its company and ID; 0 when none.
  // Engine errors (a table without the index "Model") reach the caller.
  virtual std::int32_t sectionRowId(DriverTable table, const std::string& model) = 0;

  // The first row of the driver table's response table ("woofer-response", "tweeter-response")
  // in "Driver ID" index order whose "Driver ID" is driverId; nothing when none. Engine errors (a
  // table without the index "Driver ID") reach the caller.
  virtual std::optional<jet::Bookmark> responseRow(DriverTable table, std::int32_t driverId) = 0;

  // The names of company id changed in the new name tables.
  virtual void companyChanged(std::int32_t id) = 0;
  // The row of the table was added or edited.
  virtual void rowWritten(DriverTable table, const jet::Bookmark& row) = 0;
  // A response row for driverId was added to, or deleted from, the table's response table.
  virtual void responseAdded(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) = 0;
  virtual void responseDeleted(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) = 0;
};

// The matcher the merge uses: look-ups built once per merge (each driver table on first use) and
// kept up to date as the merge writes.
class IndexedDriverMatcher : public NewDriverMatcher {
 public:
  // REQUIRES: the new side is open. The tables and the names must outlive the matcher.
  IndexedDriverMatcher(DatabaseState& db, const CompanyNameTables& names);

  std::vector<std::int32_t> matchCompanies(const std::string& upperName) override;
  std::optional<MergeRow> matchModel(DriverTable table, std::int32_t companyId,
                                     std::string_view oldKey) override;
  std::int32_t sectionRowId(DriverTable table, const std::string& model) override;
  std::optional<jet::Bookmark> responseRow(DriverTable table, std::int32_t driverId) override;
  void companyChanged(std::int32_t id) override;
  void rowWritten(DriverTable table, const jet::Bookmark& row) override;
  void responseAdded(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) override;
  void responseDeleted(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) override;

 private:
  NewModelIndex& modelsOf(DriverTable table);
  ResponseIndex& responsesOf(DriverTable table);

  DatabaseState& db_;
  CompanyMatcher companies_;
  std::unique_ptr<NewModelIndex> woofers_, tweeters_;
  std::unique_ptr<ResponseIndex> wooferResponses_, tweeterResponses_;
};

}  // namespace qbm
