// The fast fixed-notation writer must write exactly what std::to_chars writes for every value:
// decimal data of every length, values next to powers of ten and to the writer's limits, and random
// bit patterns of every magnitude.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "jet/text/shortest_fixed.h"

namespace {

template <class Number>
std::string expected(Number v) {
  char buffer[400];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed).ptr);
}

template <class Number>
std::string written(Number v) {
  char buffer[400];
  return std::string(buffer, jet::writeShortestFixed(buffer, buffer + sizeof buffer, v));
}

template <class Number>
int mismatches(Number v) {
  const std::string want = expected(v), got = written(v);
  EXPECT_EQ(want, got) << "value with bits " << std::hex
                       << std::bit_cast<std::conditional_t<sizeof(Number) == 8, std::uint64_t, std::uint32_t>>(v);
  return want == got ? 0 : 1;
}

template <class Number>
void checkAround(Number v, int& bad) {
  bad += mismatches(v) + mismatches(-v);
  bad += mismatches(std::nextafter(v, std::numeric_limits<Number>::infinity()));
  bad += mismatches(std::nextafter(v, Number(0)));
}

TEST(ShortestFixed, DecimalDataOfEveryLength) {
  std::mt19937_64 random(7);
  int bad = 0;
  for (int i = 0; i < 300000 && bad < 5; ++i) {
    const int digits = 1 + static_cast<int>(random() % 17);
    const std::uint64_t m = random() % static_cast<std::uint64_t>(std::pow(10.0, digits));
    const int decimals = static_cast<int>(random() % 20);
    checkAround(static_cast<double>(m) / std::pow(10.0, decimals), bad);
    checkAround(static_cast<float>(static_cast<double>(m % 100000000) / std::pow(10.0, decimals % 12)), bad);
  }
  EXPECT_EQ(bad, 0);
}

TEST(ShortestFixed, PowersOfTenAndTheWritersLimits) {
  int bad = 0;
  for (int e = -30; e <= 30; ++e) {
    checkAround(std::pow(10.0, e), bad);
    checkAround(static_cast<float>(std::pow(10.0, e)), bad);
  }
  for (double limit : {std::ldexp(1.0, 50), std::ldexp(1.0, 53), std::ldexp(1.0, 21), std::ldexp(1.0, 24)}) {
    checkAround(limit, bad);
    checkAround(limit / 1e5, bad);
    checkAround(static_cast<float>(limit), bad);
    checkAround(static_cast<float>(limit / 1e3), bad);
  }
  // Singles from 2^21 to 2^24 once scaled, where several integers may read back: both sides of
  // each limit at every decimal up to the writer's last and beyond, and values where several do
  // (the nearest is taken). Powers of two, whose gap to the single below is half the gap above.
  for (double limit : {std::ldexp(1.0, 21), std::ldexp(1.0, 23), std::ldexp(1.0, 24) - 2, std::ldexp(1.0, 24)})
    for (int k = 0; k <= 14; ++k) checkAround(static_cast<float>(limit / std::pow(10.0, k)), bad);
  for (int e = -50; e <= 30; ++e) checkAround(std::ldexp(1.0f, e), bad);
  // The first 2,048 singles above each power of two from 2^-30 to 2^23, where the gap below a
  // single is the gap above (only the power itself has a smaller one below).
  for (std::uint32_t exponent = 127 - 30; exponent <= 127 + 23; ++exponent)
    for (std::uint32_t low = 0; low < 2048 && bad < 5; ++low) bad += mismatches(std::bit_cast<float>(exponent << 23 | low));
  for (float v : {89.90033f, 0.0010000007f, 0.0010000037f, 9999999.0f, 0.99999994f}) checkAround(v, bad);
  for (double v : {0.0, -0.0, 0.1, 0.2, 0.3, 1.0 / 3, 2.5, 0.5, 1.5, 123456789.123, 5e-324,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::min()})
    checkAround(v, bad);
  EXPECT_EQ(written(-0.0), expected(-0.0));
  EXPECT_EQ(written(0.0007159), "0.0007159");
  EXPECT_EQ(written(-12.5f), "-12.5");
  EXPECT_EQ(written(1200.0), "1200");
  EXPECT_EQ(bad, 0);
}

TEST(ShortestFixed, RandomBitPatterns) {
  std::mt19937_64 random(11);
  int bad = 0;
  for (int i = 0; i < 200000 && bad < 5; ++i) {
    const double d = std::bit_cast<double>(random());
    if (std::isfinite(d)) bad += mismatches(d);
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (std::isfinite(f)) bad += mismatches(f);
    // Magnitudes where the fast path works, with full-length mantissas.
    const double scaled = std::ldexp(0.5 + static_cast<double>(random() >> 11) * 0x1p-54, static_cast<int>(random() % 80) - 40);
    bad += mismatches(scaled) + mismatches(static_cast<float>(scaled));
  }
  EXPECT_EQ(bad, 0);
}

}  // namespace
