// Speed of keeping indexes exact: entries inserted into one index tree in ascending and in random
// order (pages in memory), and whole rows added through the table cursor to a table with two
// indexes (a copy of ../shared/fixtures/qbaudio.mdb, one transaction). The time per entry should
// stay nearly flat as the tree grows from 10 000 to 100 000 entries: each insert touches only the
// pages on its path.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/index/index_tree_writer.h"
#include "jet/text/sort_key.h"
#include "tests/jet/memory_index_store.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::int32_t> keyOrder(std::size_t n, bool random) {
  std::vector<std::int32_t> keys(n);
  std::iota(keys.begin(), keys.end(), 0);
  if (random) std::shuffle(keys.begin(), keys.end(), std::mt19937(1));
  return keys;
}

void treeInserts(benchmark::State& state, bool random, bool text) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<std::int32_t> order = keyOrder(n, random);
  std::vector<jet::Bytes> keys;
  for (std::int32_t v : order) {
    keys.push_back(text ? jet::sortKey(jet::ColumnType::Text, jet::Value("Model " + std::to_string(v * 7 + 100000)),
                                       false, jet::Collation::General2000)
                        : jet::sortKey(jet::ColumnType::Long, jet::Value(v), false, jet::Collation::General2000));
  }
  for (auto _ : state) {
    state.PauseTiming();
    jet::test::MemoryIndexFile file(jet::Format::Jet4);
    jet::IndexPage root;
    root.tablePage = jet::test::MemoryIndexFile::kTablePage;
    std::uint32_t rootPage = file.add(root);
    jet::test::MemoryIndexStore store(file);
    jet::IndexTreeWriter tree(store, rootPage, jet::test::MemoryIndexFile::kTablePage);
    state.ResumeTiming();
    for (std::size_t i = 0; i < n; ++i)
      tree.insert(keys[i], {static_cast<std::uint32_t>(1000 + i / 100), static_cast<std::uint16_t>(i % 100)});
    state.counters["pages"] = static_cast<double>(file.pages().size());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void BM_TreeInsertLongAscending(benchmark::State& s) { treeInserts(s, false, false); }
void BM_TreeInsertLongRandom(benchmark::State& s) { treeInserts(s, true, false); }
void BM_TreeInsertTextAscending(benchmark::State& s) { treeInserts(s, false, true); }
void BM_TreeInsertTextRandom(benchmark::State& s) { treeInserts(s, true, true); }

// Rows with an autonumber primary key and a text index, names ascending or random.
void tableInserts(benchmark::State& state, bool random) {
  const char* shared = std::getenv("QBM_SHARED_DIR");
  fs::path source = fs::path(shared ? shared : QBM_SHARED_DIR) / "fixtures" / "qbaudio.mdb";
  if (!fs::exists(source)) {
    state.SkipWithError("../shared/fixtures/qbaudio.mdb not found");
    return;
  }
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<std::int32_t> order = keyOrder(n, random);
  fs::path path = fs::temp_directory_path() / ("qbm-index-write-bench-" + std::to_string(::getpid()) + ".mdb");
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(source, path, fs::copy_options::overwrite_existing);
    {
      jet::Database db = jet::Database::open(path);
      jet::Table companies = db.table("companies");
      db.begin();
      state.ResumeTiming();
      for (std::int32_t v : order) {
        companies.addNew();
        companies.set("Company", jet::Value("Company " + std::to_string(v + 1000000)));
        companies.update();
      }
      db.commit();
      state.PauseTiming();
    }
    fs::remove(path);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void BM_TableInsertAscending(benchmark::State& s) { tableInserts(s, false); }
void BM_TableInsertRandom(benchmark::State& s) { tableInserts(s, true); }

}  // namespace

BENCHMARK(BM_TreeInsertLongAscending)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeInsertLongRandom)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeInsertTextAscending)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeInsertTextRandom)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableInsertAscending)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TableInsertRandom)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
