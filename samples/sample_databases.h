#pragma once
// The three sample driver databases, written with the project's own engine: a new database
// (qbaudio.mdb), a previous-format old one (xqbaudio.mdb) and a legacy one (spkrbase.mdb), with
// realistic contents that depend only on the number of drivers and the seed. The same options
// give byte-identical files: every random choice comes from the seed (never from the clock or the
// standard distributions), every write happens in the same order, and the files carry a fixed
// creation date instead of the clock's. (Parameters come from exp, log and pow, so another
// platform's math library may round a last digit otherwise and make other, equally valid files.)

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace qbm::samples {

inline constexpr std::string_view NewSampleFile = "qbaudio.mdb";
inline constexpr std::string_view PreviousSampleFile = "xqbaudio.mdb";
inline constexpr std::string_view LegacySampleFile = "spkrbase.mdb";

// Up to this many new drivers the three files stay well inside the 2 GB an Access file may hold.
inline constexpr int MaxSampleDrivers = 500000;
inline constexpr int MaxSampleCompanies = 100000;

struct SampleOptions {
  int drivers = 2000;      // rows of "woofers" and "tweeters" in the new database, 0 … MaxSampleDrivers
  std::uint64_t seed = 1;  // the same seed and drivers give the same files
  // Companies of the new database: 0 for as many as the drivers call for (IDs within 900);
  // otherwise that many, 0 … MaxSampleCompanies (IDs past 900 from 901 companies on).
  int companies = 0;
  // Access 2000 (Jet 4) or Access 97 (Jet 3) files; the contents are the same in both, the Jet 3
  // text in code page 1252, and both sort text keys in the "General" order.
  jet::Format format = jet::Format::Jet4;
  // Told after each row written: the file being written (its final path) and its rows so far.
  std::function<void(const std::filesystem::path& file, std::int64_t rows)> progress = {};
};

struct SampleTableCount {
  std::string table;
  std::int64_t rows = 0;
};

struct SampleFileSummary {
  std::filesystem::path path;
  std::vector<SampleTableCount> tables;
};

// The creation date written into the sample files.
jet::DateTime sampleTimestamp();

// Writes the three files into dir (made when missing). Nothing is written over: when any of the
// three exists, throws std::runtime_error naming it, before anything is written. Each file is
// written under a temporary name and renamed when complete, so a failure leaves none half-made.
// Engine errors (jet::Error) and file-system errors reach the caller. REQUIRES: valid options.
std::vector<SampleFileSummary> writeSampleDatabases(const std::filesystem::path& dir, const SampleOptions& options);

}  // namespace qbm::samples
