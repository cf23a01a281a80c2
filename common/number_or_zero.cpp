#include "common/number_or_zero.h"

#include <charconv>
#include <cmath>
#include <string>
#include <type_traits>

#include "common/number_text.h"

namespace qbm {
namespace {

// Reads text written in the C convention (from_chars), which every number below is turned into.
double fromPlainText(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

double currencyValue(const jet::Currency& c) {
  const bool negative = c.units < 0;
  // Magnitude without overflow for the most negative count.
  const std::uint64_t units = negative ? 0 - static_cast<std::uint64_t>(c.units)
                                       : static_cast<std::uint64_t>(c.units);
  std::string fraction = std::to_string(units % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return fromPlainText((negative ? "-" : "") + std::to_string(units / 10000) + "." + fraction);
}

// Exact decimal digits of the 96-bit magnitude, by long division on 32-bit limbs.
std::string magnitudeDigits(const jet::Decimal& d) {
  std::uint32_t limbs[3] = {d.high, static_cast<std::uint32_t>(d.low >> 32),
                            static_cast<std::uint32_t>(d.low)};
  std::string digits;
  auto isZero = [&] { return limbs[0] == 0 && limbs[1] == 0 && limbs[2] == 0; };
  while (!isZero()) {
    std::uint64_t remainder = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t current = (remainder << 32) | limb;
      limb = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  return digits.empty() ? "0" : digits;
}

double decimalValue(const jet::Decimal& d) {
  std::string digits = magnitudeDigits(d);
  if (d.scale > 0) {
    if (digits.size() <= d.scale) digits.insert(0, d.scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - d.scale, ".");
  }
  return fromPlainText((d.negative ? "-" : "") + digits);
}

}  // namespace

std::optional<double> NumericValue(const jet::Value& value, const UserLocale& locale) {
  return std::visit(
      [&](const auto& v) -> std::optional<double> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return v ? -1.0 : 0.0;
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                             std::is_same_v<T, std::int32_t>) {
          return static_cast<double>(v);
        } else if constexpr (std::is_same_v<T, float>) {
          if (!std::isfinite(v)) return std::nullopt;
          return static_cast<double>(v);  // exact: every single is a double
        } else if constexpr (std::is_same_v<T, double>) {
          if (!std::isfinite(v)) return std::nullopt;
          return v;
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          return currencyValue(v);
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          return decimalValue(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return parseLocaleNumber(v, locale);
        } else {
          return std::nullopt;  // Null, dates, binary, GUID
        }
      },
      value.storage());
}

double NumberOrZero(const jet::Value& value, const UserLocale& locale) {
  return NumericValue(value, locale).value_or(0.0);
}

double NumberOrZero(const jet::Value& value) { return NumberOrZero(value, currentUserLocale()); }

double roundHalfEven(double x) {
  const double nearest = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
  return nearest;
}

std::int16_t IntegerOrZero(const jet::Value& value, const UserLocale& locale) {
  const std::optional<double> number = NumericValue(value, locale);
  if (!number) return 0;
  const double rounded = roundHalfEven(*number);
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) throw NumericOverflow();
  return static_cast<std::int16_t>(rounded);
}

std::int16_t IntegerOrZero(const jet::Value& value) {
  return IntegerOrZero(value, currentUserLocale());
}

}  // namespace qbm
