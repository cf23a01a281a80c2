#include "samples/sample_random.h"

#include <cmath>

namespace qbm::samples {

namespace {

std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::uint64_t hashText(std::string_view text) {
  std::uint64_t h = 0xCBF29CE484222325ULL;  // FNV-1a
  for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ULL;
  return h;
}

}  // namespace

SampleRandom::SampleRandom(std::uint64_t seed, std::string_view stream, std::uint64_t item)
    : state_(mix(mix(seed ^ hashText(stream)) + item * 0x9E3779B97F4A7C15ULL)) {}

std::uint64_t SampleRandom::next() {
  state_ += 0x9E3779B97F4A7C15ULL;
  return mix(state_);
}

double SampleRandom::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

double SampleRandom::uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }

double SampleRandom::logUniform(double lo, double hi) { return lo * std::exp(std::log(hi / lo) * unit()); }

int SampleRandom::between(int lo, int hi) {
  return lo + static_cast<int>(below(static_cast<std::size_t>(hi - lo) + 1));
}

std::size_t SampleRandom::below(std::size_t n) {
  return static_cast<std::size_t>(next() % n);  // the bias is far below anything a sample shows
}

bool SampleRandom::chance(double p) { return unit() < p; }

double SampleRandom::jitter(double value, double fraction) { return value * uniform(1 - fraction, 1 + fraction); }

}  // namespace qbm::samples
