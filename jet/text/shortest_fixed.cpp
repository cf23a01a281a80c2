#include "jet/text/shortest_fixed.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
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

void writeDigitPair(char* out, std::uint32_t pair) { std::memcpy(out, kDigitPairs + 2 * pair, 2); }

// The eight digits of n < 10^8, zeros in front, at out: two halves, then a pair from each quarter,
// with no chain of divisions longer than two.
void writeEightDigits(char* out, std::uint32_t n) {
  const std::uint32_t high = n / 10000, low = n - high * 10000;
  const std::uint32_t first = high / 100, third = low / 100;
  writeDigitPair(out, first);
  writeDigitPair(out + 2, high - first * 100);
  writeDigitPair(out + 4, third);
  writeDigitPair(out + 6, low - third * 100);
}

// The eight digits of n < 10^8 as characters, zeros in front, the first in the lowest byte (the
// order they take in memory once stored): the halves, quarters and digits are split in all lanes
// of the word at once, each with a multiplication that divides exactly in its range.
std::uint64_t eightDigitCharacters(std::uint32_t n) {
  const std::uint32_t high = n / 10000;
  std::uint64_t v = high | static_cast<std::uint64_t>(n - high * 10000) << 32;  // two lanes below 10^4
  std::uint64_t q = ((v * 5243) >> 19) & 0x0000007F0000007FULL;               // x / 100 for x < 10^4
  v = q | (v - q * 100) << 16;                                                  // four lanes below 100
  q = ((v * 103) >> 10) & 0x000F000F000F000FULL;                                // x / 10 for x < 100
  v = q | (v - q * 10) << 8;                                                    // eight digits
  return v | 0x3030303030303030ULL;
}

// The word's eight characters at out, its lowest byte first.
void storeWord(char* out, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &word, 8);
  } else {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(word >> (8 * i));
  }
}

// The digits of m with a decimal point before its last `decimals` digits ("0." and zeros in front
// when m has fewer digits than that), after a minus sign when negative. REQUIRES: 1 <= m < 10^16,
// decimals <= 22, and 64 characters of room at out. Numbers of up to eight digits (nearly all)
// are made in a register and stored in whole words at their places, more than the text needs,
// without branching on the count of digits (which varies unpredictably from number to number).
char* writeScaled(char* out, std::uint64_t m, int decimals, bool negative) {
  if (negative) *out++ = '-';
  // The count of m's digits: log10(2) is about 1233 / 4096.
  const int log10Below = static_cast<int>((std::bit_width(m) * 1233) >> 12);
  const int digits = log10Below + (m >= kPow10Integers[log10Below] ? 1 : 0);
  if (m < 100000000) {
    const std::uint64_t text = eightDigitCharacters(static_cast<std::uint32_t>(m));
    const auto last = [&](int count) { return text >> (8 * (8 - count)); };  // the last count digits first
    if (decimals >= digits) {  // "0.", zeros, the digits
      std::memcpy(out, "0.000000000000000000000000", 26);
      storeWord(out + 2 + decimals - digits, last(digits));
      return out + 2 + decimals;
    }
    storeWord(out, last(digits));
    if (decimals == 0) return out + digits;
    out[digits - decimals] = '.';
    storeWord(out + digits - decimals + 1, last(decimals));
    return out + digits + 1;
  }
  // The digits end at text + 32, after zeros: enough for "0." and 22 decimals.
  char text[64];
  std::memset(text, '0', sizeof text);
  writeEightDigits(text + 16, static_cast<std::uint32_t>(m / 100000000));
  writeEightDigits(text + 24, static_cast<std::uint32_t>(m % 100000000));
  const int whole = std::max(digits - decimals, 1);  // digits before the point ("0" when none)
  std::memcpy(out, text + 32 - decimals - whole, 16);  // whole <= 16
  if (decimals == 0) return out + whole;
  out[whole] = '.';
  std::memcpy(out + whole + 1, text + 32 - decimals, 24);  // decimals <= 22
  return out + whole + 1 + decimals;
}

// x rounded to the nearest integer, ties to even (as nearbyint in the default rounding mode), for
// 0 <= x < 2^52: adding 2^52 leaves no bits below the units, so the addition itself rounds.
double roundToInteger(double x) {
  constexpr double kTwo52 = 4503599627370496.0;
  return (x + kTwo52) - kTwo52;
}

// Doubles: the fewest decimals k (up to 22, where 10^k is exact) for which some integer m makes
// m / 10^k read back as value, with m. The answer is unique for each k and is the one to_chars
// gives: while |value| * 10^k stays below 2^50, the values that read back as `value` span less
// than a quarter of a unit of m, so at most one integer lies among them, and a decimal with fewer
// decimals has fewer digits. m / 10^k, with both exact, rounds exactly as reading the text
// "m / 10^k" does, so the check is the real one. False when no such k is found within the limits
// (the caller then falls back to to_chars).
bool findScaledDouble(double value, std::int64_t& m, int& decimals) {
  constexpr int kMaxDecimals = 22;
  constexpr double kMaxScaled = 0x1p50;
  const double magnitude = std::fabs(value);
  // The decimals that leave m at 0 are skipped without a division (below a half m rounds to 0).
  int k = 0;
  while (k < kMaxDecimals && magnitude * kPow10[k] < 0.5) ++k;
  for (; k <= kMaxDecimals; ++k) {
    const double scaled = magnitude * kPow10[k];
    if (scaled >= kMaxScaled) return false;
    const double rounded = roundToInteger(scaled);
    if (rounded == 0) continue;
    // The values that read back as `value` lie within half a unit in its last place, a few parts in
    // 2^53 of scaled: an integer farther away than twice that cannot be m, no division needed.
    if (std::fabs(scaled - rounded) > scaled * (2 * std::numeric_limits<double>::epsilon())) continue;
    if (rounded / kPow10[k] == magnitude) {
      m = static_cast<std::int64_t>(rounded);
      decimals = k;
      return true;
    }
  }
  return false;
}

// Singles: a single has 24 significant bits and 10^k (k <= 12) at most 28, so value * 10^k is exact
// in a double, and so are the bounds of the values that read back as `value` scaled alike (half
// its gaps to the neighbouring singles, times 10^k). Whether an integer m makes m / 10^k read back
// is then an exact comparison, without a division, and m may have as many digits as a single ever
// needs. The first k with such an m gives the fewest decimals; when several integers read back at
// that k, none ends in a zero (it would have read back at k - 1) and to_chars takes the nearest:
// the rounded scaled value, or the integer above it at a power of two, whose gap below is half
// the gap above. A tie (scaled value halfway between two integers) is left to to_chars, as are
// singles of 2^24 and more (several integers read back without decimals, some with fewer digits),
// subnormals and those that need more than 12 decimals.
bool findScaledSingle(float value, std::int64_t& m, int& decimals) {
  constexpr int kMaxDecimals = 12;
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value) & 0x7FFFFFFFu;
  const std::uint32_t exponent = bits >> 23;            // biased; 0 for subnormals
  if (exponent == 0 || bits >= 0x4B800000u) return false;  // subnormal, or 2^24 and more
  const double magnitude = std::bit_cast<float>(bits);
  // Half the gap to the next single up: 2^(exponent - 151). Below a power of two the singles are
  // twice as dense (except below the smallest normal one).
  const double halfUp = std::bit_cast<double>(static_cast<std::uint64_t>(exponent - 151 + 1023) << 52);
  const double halfDown = (bits & 0x7FFFFFu) == 0 && exponent > 1 ? halfUp / 2 : halfUp;
  const bool boundsReadBack = (bits & 1) == 0;  // a text halfway reads as the single with even significand
  int k = 0;
  while (k < kMaxDecimals && magnitude * kPow10[k] < 0.5) ++k;
  const auto found = [&](double integer, int k) {
    m = static_cast<std::int64_t>(integer);
    decimals = k;
    return true;
  };
  for (; k <= kMaxDecimals; ++k) {
    const double scaled = magnitude * kPow10[k];
    if (scaled >= 0x1p52) return false;  // roundToInteger's limit, far beyond a single's 9 digits
    const double up = halfUp * kPow10[k], down = halfDown * kPow10[k];
    const double rounded = roundToInteger(scaled);
    const double offset = rounded - scaled;  // exact: |offset| <= 1/2 and rounded is within a factor 2 of scaled
    const double distance = std::fabs(offset);
    // Most values settle here: nearer than both bounds, or no integer near enough at all.
    if (distance < down && distance != 0.5) return found(rounded, k);
    if (distance > up && up < 0.5) continue;
    // Near a bound, or the bounds half a unit or more away: the full test of whether the integer
    // `offset` away from scaled reads back.
    const auto readsBack = [&](double offset) {
      const double bound = offset >= 0 ? up : down;
      return std::fabs(offset) < bound || (std::fabs(offset) == bound && boundsReadBack);
    };
    if (readsBack(offset)) {
      if (distance == 0.5) return false;
      return found(rounded, k);
    }
    if (offset < 0 && readsBack(offset + 1)) return found(rounded + 1, k);
  }
  return false;
}

// Writes value with the decimals find(value, m, decimals) gives, or through to_chars when it finds
// none.
template <class Number, class Find>
char* write(char* first, char* last, Number value, Find find) {
  if (value == 0) {  // as to_chars writes zeros: "0", "-0"
    if (std::signbit(value)) *first++ = '-';
    *first++ = '0';
    return first;
  }
  std::int64_t m = 0;
  int decimals = 0;
  if (std::isfinite(value) && find(value, m, decimals))
    return writeScaled(first, static_cast<std::uint64_t>(m), decimals, value < 0);
  return std::to_chars(first, last, value, std::chars_format::fixed).ptr;
}

}  // namespace

char* writeShortestFixed(char* first, char* last, double value) { return write(first, last, value, findScaledDouble); }

char* writeShortestFixed(char* first, char* last, float value) { return write(first, last, value, findScaledSingle); }

}  // namespace jet
