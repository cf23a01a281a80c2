// Speed of index keys and index seeks: encoding text and number keys in both collations, and "="
// seeks through the table cursor on a driver database (../shared/fixtures/qbaudio.mdb).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/text/sort_key.h"

namespace {

const std::vector<std::string> kModels = {"TW-25 Ferrofluid", "Ø 165 mm Woofer", "AL 130 - LF",
                                          "Résumé 8\"", "W18E001", "ScanSpeak 18W/8545-01"};

void textKeys(benchmark::State& state, jet::Collation collation) {
  std::size_t i = 0;
  for (auto _ : state) {
    jet::Bytes key = jet::sortKey(jet::ColumnType::Text, jet::Value(kModels[i++ % kModels.size()]),
                                  false, collation);
    benchmark::DoNotOptimize(key);
  }
}

void BM_TextKeyAccess2000(benchmark::State& state) { textKeys(state, jet::Collation::General2000); }
void BM_TextKeyAccess97(benchmark::State& state) { textKeys(state, jet::Collation::General97); }

void BM_LongKey(benchmark::State& state) {
  std::int32_t v = 0;
  for (auto _ : state) {
    jet::Bytes key = jet::sortKey(jet::ColumnType::Long, jet::Value(v++), false, jet::Collation::General2000);
    benchmark::DoNotOptimize(key);
  }
}

void BM_SeekModel(benchmark::State& state) {
  // The shared folder as built in, or as the environment says (QBM_SHARED_DIR).
  const char* shared = std::getenv("QBM_SHARED_DIR");
  std::filesystem::path path = std::filesystem::path(shared ? shared : QBM_SHARED_DIR) / "fixtures" / "qbaudio.mdb";
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("../shared/fixtures/qbaudio.mdb not found");
    return;
  }
  jet::OpenOptions options;
  options.readOnly = true;
  options.exclusive = false;
  jet::Database db = jet::Database::open(path, options);
  std::vector<jet::Value> models;
  for (jet::Table scan = db.table("woofers"); !scan.eof(); scan.moveNext()) models.push_back(scan.get("Model"));
  jet::Table woofers = db.table("woofers");
  woofers.setIndex("Model");
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(woofers.seek(models[i++ % models.size()]));
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_TextKeyAccess2000);
BENCHMARK(BM_TextKeyAccess97);
BENCHMARK(BM_LongKey);
BENCHMARK(BM_SeekModel);
BENCHMARK_MAIN();
