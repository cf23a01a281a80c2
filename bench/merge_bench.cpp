// Speed of "Merge >": every driver of a previous-format old database (listed with "Show ALL
// Drivers") merged into a new database, answering Yes, as the session's MMerge_Click runs it (one
// transaction, the final rescan of the new database included), with Access 2000 (Jet 4) files and,
// beside them, Access 97 (Jet 3) files of the same contents. Beside it, a plain walk that reads
// the same rows and decides nothing: every field of every old driver and its response, and the
// Model, Company ID and ID of every new driver (the floor any merge pays before writing); and the
// start of a transaction's journal, which reads the whole new file once.
//
// The databases come from the sample generator: the new one of 2k/20k/200k drivers, the old one
// (about 1k/10k/100k drivers) from a generator run of 3420/34200/342000 drivers with the same seed.
// They are made once into $QBM_BENCH_CACHE (default: the temporary folder) and reused.
//
//   cmake -S . -B build-bench -G Ninja -DQBMERGE_BENCH=ON -DQBMERGE_TESTS=OFF -DQBMERGE_GUI=OFF
//         -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target merge_bench
//   build-bench/bench/merge_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
// See docs/benchmarks.md for the figures.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>

#include "db/driver_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "jet/page/data_page_writer.h"
#include "jet/table/database_core.h"
#include "jet/check/free_page_map_repair.h"
#include "jet/file/journal.h"
#include "jet/file/platform_file.h"
#include "merge/new_database_check.h"
#include "bench/bench_support.h"
#include "samples/sample_databases.h"
#include "session/session.h"

namespace {

namespace fs = std::filesystem;
using qbm::bench::QuietUserInterface;
using qbm::bench::samples;


// The sample folder of a generator run (Access 2000 files, or Access 97 ones), made when missing.

// The file format of a benchmark's third argument: 3 Access 97 (Jet 3), else Access 2000 (Jet 4).
jet::Format formatOf(const benchmark::State& state) {
  return state.range(2) == 3 ? jet::Format::Jet3 : jet::Format::Jet4;
}

// A fresh copy of the new database and the old one, opened as the window opens them.
struct Merge {
  fs::path dir;
  QuietUserInterface ui;
  std::optional<qbm::Session> session;

  Merge(int newDrivers, int oldDrivers, jet::Format format = jet::Format::Jet4) {
    dir = fs::temp_directory_path() / ("qbm-merge-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(samples(newDrivers, format) / qbm::samples::NewSampleFile, dir / "qbaudio.mdb");
    fs::copy_file(samples(oldDrivers, format) / qbm::samples::PreviousSampleFile, dir / "xqbaudio.mdb");
    session.emplace(ui);
    ui.files = {(dir / "qbaudio.mdb").string(), (dir / "xqbaudio.mdb").string()};
    session->ToOpen_Click();
    session->state().FromOpt = qbm::ShowAllDriversOption;
    session->FromOpen_Click();
  }
  ~Merge() {
    session.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

void counters(benchmark::State& state, long listed, long newRows, const qbm::MergeSummary* s) {
  state.counters["old drivers"] = static_cast<double>(listed);
  state.counters["new drivers"] = static_cast<double>(newRows);
  state.counters["old drivers/s"] =
      benchmark::Counter(static_cast<double>(listed), benchmark::Counter::kIsIterationInvariantRate);
  if (!s) return;
  state.counters["added"] = static_cast<double>(s->woofers.added + s->tweeters.added);
  state.counters["replaced"] = static_cast<double>(s->woofers.replaced + s->tweeters.replaced);
}

void BM_Merge(benchmark::State& state) {
  const int newDrivers = static_cast<int>(state.range(0)), oldDrivers = static_cast<int>(state.range(1));
  long listed = 0, newRows = 0;
  qbm::MergeSummary summary;
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Merge> m;
    m.emplace(newDrivers, oldDrivers, formatOf(state));
    listed = static_cast<long>(m->session->state().FromList.count());
    newRows = static_cast<long>(m->session->state().ToList.count());
    state.ResumeTiming();
    summary = m->session->MMerge_Click().summary;
    state.PauseTiming();
    m.reset();
    state.ResumeTiming();
  }
  counters(state, listed, newRows, &summary);
}
// Third argument: the files' format, 4 for Access 2000 (Jet 4), 3 for Access 97 (Jet 3) on both
// sides.
BENCHMARK(BM_Merge)
    ->Args({2000, 3420, 4})
    ->Args({2000, 3420, 3})
    ->Args({20000, 20000, 4})  // both files of one run, as "qbmerge-cli samples DIR --drivers 20000" writes them
    ->Args({20000, 34200, 4})
    ->Args({20000, 34200, 3})
    ->Args({200000, 342000, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The reads any merge of these files makes, without deciding or writing anything.
void BM_PlainScanOfTheSameTables(benchmark::State& state) {
  const int newDrivers = static_cast<int>(state.range(0)), oldDrivers = static_cast<int>(state.range(1));
  Merge m(newDrivers, oldDrivers);
  qbm::DatabaseState& db = m.session->state().databases;
  const long listed = static_cast<long>(m.session->state().FromList.count());
  const long newRows = static_cast<long>(m.session->state().ToList.count());
  qbm::WorkingDriver driver;
  for (auto _ : state) {
    for (auto [table, kind] : {std::pair{&*db.Old.Woofers, qbm::DriverTable::Woofers},
                               std::pair{&*db.Old.Tweeters, qbm::DriverTable::Tweeters}}) {
      table->setIndex("");
      for (table->moveFirst(); !table->eof(); table->moveNext()) qbm::ReadDriverRow(*table, kind, driver);
    }
    for (jet::Table* responses : {&*db.Old.WooferResponse, &*db.Old.TweeterResponse}) {
      responses->setIndex("");
      for (responses->moveFirst(); !responses->eof(); responses->moveNext())
        for (int i = 0; i < qbm::ResponseCount; ++i)
          benchmark::DoNotOptimize(qbm::readResponseLevel(responses->get(qbm::ResponseField(i))));
    }
    for (jet::Table* table : {&*db.New.Woofers, &*db.New.Tweeters}) {
      table->setIndex("");
      for (table->moveFirst(); !table->eof(); table->moveNext()) {
        benchmark::DoNotOptimize(table->get(qbm::fields::Model));
        benchmark::DoNotOptimize(qbm::readLong(table->get(qbm::fields::CompanyID)));
        benchmark::DoNotOptimize(qbm::readLong(table->get(qbm::fields::ID)));
      }
    }
    benchmark::DoNotOptimize(driver);
  }
  counters(state, listed, newRows, nullptr);
}
BENCHMARK(BM_PlainScanOfTheSameTables)->Args({2000, 3420})->Args({20000, 34200})->Args({200000, 342000})->Unit(benchmark::kMillisecond)->UseRealTime();

// The ownership test at its dearest: the new database's map of free pages moved past the pages in
// use (as another writer may leave it), so the repair a merge starts with finds what uses every
// page (every driver row's memo included) and writes the map anew. Timed: repairFreePageMap alone.
void BM_FreePageMapRepair(benchmark::State& state) {
  const int newDrivers = static_cast<int>(state.range(0));
  const fs::path dir = fs::temp_directory_path() / ("qbm-repair-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(samples(newDrivers) / qbm::samples::NewSampleFile, dir / "qbaudio.mdb");
  std::size_t pages = 0, inUse = 0;
  {
    jet::Database db = jet::Database::open(dir / "qbaudio.mdb");
    jet::PageFile& file = jet::detail::coreOf(db).file();
    pages = file.pageCount();
    for (auto _ : state) {
      state.PauseTiming();
      db.begin();
      std::vector<std::uint8_t> page = file.copyPage(1), row(5 + 64, 0);
      row[1] = 40;  // inline from page 40
      jet::replaceRow(page, file.layout(), 0, row, 0);
      file.writePage(1, page);
      state.ResumeTiming();
      inUse = jet::repairFreePageMap(db).pagesInUseTakenAsFree;
      state.PauseTiming();
      db.rollback();
      state.ResumeTiming();
    }
  }
  fs::remove_all(dir);
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["in use outside"] = static_cast<double>(inUse);
}
BENCHMARK(BM_FreePageMapRepair)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
// What binding the journal to its file adds to every transaction that writes: before the first page
// of the transaction reaches the file, the whole file is read once for the digest of its state.
void BM_JournalStart(benchmark::State& state) {
  const fs::path file = samples(static_cast<int>(state.range(0))) / qbm::samples::NewSampleFile;
  const std::uint32_t pageSize = jet::Database::open(file, {.exclusive = false, .readOnly = true}).pageSize();
  auto database = jet::PlatformFile::open(file, jet::FileAccess::ReadOnly, jet::FileLock::Shared);
  const std::uint64_t size = database->size() - database->size() % pageSize;
  for (auto _ : state) {
    jet::JournalWriter journal(jet::memoryJournalStore()->create(), *database, pageSize, size);
    benchmark::DoNotOptimize(journal.originalSize());
  }
  state.counters["file MiB"] = static_cast<double>(size) / (1 << 20);
  state.counters["MiB/s"] = benchmark::Counter(static_cast<double>(size) / (1 << 20),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_JournalStart)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

// "Undo Merge" beside the merge it undoes: the merge of BM_Merge (which keeps its undo record), then,
// timed, the undo that puts the new file back (the record checked against the file, the originals
// written back, the file cut to its old length). Counters: the record's size against the file's
// and against what the merge appended.
void BM_UndoMerge(benchmark::State& state) {
  const int newDrivers = static_cast<int>(state.range(0)), oldDrivers = static_cast<int>(state.range(1));
  double recordMiB = 0, fileMiB = 0, appendedMiB = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Merge> m;
    m.emplace(newDrivers, oldDrivers, formatOf(state));
    const fs::path file = m->dir / "qbaudio.mdb";
    const auto before = fs::file_size(file);
    m->session->MMerge_Click();
    recordMiB = static_cast<double>(fs::file_size(jet::undoPathFor(file))) / (1 << 20);
    fileMiB = static_cast<double>(fs::file_size(file)) / (1 << 20);
    appendedMiB = static_cast<double>(fs::file_size(file) - before) / (1 << 20);
    state.ResumeTiming();
    m->session->state().databases.New.Db->undoKeptTransaction();
    state.PauseTiming();
    m.reset();
    state.ResumeTiming();
  }
  state.counters["file MiB"] = fileMiB;
  state.counters["appended MiB"] = appendedMiB;
  state.counters["undo record MiB"] = recordMiB;
}
BENCHMARK(BM_UndoMerge)
    ->Args({2000, 3420, 4})
    ->Args({20000, 34200, 4})
    ->Args({20000, 34200, 3})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The check a merge makes of the new database before its first write (merge/new_database_check.h):
// the rows, indexes and usage maps of the five tables and of the catalog's system tables, and the
// ownership of every page. Timed: the check alone, on the sound file.
void BM_CheckBeforeWrite(benchmark::State& state) {
  const int newDrivers = static_cast<int>(state.range(0));
  jet::Database db = jet::Database::open(samples(newDrivers) / qbm::samples::NewSampleFile,
                                         {.exclusive = false, .readOnly = true});
  for (auto _ : state) qbm::CheckNewDatabaseBeforeWrite(db);
  state.counters["pages"] = static_cast<double>(jet::detail::coreOf(db).file().pageCount());
}
BENCHMARK(BM_CheckBeforeWrite)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
