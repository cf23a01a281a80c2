#include "samples/driver_database_builder.h"

#include "db/legacy_table.h"
#include "db/schema.h"
#include "samples/driver_table_definitions.h"

namespace qbm::samples {

namespace {

jet::Database createDatabase(const std::filesystem::path& path, const BuilderOptions& options) {
  return options.timestamp ? jet::Database::create(path, options.format, *options.timestamp)
                           : jet::Database::create(path, options.format);
}

std::int32_t addTo(jet::Database& db, std::string_view table, const RowValues& row,
                   std::string_view key = fields::ID) {
  jet::Table t = db.table(table);
  return addRow(t, row, key);
}

RowValues merged(RowValues row, const RowValues& extra) {
  for (const auto& [field, value] : extra.values()) row.set(field, value);
  return row;
}

}  // namespace

DriverDatabaseBuilder::DriverDatabaseBuilder(const std::filesystem::path& path, BuilderOptions options)
    : db_(createDatabase(path, options)) {
  createDriverTables(db_);
}

std::int32_t DriverDatabaseBuilder::addCompany(const RowValues& row) { return addTo(db_, tables::Companies, row); }
std::int32_t DriverDatabaseBuilder::addWoofer(const RowValues& row) { return addTo(db_, tables::Woofers, row); }
std::int32_t DriverDatabaseBuilder::addTweeter(const RowValues& row) { return addTo(db_, tables::Tweeters, row); }

std::int32_t DriverDatabaseBuilder::addWooferRecord(const WorkingDriver& driver, const RowValues& extra) {
  return addWoofer(merged(driverRowOf(driver, DriverTable::Woofers), extra));
}

std::int32_t DriverDatabaseBuilder::addTweeterRecord(const WorkingDriver& driver, const RowValues& extra) {
  return addTweeter(merged(driverRowOf(driver, DriverTable::Tweeters), extra));
}

std::int32_t DriverDatabaseBuilder::addCompanyRecord(const DriverCompany& company, const RowValues& extra) {
  return addCompany(merged(companyRowOf(company), extra));
}

void DriverDatabaseBuilder::addWooferResponse(std::int32_t driverId, std::span<const float> levels, bool userEntry) {
  addWooferResponse(responseRowOf(driverId, levels, userEntry));
}

void DriverDatabaseBuilder::addTweeterResponse(std::int32_t driverId, std::span<const float> levels, bool userEntry) {
  addTweeterResponse(responseRowOf(driverId, levels, userEntry));
}

void DriverDatabaseBuilder::addWooferResponse(const RowValues& row) {
  jet::Table t = db_.table(tables::WooferResponse);
  addRow(t, row, fields::DriverID);
}

void DriverDatabaseBuilder::addTweeterResponse(const RowValues& row) {
  jet::Table t = db_.table(tables::TweeterResponse);
  addRow(t, row, fields::DriverID);
}

LegacyDatabaseBuilder::LegacyDatabaseBuilder(const std::filesystem::path& path, BuilderOptions options)
    : db_(createDatabase(path, options)) {
  createLegacyTable(db_);
}

std::int32_t LegacyDatabaseBuilder::addRow(const RowValues& row) {
  return addTo(db_, legacy::Table, row, legacy::fields::Index);
}

}  // namespace qbm::samples
