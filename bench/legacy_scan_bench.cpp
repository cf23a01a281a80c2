// Speed of the legacy "Show Changed Drivers" scan: every driver of a legacy old database matched
// against the new database's woofers by model and maker, beside a plain walk of the same two tables
// that reads the same fields and decides nothing (the floor any scan pays), and beside the walk the
// matching rules describe literally (a seek and, for every driver not matched directly, a walk over
// all new woofers), run only where it finishes in reasonable time. The matching alone is also
// measured in memory on generated drivers at 1k, 10k and 100k, beside the literal walk.
//
//   cmake -S . -B build-bench -G Ninja -DQBMERGE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//         -DQBM_SHARED_DIR=/path/to/shared   (one command line)
//   cmake --build build-bench --target legacy_scan_bench
//   QBM_BENCH_DATA=/folder/with/qbaudio.mdb+spkrbase.mdb build-bench/bench/legacy_scan_bench
// Without QBM_BENCH_DATA the shared fixtures are used. See docs/benchmarks.md for the figures.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>

#include "db/database_state.h"
#include "db/field_read.h"
#include "db/open_database_file.h"
#include "db/schema.h"
#include "olddb/company_match.h"
#include "olddb/legacy_change_rules.h"
#include "olddb/model_names.h"
#include "olddb/new_woofer_lookup.h"
#include "olddb/old_database_scan.h"

namespace {

namespace fs = std::filesystem;

class QuietUserInterface : public qbm::UserInterface {
 public:
  std::optional<std::string> file;
  std::optional<std::string> chooseFile(const qbm::FileDialogSettings&) override {
    return std::exchange(file, std::nullopt);
  }
  void showMessage(const std::string&, qbm::MessageIcon) override {}
  bool askYesNo(const std::string&) override { return false; }
  void showProgress(const std::string&) override {}
  void updateProgress(long, long) override {}
  void hideProgress() override {}
  void setBusy(bool) override {}
};

fs::path dataFolder() {
  if (const char* folder = std::getenv("QBM_BENCH_DATA")) return folder;
  return fs::path(QBM_SHARED_DIR) / "fixtures";
}

// Both sides open on copies of the data, with the new company names built.
struct Sides {
  fs::path dir;
  QuietUserInterface ui;
  qbm::DatabaseState state;
  qbm::CompanyNameTables names;
  long oldRows = 0, newRows = 0;

  Sides() {
    dir = fs::temp_directory_path() / ("qbm-legacy-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    open(qbm::Side::New, "qbaudio.mdb");
    open(qbm::Side::Old, "spkrbase.mdb");
    qbm::BuildCompanyNames(*state.New.Companies, names.NewCompanyFull, names.NewCompanyShort);
    oldRows = state.Old.Woofers->rowCount();
    newRows = state.New.Woofers->rowCount();
  }
  ~Sides() {
    qbm::ReleaseDatabaseSide(qbm::Side::Old, state);
    qbm::ReleaseDatabaseSide(qbm::Side::New, state);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void open(Side side, const std::string& name) {
    fs::copy_file(dataFolder() / name, dir / name, fs::copy_options::overwrite_existing);
    fs::permissions(dir / name, fs::perms::owner_write, fs::perm_options::add);
    ui.file = (dir / name).string();
    qbm::OpenDatabaseFile(side, ui, state);
    if (!(side == qbm::Side::Old ? state.Old.DbOpen : state.New.DbOpen))
      throw std::runtime_error("cannot open " + (dataFolder() / name).string());
  }
};

Sides& sides() {
  static Sides s;
  return s;
}

void setCounters(benchmark::State& state, const Sides& s) {
  state.counters["old rows"] = static_cast<double>(s.oldRows);
  state.counters["new woofers"] = static_cast<double>(s.newRows);
  state.counters["old rows/s"] = benchmark::Counter(static_cast<double>(s.oldRows),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LegacyChangedScan(benchmark::State& state) {
  Sides& s = sides();
  std::size_t listed = 0;
  for (auto _ : state) {
    const qbm::DriverListing listing =
        qbm::ScanOldDatabase(s.state, s.names, qbm::OldListMode::Changed, s.ui);
    listed = listing.entries.size();
    benchmark::DoNotOptimize(listed);
  }
  setCounters(state, s);
  state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_LegacyChangedScan)->Unit(benchmark::kMillisecond);

// The same walks and field reads without any matching: the new woofers in "Model" order (Model,
// Company ID, ID), then the old rows (Index, Model, Manufacturer).
void BM_PlainFullScan(benchmark::State& state) {
  Sides& s = sides();
  for (auto _ : state) {
    long rows = 0;
    jet::Table& woofers = *s.state.New.Woofers;
    woofers.setIndex(qbm::indexes::Model);
    for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) {
      benchmark::DoNotOptimize(woofers.get(qbm::fields::Model));
      benchmark::DoNotOptimize(qbm::readLong(woofers.get(qbm::fields::CompanyID)));
      benchmark::DoNotOptimize(qbm::readLong(woofers.get(qbm::fields::ID)));
      ++rows;
    }
    jet::Table& old = *s.state.Old.Woofers;
    for (old.moveFirst(); !old.eof(); old.moveNext()) {
      benchmark::DoNotOptimize(qbm::readLong(old.get("Index")));
      benchmark::DoNotOptimize(old.get("Model"));
      benchmark::DoNotOptimize(old.get("Manufacturer"));
      ++rows;
    }
    benchmark::DoNotOptimize(rows);
  }
  setCounters(state, s);
}
BENCHMARK(BM_PlainFullScan)->Unit(benchmark::kMillisecond);

// The rules as written: per old driver a seek, then, unless matched, a walk of every new woofer
// through the cursor. Skipped where old rows x new woofers exceed 20 million.
void BM_LegacyChangedScanLiteralWalk(benchmark::State& state) {
  Sides& s = sides();
  if (s.oldRows * s.newRows > 20'000'000) {
    state.SkipWithError("old rows x new woofers above 20 million: would take minutes");
    return;
  }
  jet::Table& woofers = *s.state.New.Woofers;
  jet::Table& old = *s.state.Old.Woofers;
  const auto companyPasses = [&](const std::string& maker, std::int32_t c) {
    return c > 0 && c <= 900 &&
           qbm::CompanyNameBegins(maker, s.names.NewCompanyFull[c], s.names.NewCompanyShort[c]);
  };
  for (auto _ : state) {
    long listed = 0;
    woofers.setIndex(qbm::indexes::Model);
    for (old.moveFirst(); !old.eof(); old.moveNext()) {
      const jet::Value model = old.get("Model"), manufacturer = old.get("Manufacturer");
      if (model.isNull() || manufacturer.isNull() || qbm::readLong(old.get("Index")) <= 0) continue;
      const std::string current = qbm::SplitWiringSuffix(qbm::readText(model)).model;
      const std::string maker = qbm::LegacyMakerKey(qbm::readText(manufacturer));
      bool isListed = true;
      if (woofers.seek(jet::Value{current})) {
        const std::int32_t c = qbm::readLong(woofers.get(qbm::fields::CompanyID));
        if (!woofers.get(qbm::fields::Model).isNull() && qbm::readLong(woofers.get(qbm::fields::ID)) > 0 &&
            c > 0 && c <= 900 && (maker == "DAYTON" || companyPasses(maker, c)))
          isListed = false;
      } else if (qbm::IsModelException(maker, current)) {
        isListed = false;
      }
      if (isListed) {
        const std::string key = qbm::FuzzyModelKey(current, maker);
        for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) {
          const jet::Value m = woofers.get(qbm::fields::Model);
          const std::int32_t c = qbm::readLong(woofers.get(qbm::fields::CompanyID));
          if (m.isNull() || c < 1 || c > 900 || qbm::readLong(woofers.get(qbm::fields::ID)) <= 0)
            continue;
          const std::string t = qbm::NormalizeModel(qbm::DropSectionSuffix(qbm::readText(m)));
          if (t.starts_with(key) && companyPasses(maker, c)) {
            isListed = false;
            break;
          }
        }
      }
      listed += isListed ? 1 : 0;
    }
    benchmark::DoNotOptimize(listed);
    state.counters["listed"] = static_cast<double>(listed);
  }
  setCounters(state, s);
}
BENCHMARK(BM_LegacyChangedScanLiteralWalk)->Unit(benchmark::kMillisecond);

// The matching alone, without a database, at sizes the fixtures do not reach: n new woofers of 300
// companies and n old drivers, a third of them new models, a third spelled differently, a third
// present as stored. Index order is the order of the model keys.
struct SyntheticDrivers {
  std::vector<qbm::NewWooferRow> rows;
  std::vector<std::pair<std::string, std::string>> old;  // model, maker
  qbm::CompanyNameTable full, shortNames;

  explicit SyntheticDrivers(int n) {
    std::mt19937 random(12345);
    const auto pick = [&](int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random); };
    static const char* const stems[] = {"CW", "TW", "SD", "XLS", "GX", "NE", "RS", "P", "W", "Alpha"};
    for (std::int32_t c = 1; c <= 300; ++c) {
      full.set(c, "Maker " + std::to_string(c) + " Loudspeakers Ltd.");
      shortNames.set(c, "Maker " + std::to_string(c));
    }
    for (int i = 0; i < n; ++i) {
      std::string model = std::string(stems[pick(10)]) + std::to_string(100 + pick(900)) +
                          (pick(2) ? "-8" : " 4/8") + (pick(8) == 0 ? " - LF" : "");
      const std::int32_t company = 1 + pick(300);
      rows.push_back({model, company, i + 1});
      const std::string maker = "MAKER " + std::to_string(company);
      switch (pick(3)) {
        case 0: old.emplace_back(model, maker); break;
        case 1: old.emplace_back(qbm::NormalizeModel(model) + " - PARALLEL", maker); break;
        default: old.emplace_back("ZZ" + std::to_string(pick(100000)), maker); break;
      }
    }
    std::vector<std::pair<std::string, qbm::NewWooferRow>> keyed;
    for (qbm::NewWooferRow& row : rows) {
      const jet::Bytes key = jet::sortKey(jet::ColumnType::Text, jet::Value{*row.model}, false,
                                          jet::Collation::General2000);
      keyed.emplace_back(std::string(key.begin(), key.end()), std::move(row));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    rows.clear();
    for (auto& [key, row] : keyed) rows.push_back(std::move(row));
  }
};

void BM_LegacyMatchingInMemory(benchmark::State& state) {
  const SyntheticDrivers drivers(static_cast<int>(state.range(0)));
  long listed = 0;
  for (auto _ : state) {
    const qbm::NewWooferLookup lookup(drivers.rows, jet::Collation::General2000, drivers.full,
                                      drivers.shortNames);
    listed = 0;
    for (const auto& [model, maker] : drivers.old)
      listed += qbm::LegacyDriverNeedsMerge(qbm::SplitWiringSuffix(model).model, maker, lookup);
    benchmark::DoNotOptimize(listed);
  }
  state.counters["listed"] = static_cast<double>(listed);
  state.counters["old rows/s"] = benchmark::Counter(static_cast<double>(drivers.old.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LegacyMatchingInMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The fuzzy walk as the rules describe it, over the same rows in memory (no database reads): every
// driver not matched directly normalises every new model until one matches.
void BM_LegacyMatchingLiteralWalkInMemory(benchmark::State& state) {
  const SyntheticDrivers drivers(static_cast<int>(state.range(0)));
  const qbm::NewWooferLookup direct(drivers.rows, jet::Collation::General2000, drivers.full,
                                    drivers.shortNames);
  long listed = 0;
  for (auto _ : state) {
    listed = 0;
    for (const auto& [model, manufacturer] : drivers.old) {
      const std::string current = qbm::SplitWiringSuffix(model).model;
      const std::string maker = qbm::LegacyMakerKey(manufacturer);
      const qbm::NewWooferRow* found = direct.directMatch(current);
      if (found && qbm::IsValidNewWoofer(*found) &&
          qbm::CompanyNameBegins(maker, drivers.full[found->companyId],
                                 drivers.shortNames[found->companyId]))
        continue;
      const std::string key = qbm::FuzzyModelKey(current, maker);
      bool matched = false;
      for (const qbm::NewWooferRow& row : drivers.rows) {
        if (!qbm::IsValidNewWoofer(row)) continue;
        if (qbm::NormalizeModel(qbm::DropSectionSuffix(*row.model)).starts_with(key) &&
            qbm::CompanyNameBegins(maker, drivers.full[row.companyId],
                                   drivers.shortNames[row.companyId])) {
          matched = true;
          break;
        }
      }
      listed += matched ? 0 : 1;
    }
    benchmark::DoNotOptimize(listed);
  }
  state.counters["listed"] = static_cast<double>(listed);
  state.counters["old rows/s"] = benchmark::Counter(static_cast<double>(drivers.old.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LegacyMatchingLiteralWalkInMemory)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
