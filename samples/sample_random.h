#pragma once
// Pseudo-random numbers for the sample generator that are the same for the same seed everywhere:
// a SplitMix64 sequence and its own conversions (the standard distributions differ between
// library implementations). Each generated item draws from its own sequence, keyed by the seed,
// a stream tag and the item's number, so items can be made again, alone, in any order.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace qbm::samples {

class SampleRandom {
 public:
  // The sequence of one item of one stream (e.g. stream "woofer", item 17) under a seed.
  SampleRandom(std::uint64_t seed, std::string_view stream, std::uint64_t item = 0);

  std::uint64_t next();
  // In [0, 1).
  double unit();
  // In [lo, hi).
  double uniform(double lo, double hi);
  // In [lo, hi), evenly spread on a logarithmic scale. REQUIRES: 0 < lo <= hi.
  double logUniform(double lo, double hi);
  // In [lo, hi], each equally likely. REQUIRES: lo <= hi.
  int between(int lo, int hi);
  // In [0, n). REQUIRES: n > 0.
  std::size_t below(std::size_t n);
  // True with probability p.
  bool chance(double p);
  // value × (1 ± fraction), evenly spread.
  double jitter(double value, double fraction);

  template <class T>
  const T& pick(std::span<const T> items) {
    return items[below(items.size())];
  }
  template <class T, std::size_t N>
  const T& pick(const std::array<T, N>& items) {
    return pick(std::span<const T>(items));
  }

 private:
  std::uint64_t state_;
};

}  // namespace qbm::samples
