// Decoding speed of the reader: open a database, walk every user table in physical order and decode
// every value, for the largest shared Access files. Reports rows and values per second.
//
//   cmake -S . -B build-bench -G Ninja -DQBMERGE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target read_bench && build-bench/bench/read_bench
// See docs/benchmarks.md for the figures and bench/compare_with_mdb_export.sh for the comparison
// with mdbtools.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "jet/database.h"

namespace {

namespace fs = std::filesystem;

const char* const kFiles[] = {"fixtures/qbaudio.mdb", "fixtures/xqbaudio.mdb", "fixtures/spkrbase.mdb",
                              "interop/testIndexCodesV1997.mdb", "interop/test2V2000.mdb",
                              "interop/testV2000.mdb"};

void readAllTables(benchmark::State& state, const fs::path& path) {
  if (!fs::exists(path)) {
    state.SkipWithError(("missing " + path.string()).c_str());
    return;
  }
  std::int64_t rows = 0, values = 0;
  for (auto _ : state) {
    jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
    for (const std::string& name : db.tableNames()) {
      jet::Table t = db.table(name);
      int columns = static_cast<int>(t.columns().size());
      for (t.moveFirst(); !t.eof(); t.moveNext()) {
        for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(t.get(c));
        ++rows;
        values += columns;
      }
    }
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["values/s"] = benchmark::Counter(static_cast<double>(values), benchmark::Counter::kIsRate);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / static_cast<double>(state.iterations()));
  state.counters["file_KiB"] = static_cast<double>(fs::file_size(path)) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* file : kFiles)
    benchmark::RegisterBenchmark((std::string("ReadAllTables/") + file).c_str(), readAllTables,
                                 fs::path(QBM_SHARED_DIR) / file)
        ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
