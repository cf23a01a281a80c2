#include "common/format_value.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace qbm {
namespace {

// One row of the picture table: the first row whose bound the magnitude reaches is used.
struct PictureRow {
  double bound;
  int places;  // "#" after the point; -1: no point in the picture
};

constexpr PictureRow kPictures[] = {
    {1000, -1}, {100, 1},   {10, 2},    {1, 3},     {0.1, 3},   {0.01, 4},  {0.001, 5},
    {0.0001, 6}, {0.00001, 7}, {1e-6, 8}, {1e-7, 9},  {1e-8, 10}, {1e-9, 11}, {1e-10, 12},
    {1e-11, 13}, {1e-12, 14},
};
constexpr int kSmallestPlaces = 24;

// The magnitude as decimal digits, rounded first to the 15 significant digits a double carries
// (so 0.285 counts as 0.285, not as the binary 0.28499...), then half away from zero to `places`
// places. Returns the whole part (at least "0") and the fractional part without trailing zeros.
struct DecimalText {
  std::string whole;
  std::string fraction;
};

DecimalText roundedDigits(double magnitude, int places) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                              std::chars_format::scientific, 14);
  const std::string_view text(buffer, result.ptr - buffer);  // d.dddddddddddddde±xx
  const size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e))
    if (c != '.') digits += c;
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);

  // Place the point: digits[0] is the 10^exponent digit.
  const int pointAt = exponent + 1;
  std::string whole, fraction;
  if (pointAt <= 0) {
    whole = "0";
    fraction = std::string(-pointAt, '0') + digits;
  } else if (pointAt >= static_cast<int>(digits.size())) {
    whole = digits + std::string(pointAt - digits.size(), '0');
  } else {
    whole = digits.substr(0, pointAt);
    fraction = digits.substr(pointAt);
  }

  const size_t keep = static_cast<size_t>(places < 0 ? 0 : places);
  if (fraction.size() > keep) {
    const bool up = fraction[keep] >= '5';
    fraction.resize(keep);
    if (up) {
      std::string all = whole + fraction;
      int i = static_cast<int>(all.size()) - 1;
      while (i >= 0 && all[i] == '9') all[i--] = '0';
      if (i >= 0) {
        ++all[i];
      } else {
        all.insert(all.begin(), '1');
      }
      whole = all.substr(0, all.size() - keep);
      fraction = all.substr(all.size() - keep);
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const size_t firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
  return {whole, fraction};
}

bool endsWith(const std::string& text, std::string_view tail) {
  return !tail.empty() && text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int FormatValuePlaces(double magnitude) {
  for (const PictureRow& row : kPictures)
    if (magnitude >= row.bound) return row.places;
  return kSmallestPlaces;
}

std::string FormatValue(double value, const UserLocale& locale) {
  std::string text;
  if (std::isfinite(value)) {
    const double magnitude = std::fabs(value);
    const int places = FormatValuePlaces(magnitude);
    const DecimalText digits = roundedDigits(magnitude, places);
    if (std::signbit(value) && value != 0) text += '-';
    text += digits.whole;
    if (places >= 0) text += locale.decimalSeparator + digits.fraction;  // "5." until trimmed
  }
  // A picture with a point leaves the separator when no fraction digit is significant.
  if (endsWith(text, locale.decimalSeparator)) {
    text.resize(text.size() - locale.decimalSeparator.size());
  } else if (endsWith(text, ".") || endsWith(text, ",")) {
    text.pop_back();
  }
  if (value >= 0) text.insert(text.begin(), ' ');
  return text;
}

std::string FormatValue(double value) { return FormatValue(value, currentUserLocale()); }

}  // namespace qbm
