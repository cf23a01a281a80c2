#include "jet/text/general_sort_weights.h"

#include <algorithm>
#include <array>

namespace jet::collation {
namespace {

// The run of a table (sorted, gap-free from 0) that holds code unit c.
const WeightRun& findRun(const WeightRun* runs, std::size_t count, char16_t c) {
  const WeightRun* end = runs + count;
  const WeightRun* it = std::upper_bound(
      runs, end, c, [](char16_t unit, const WeightRun& run) { return unit < run.first; });
  return *(it - 1);  // runs[0].first == 0, so it > runs
}

CharWeights weightsIn(const WeightRun& run, char16_t c) {
  return {run.kind, run.primaryLength,
          run.primary + static_cast<std::uint32_t>(c - run.first) * run.step, run.secondaryLength,
          run.secondary, run.tertiary};
}

// Weights of the Latin-1 code units, looked up directly: nearly every character of the texts keyed
// is one of them, and a binary search over the runs per character was most of a key's cost.
constexpr std::size_t kDirect = 0x100;

std::array<CharWeights, kDirect> latin1Weights() {
  std::array<CharWeights, kDirect> table{};
  for (std::size_t c = 0; c < kDirect; ++c) {
    const auto unit = static_cast<char16_t>(c);
    table[c] = weightsIn(findRun(kGeneral2000Runs, kGeneral2000RunsCount, unit), unit);
  }
  return table;
}

}  // namespace

CharWeights general2000Weights(char16_t c) {
  static const std::array<CharWeights, kDirect> latin1 = latin1Weights();
  if (c < kDirect) return latin1[c];
  return weightsIn(findRun(kGeneral2000Runs, kGeneral2000RunsCount, c), c);
}

CharWeights general97Weights(char16_t c) {
  if (c > 0xFF) {
    const CodePageMapping* end = kGeneral97Mappings + kGeneral97MappingsCount;
    const CodePageMapping* it = std::lower_bound(
        kGeneral97Mappings, end, c,
        [](const CodePageMapping& m, char16_t unit) { return m.unicode < unit; });
    c = (it != end && it->unicode == c) ? it->byte : 0;
  }
  return weightsIn(findRun(kGeneral97Runs, kGeneral97RunsCount, c), c);
}

}  // namespace jet::collation
