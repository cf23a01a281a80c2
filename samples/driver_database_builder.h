#pragma once
// Purpose-made driver databases for tests: a new or previous-format database (the five tables) or
// a legacy one ("woofer data"), filled with exactly the rows a test names, Nulls included.
//
//   DriverDatabaseBuilder db(dir / "xqbaudio.mdb");
//   std::int32_t peerless = db.addCompany({{"Company", "Peerless Fabrikkerne, Ltd."}});
//   std::int32_t w = db.addWoofer({{"Model", "CSC 145H"}, {"Company ID", peerless},
//                                  {"User Entry", true}, {"Acoustic", true}, {"Fs", 38.0}});
//   db.addWooferResponse(w, levels);
//   db.close();
//
//   LegacyDatabaseBuilder old(dir / "spkrbase.mdb");
//   old.addRow({{"Index", -3}, {"Model", "X - PARALLEL"}, {"Manufacturer", "PEERLESS"}});
//
// Every add is written at once (each in its own transaction unless the caller opened one on
// database()); rows read back as written. Fields a row does not name are Null (yes/no fields
// false). A row may name its own "ID" / "Index" (any value, also 0 or negative); otherwise the
// table numbers it 1, 2, 3 … in the order added.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "jet/database.h"
#include "samples/driver_row_values.h"
#include "samples/row_values.h"

namespace qbm::samples {

struct BuilderOptions {
  jet::Format format = jet::Format::Jet4;
  // Creation dates written into the file; unset: the clock.
  std::optional<jet::DateTime> timestamp;
};

class DriverDatabaseBuilder {
 public:
  // Creates the file with the five empty tables. Throws jet::Error when the file exists or cannot
  // be made.
  explicit DriverDatabaseBuilder(const std::filesystem::path& path, BuilderOptions options = {});

  // Each returns the row's "ID".
  std::int32_t addCompany(const RowValues& row);
  std::int32_t addWoofer(const RowValues& row);
  std::int32_t addTweeter(const RowValues& row);
  // The record's fields (driverRowOf / companyRowOf), then `extra` over them (e.g. "User Entry").
  std::int32_t addWooferRecord(const WorkingDriver& driver, const RowValues& extra = {});
  std::int32_t addTweeterRecord(const WorkingDriver& driver, const RowValues& extra = {});
  std::int32_t addCompanyRecord(const DriverCompany& company, const RowValues& extra = {});

  // A response row for the driver with this "ID". REQUIRES: levels.size() == ResponseCount.
  void addWooferResponse(std::int32_t driverId, std::span<const float> levels, bool userEntry = false);
  void addTweeterResponse(std::int32_t driverId, std::span<const float> levels, bool userEntry = false);
  // A response row as given (e.g. with Null levels or without "Driver ID").
  void addWooferResponse(const RowValues& row);
  void addTweeterResponse(const RowValues& row);

  // The open database, for anything else (a transaction around many adds, a deletion).
  jet::Database& database() { return db_; }
  // Closes the file (an open transaction is rolled back); later adds throw jet::Error.
  void close() { db_.close(); }

 private:
  jet::Database db_;
};

class LegacyDatabaseBuilder {
 public:
  // Creates the file with an empty "woofer data" table. Throws jet::Error as above.
  explicit LegacyDatabaseBuilder(const std::filesystem::path& path, BuilderOptions options = {});

  // Adds a row of "woofer data"; returns its "Index".
  std::int32_t addRow(const RowValues& row);

  jet::Database& database() { return db_; }
  void close() { db_.close(); }

 private:
  jet::Database db_;
};

}  // namespace qbm::samples
