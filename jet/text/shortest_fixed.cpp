#include "jet/text/shortest_fixed.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

namespace jet {
namespace {

// Powers of ten that float and double hold exactly (10^22 is the last one a double holds).
constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kPow10Integers[] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL,
    10000000ULL, 100000000ULL, 1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL,
    10000000000000ULL, 100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL,
    100000000000000000ULL, 1000000000000000000ULL};

// "00" to "99".
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the last `count` digits of m (zeros in front when it has fewer) backwards, ending at end;
// returns where they start and leaves m with the digits not written.
template <class UInt>
char* writeDigitsBackwards(char* end, UInt& m, int count) {
  for (; count >= 2; count -= 2) {
    const UInt rest = m / 100;
    const auto pair = static_cast<unsigned>(m - rest * 100);
    m = rest;
    end -= 2;
    end[0] = kDigitPairs[2 * pair];
    end[1] = kDigitPairs[2 * pair + 1];
  }
  if (count == 1) {
    const UInt rest = m / 10;
    *--end = static_cast<char>('0' + (m - rest * 10));
    m = rest;
  }
  return end;
}

template <class UInt>
void writeScaledDigits(char* end, UInt m, int decimals, int whole) {
  char* p = writeDigitsBackwards(end, m, decimals);
  if (decimals > 0) *--p = '.';
  writeDigitsBackwards(p, m, whole);
}

// The digits of m with a decimal point before its last `decimals` digits ("0." and zeros in front
// when m has fewer digits than that), after a minus sign when negative. Written from the back
// straight into the output: the numbers are short, and copying them in pieces costs more.
char* writeScaled(char* out, std::uint64_t m, int decimals, bool negative) {
  if (negative) *out++ = '-';
  int digits = 1;
  while (digits < 19 && m >= kPow10Integers[digits]) ++digits;
  const int whole = std::max(digits - decimals, 1);  // digits before the point ("0" when none)
  char* const end = out + whole + (decimals > 0 ? decimals + 1 : 0);
  // Most numbers fit in 32 bits, where dividing by a constant is cheaper.
  if (m <= 0xFFFFFFFFu)
    writeScaledDigits(end, static_cast<std::uint32_t>(m), decimals, whole);
  else
    writeScaledDigits(end, m, decimals, whole);
  return end;
}

// x rounded to the nearest integer, ties to even (as nearbyint in the default rounding mode), for
// 0 <= x < 2^52: adding 2^52 leaves no bits below the units, so the addition itself rounds.
double roundToInteger(double x) {
  constexpr double kTwo52 = 4503599627370496.0;
  return (x + kTwo52) - kTwo52;
}

// The fewest decimals k for which some integer m makes m / 10^k read back as value, with m. The
// answer is unique for each k and is the one to_chars gives: while |value| * 10^k stays below
// 2^50, the values that read back as `value` span less than a quarter of a unit of m, so at most
// one integer lies among them, and a decimal with fewer decimals has fewer digits. m / 10^k, with
// both exact, rounds exactly as reading the text "m / 10^k" does, so the check is the real one.
// False when no such k is found within the limits (the caller then falls back to to_chars).
//
// Between kMaxScaled and kMaxExact (where m and m + 1 are still exact in Number) those values may
// span up to two units of m: every integer within one unit of |value| * 10^k is tried, and k is
// taken when exactly one of them reads back; when two do, to_chars' choice between them (the one
// nearer the value) is left to it.
template <class Number, int kMaxDecimals, std::int64_t kMaxScaled, std::int64_t kMaxExact>
bool findScaled(Number value, std::int64_t& m, int& decimals) {
  const double magnitude = std::fabs(static_cast<double>(value));
  const auto readsBack = [&](double candidate, int k) {
    return static_cast<Number>(candidate) / static_cast<Number>(kPow10[k]) == static_cast<Number>(magnitude);
  };
  // The decimals that leave m at 0 are skipped without a division (below a half m rounds to 0).
  int k = 0;
  while (k < kMaxDecimals && magnitude * kPow10[k] < 0.5) ++k;
  for (; k <= kMaxDecimals; ++k) {
    const double scaled = magnitude * kPow10[k];
    const double rounded = roundToInteger(scaled);
    if (scaled >= static_cast<double>(kMaxScaled)) {
      if (scaled >= static_cast<double>(kMaxExact)) return false;
      int found = 0;
      for (double candidate : {rounded - 1, rounded, rounded + 1}) {
        if (readsBack(candidate, k)) {
          m = static_cast<std::int64_t>(candidate);
          ++found;
        }
      }
      if (found > 1) return false;
      if (found == 1) {
        decimals = k;
        return true;
      }
      continue;
    }
    if (rounded == 0) continue;
    // The values that read back as `value` lie within half a unit in its last place, a few parts in
    // 2^digits of scaled: an integer farther away than twice that cannot be m, no division needed.
    if (std::fabs(scaled - rounded) > scaled * (2 * std::numeric_limits<Number>::epsilon())) continue;
    if (readsBack(rounded, k)) {
      m = static_cast<std::int64_t>(rounded);
      decimals = k;
      return true;
    }
  }
  return false;
}

template <class Number, int kMaxDecimals, std::int64_t kMaxScaled, std::int64_t kMaxExact>
char* write(char* first, char* last, Number value) {
  if (value == 0) {  // as to_chars writes zeros: "0", "-0"
    if (std::signbit(value)) *first++ = '-';
    *first++ = '0';
    return first;
  }
  std::int64_t m = 0;
  int decimals = 0;
  if (std::isfinite(value) && findScaled<Number, kMaxDecimals, kMaxScaled, kMaxExact>(value, m, decimals))
    return writeScaled(first, static_cast<std::uint64_t>(m), decimals, value < 0);
  return std::to_chars(first, last, value, std::chars_format::fixed).ptr;
}

}  // namespace

// Doubles: m below 2^50 and 10^k exact (k <= 22). Singles: m below 2^21, or below 2^24 - 2 with
// the neighbours tried, and 10^k exact in a single (k <= 10), so that the division in single
// precision is itself correctly rounded.
char* writeShortestFixed(char* first, char* last, double value) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 50;
  return write<double, 22, kLimit, kLimit>(first, last, value);
}

char* writeShortestFixed(char* first, char* last, float value) {
  return write<float, 10, (std::int64_t{1} << 21), (std::int64_t{1} << 24) - 2>(first, last, value);
}

}  // namespace jet
