// Decoding speed of the reader: open a database, walk every user table in physical order and decode
// every value, for the largest shared Access files. Reports rows and values per second.
//
//   cmake -S . -B build-bench -G Ninja -DQBMERGE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target read_bench && build-bench/bench/read_bench
// See docs/benchmarks.md for the figures and bench/compare_with_mdb_export.sh for the comparison
// with mdbtools.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "jet/database.h"

// Heap use, counted by replacing the global allocation functions: each block carries its size in a
// header, so that the bytes in use and their peak are known at every moment.
namespace heap {
std::atomic<std::int64_t> inUse{0};
std::atomic<std::int64_t> peak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  std::int64_t now = inUse += static_cast<std::int64_t>(size);
  std::int64_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return block + kHeader;
}

void release(void* p) {
  if (!p) return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  inUse -= static_cast<std::int64_t>(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}
}  // namespace heap

void* operator new(std::size_t size) { return heap::allocate(size); }
void* operator new[](std::size_t size) { return heap::allocate(size); }
void operator delete(void* p) noexcept { heap::release(p); }
void operator delete[](void* p) noexcept { heap::release(p); }
void operator delete(void* p, std::size_t) noexcept { heap::release(p); }
void operator delete[](void* p, std::size_t) noexcept { heap::release(p); }

namespace {

namespace fs = std::filesystem;

const char* const kFiles[] = {"fixtures/qbaudio.mdb", "fixtures/xqbaudio.mdb", "fixtures/spkrbase.mdb",
                              "interop/testIndexCodesV1997.mdb", "interop/test2V2000.mdb",
                              "interop/testV2000.mdb"};

// Opens the file and decodes every value of every user table; adds to the row and value counts.
void readOnce(const fs::path& path, std::int64_t& rows, std::int64_t& values) {
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

void readAllTables(benchmark::State& state, const fs::path& path) {
  if (!fs::exists(path)) {
    state.SkipWithError(("missing " + path.string()).c_str());
    return;
  }
  std::int64_t rows = 0, values = 0;
  std::int64_t before = heap::inUse.load();
  heap::peak = before;
  readOnce(path, rows, values);
  double peakKiB = static_cast<double>(heap::peak.load() - before) / 1024.0;
  rows = values = 0;
  for (auto _ : state) readOnce(path, rows, values);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["values/s"] = benchmark::Counter(static_cast<double>(values), benchmark::Counter::kIsRate);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / static_cast<double>(state.iterations()));
  double fileKiB = static_cast<double>(fs::file_size(path)) / 1024.0;
  state.counters["file_KiB"] = fileKiB;
  state.counters["peak_heap_KiB"] = peakKiB;
  state.counters["heap/file"] = peakKiB / fileKiB;
}

}  // namespace

// QBM_BENCH_FILES=a.mdb:b.mdb reads those files instead of the shared ones (e.g. sample databases).
int main(int argc, char** argv) {
  std::vector<std::pair<std::string, fs::path>> files;
  if (const char* list = std::getenv("QBM_BENCH_FILES")) {
    std::string rest = list;
    for (std::size_t at; !rest.empty(); rest = at == std::string::npos ? "" : rest.substr(at + 1)) {
      at = rest.find(':');
      const std::string file = rest.substr(0, at);
      if (!file.empty()) files.emplace_back(file, file);
    }
  } else {
    for (const char* file : kFiles) files.emplace_back(file, fs::path(QBM_SHARED_DIR) / file);
  }
  for (const auto& [name, path] : files)
    benchmark::RegisterBenchmark(("ReadAllTables/" + name).c_str(), readAllTables, path)
        ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
