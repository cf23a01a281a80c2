#include "samples/sample_databases.h"

#include <stdexcept>
#include <system_error>

#include "db/legacy_table.h"
#include "db/schema.h"
#include "common/date_text.h"
#include "jet/database.h"
#include "jet/path_text.h"
#include "samples/driver_row_values.h"
#include "samples/driver_table_definitions.h"
#include "samples/legacy_database_plan.h"
#include "samples/new_database_plan.h"
#include "samples/previous_database_plan.h"
#include "samples/row_values.h"

namespace qbm::samples {

namespace {

namespace fs = std::filesystem;

// Rows written between two commits: large transactions are fast, and this keeps the pages a
// transaction holds bounded.
constexpr int kRowsPerTransaction = 4000;

// Counts rows and commits every kRowsPerTransaction of them.
class BatchedWrites {
 public:
  // onRow: told after each row, when given.
  BatchedWrites(jet::Database& db, const std::function<void()>& onRow) : db_(db), onRow_(onRow) { db_.begin(); }
  void rowWritten() {
    if (onRow_) onRow_();
    if (++pending_ < kRowsPerTransaction) return;
    db_.commit();
    db_.begin();
    pending_ = 0;
  }
  void finish() { db_.commit(); }

 private:
  jet::Database& db_;
  const std::function<void()>& onRow_;
  int pending_ = 0;
};

RowValues rowValuesOf(const SampleRow& row, DriverTable table) {
  RowValues values = driverRowOf(row.driver, table);
  values.set(fields::UserEntry, row.userEntry);
  values.set(fields::Date, row.date ? jet::Value(*row.date) : jet::Value(jet::Null{}));
  if (row.sparse) {
    // An old entry never had the values it does not give: Null, not 0.
    RowValues sparse;
    for (const auto& [field, value] : values.values()) {
      const double* number = value.getIf<double>();
      sparse.add(field, number && *number == 0 ? jet::Value(jet::Null{}) : value);
    }
    return sparse;
  }
  return values;
}

RowValues companyValuesOf(const SampleCompany& c) {
  RowValues values = companyRowOf(c.row);
  values.set(fields::Company, c.name ? jet::Value(*c.name) : jet::Value(jet::Null{}));
  values.set(fields::UserEntry, c.userEntry);
  return values;
}

// The five tables of a driver database being filled.
struct DriverTables {
  explicit DriverTables(jet::Database& db)
      : companies(db.table(tables::Companies), fields::ID, indexes::ID),
        woofers(db.table(tables::Woofers), fields::ID, indexes::ID),
        tweeters(db.table(tables::Tweeters), fields::ID, indexes::ID),
        wooferResponse(db.table(tables::WooferResponse), fields::DriverID, indexes::DriverID),
        tweeterResponse(db.table(tables::TweeterResponse), fields::DriverID, indexes::DriverID) {}
  RowAppender companies, woofers, tweeters, wooferResponse, tweeterResponse;
};

// Writes one row and its response; checks that the row got the ID its plan gave it, since the
// links of the other sections were made from it.
void writeDriverRow(DriverTables& t, BatchedWrites& batch, const SampleRow& row, bool tweeterRow,
                    std::int32_t expectedId) {
  const DriverTable table = tweeterRow ? DriverTable::Tweeters : DriverTable::Woofers;
  const std::int32_t id = (tweeterRow ? t.tweeters : t.woofers).add(rowValuesOf(row, table));
  if (id != expectedId)
    throw std::logic_error("sample row " + row.driver.Model + " got ID " + std::to_string(id) + ", planned " +
                           std::to_string(expectedId));
  batch.rowWritten();
  if (!row.driver.Acoustic || row.responseLost) return;
  (tweeterRow ? t.tweeterResponse : t.wooferResponse).add(responseRowOf(id, row.driver.Response, row.userEntry));
  batch.rowWritten();
}

std::int32_t plannedId(const SampleUnit& unit, Section section) {
  return section == Section::Mid ? unit.midId : isTweeterRow(section, unit) ? unit.tweeterId : unit.wooferId;
}

void writeCompanies(DriverTables& t, BatchedWrites& batch, const std::vector<SampleCompany>& companies) {
  for (const SampleCompany& c : companies) {
    t.companies.add(companyValuesOf(c));
    batch.rowWritten();
  }
}

SampleFileSummary summaryOf(jet::Database& db, const fs::path& path) {
  SampleFileSummary summary{path, {}};
  for (const std::string& name : db.tableNames()) summary.tables.push_back({name, db.table(name).rowCount()});
  return summary;
}

jet::Database createSampleFile(const fs::path& path, jet::Format format) {
  fs::remove(path);  // a temporary file left by an earlier run that failed
  return jet::Database::create(path, format, sampleTimestamp());
}

void writeNew(jet::Database& db, const NewDatabasePlan& plan, const std::function<void()>& onRow) {
  createDriverTables(db);
  DriverTables t(db);
  BatchedWrites batch(db, onRow);
  writeCompanies(t, batch, plan.companies);
  for (std::size_t u = 0; u < plan.units.size(); ++u)
    for (Section s : sectionsOf(plan.units[u]))
      writeDriverRow(t, batch, sampleRow(plan, u, s), isTweeterRow(s, plan.units[u]), plannedId(plan.units[u], s));
  batch.finish();
}

void writePrevious(jet::Database& db, const NewDatabasePlan& plan, const PreviousDatabasePlan& old, const std::function<void()>& onRow) {
  createDriverTables(db);
  DriverTables t(db);
  BatchedWrites batch(db, onRow);
  writeCompanies(t, batch, old.companies);
  for (const OldUnit& unit : old.units)
    for (Section s : sectionsOf(unit.unit))
      writeDriverRow(t, batch, previousRow(plan, old, unit, s), isTweeterRow(s, unit.unit), plannedId(unit.unit, s));
  batch.finish();
}

void writeLegacy(jet::Database& db, const NewDatabasePlan& plan, const std::vector<LegacyRowPlan>& rows, const std::function<void()>& onRow) {
  createLegacyTable(db);
  RowAppender table(db.table(legacy::Table), legacy::fields::Index, LegacyKeyIndex);
  BatchedWrites batch(db, onRow);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    table.add(legacyRowValues(plan, rows[i], i));
    batch.rowWritten();
  }
  batch.finish();
}

// Writes one file under a temporary name and gives it its name when complete.
template <class Fill>
SampleFileSummary writeFile(const fs::path& path, const SampleOptions& options, Fill fill) {
  const fs::path partial = fs::path(path).concat(".partial");
  SampleFileSummary summary;
  std::int64_t rows = 0;
  const std::function<void()> onRow = [&] {
    if (options.progress) options.progress(path, ++rows);
  };
  try {
    jet::Database db = createSampleFile(partial, options.format);
    fill(db, onRow);
    summary = summaryOf(db, path);
  } catch (...) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw;
  }
  fs::rename(partial, path);
  return summary;
}

}  // namespace

jet::DateTime sampleTimestamp() { return jet::DateTime{serialFromCivilDate({2005, 6, 1}) + 0.5}; }  // noon

std::vector<SampleFileSummary> writeSampleDatabases(const fs::path& dir, const SampleOptions& options) {
  if (options.drivers < 0 || options.drivers > MaxSampleDrivers)
    throw std::invalid_argument("the number of drivers must be 0 to " + std::to_string(MaxSampleDrivers));
  if (options.companies < 0 || options.companies > MaxSampleCompanies)
    throw std::invalid_argument("the number of companies must be 0 to " + std::to_string(MaxSampleCompanies));
  const fs::path files[] = {dir / NewSampleFile, dir / PreviousSampleFile, dir / LegacySampleFile};
  for (const fs::path& f : files)
    if (fs::exists(f))
      throw std::runtime_error(jet::utf8Of(f) + " exists already; sample databases are never written over an existing "
                               "file: remove it or choose another folder");
  fs::create_directories(dir);

  const NewDatabasePlan plan = planNewDatabase(options.seed, options.drivers, options.companies);
  std::vector<SampleFileSummary> written;
  written.push_back(writeFile(files[0], options, [&](jet::Database& db, const auto& onRow) { writeNew(db, plan, onRow); }));
  const PreviousDatabasePlan old = planPreviousDatabase(plan);
  written.push_back(
      writeFile(files[1], options, [&](jet::Database& db, const auto& onRow) { writePrevious(db, plan, old, onRow); }));
  const std::vector<LegacyRowPlan> legacyRows = planLegacyDatabase(plan);
  written.push_back(
      writeFile(files[2], options, [&](jet::Database& db, const auto& onRow) { writeLegacy(db, plan, legacyRows, onRow); }));
  return written;
}

}  // namespace qbm::samples
