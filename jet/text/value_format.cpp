#include "jet/text/value_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "jet/error.h"
#include "jet/text/shortest_fixed.h"

namespace jet {

namespace {

// Digits and decimal exponent of the shortest round-trip form: value = 0.d1d2d3... * 10^exponent.
struct ShortestDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;  // position of the decimal point relative to the first digit
};

template <class Number>
ShortestDigits shortest(Number value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, result.ptr - buffer);
  ShortestDigits out;
  if (text.front() == '-') {
    out.negative = true;
    text.remove_prefix(1);
  }
  std::size_t e = text.find('e');
  std::string_view mantissa = text.substr(0, e);
  int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  for (char c : mantissa)
    if (c != '.') out.digits.push_back(c);
  while (out.digits.size() > 1 && out.digits.back() == '0') out.digits.pop_back();
  out.exponent = exponent + 1;
  return out;
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian), and back.
void civilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
  days += 719468;
  std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  std::int64_t doe = days - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t y = yoe + era * 400;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = y + (month <= 2 ? 1 : 0);
}

constexpr std::int64_t kDaysFrom1970To18991230 = -25569;

// Rounds x (0 <= x < 1) to three decimals, ties to even, using the exact value of the double.
std::int64_t roundToThousandths(double x) {
  double scaled = x * 1000.0;
  double error = std::fma(x, 1000.0, -scaled);  // x*1000 == scaled + error exactly
  double whole = std::floor(scaled);
  double fraction = (scaled - whole) + error;
  auto result = static_cast<std::int64_t>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && (result % 2) != 0)) ++result;
  return result;
}

}  // namespace

namespace {

template <class Number>
std::string formatShortest(Number value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";
  ShortestDigits d = shortest(value);
  std::string out = d.negative ? "-" : "";
  double magnitude = std::fabs(static_cast<double>(value));
  if (magnitude >= 1e-3 && magnitude < 1e7) {
    if (d.exponent <= 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-d.exponent), '0');
      out += d.digits;
    } else if (static_cast<std::size_t>(d.exponent) >= d.digits.size()) {
      out += d.digits;
      out.append(d.exponent - d.digits.size(), '0');
      out += ".0";
    } else {
      out += d.digits.substr(0, d.exponent);
      out += '.';
      out += d.digits.substr(d.exponent);
    }
    return out;
  }
  out += d.digits[0];
  out += '.';
  out += d.digits.size() > 1 ? d.digits.substr(1) : "0";
  out += 'E';
  out += std::to_string(d.exponent - 1);
  return out;
}

// Fixed notation with the shortest digits that read back exactly (to_chars without a precision).
template <class Number>
std::string formatPlain(Number value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";
  char buffer[400];  // enough for the longest fixed form of a double (about 330 characters)
  return std::string(buffer, writeShortestFixed(buffer, buffer + sizeof buffer, value));
}

}  // namespace

std::string formatDoublePlain(double value) { return formatPlain(value); }
std::string formatSinglePlain(float value) { return formatPlain(value); }
std::string formatDouble(double value) { return formatShortest(value); }
std::string formatSingle(float value) { return formatShortest(value); }

std::string formatSingleExact(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  int exponent;
  std::frexp(value, &exponent);
  // value = m * 2^(exponent - 24) with an integer m: that many binary places need as many decimal ones.
  int places = std::max(0, 24 - exponent);
  places = std::min(places, 160);
  char buffer[256];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                              std::chars_format::fixed, places);
  std::string out(buffer, result.ptr);
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  if (out == "-0") out = "0";
  return out;
}

CalendarTime toCalendar(DateTime value) {
  double v = value.days;
  if (!std::isfinite(v) || std::fabs(v) > 1e9)
    throw Error(ErrorCode::ValueRejected, "a date/time value is out of range");
  // Whole days toward zero; the fraction (of the absolute value) is always the time of day.
  auto days = static_cast<std::int64_t>(v);
  double seconds = std::fmod(std::fabs(v), 1.0) * 86400.0;
  auto wholeSeconds = static_cast<std::int64_t>(seconds);
  std::int64_t millis = roundToThousandths(std::fmod(seconds, 1.0));
  std::int64_t totalMillis = (days * 86400 + wholeSeconds) * 1000 + millis;
  std::int64_t dayNumber = (totalMillis >= 0 ? totalMillis : totalMillis - 86399999) / 86400000;
  std::int64_t ms = totalMillis - dayNumber * 86400000;
  CalendarTime t;
  civilFromDays(dayNumber + kDaysFrom1970To18991230, t.year, t.month, t.day);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

std::string formatDateTime(DateTime value) {
  CalendarTime t = toCalendar(value);
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d", static_cast<long long>(t.year),
                        t.month, t.day, t.hour, t.minute);
  std::string out(buffer, n);
  if (t.second || t.millisecond) {
    n = std::snprintf(buffer, sizeof buffer, ":%02d", t.second);
    out.append(buffer, n);
  }
  if (t.millisecond) {
    n = std::snprintf(buffer, sizeof buffer, ".%03d", t.millisecond);
    out.append(buffer, n);
  }
  return out;
}

std::string formatGuid(const Guid& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return buffer;
}

std::string formatHex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

// Declared with Value (value.h), made here, where the formatting is: the value layer stays below
// the text layer.
std::string Value::toString() const {
  struct Visitor {
    std::string operator()(Null) const { return ""; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::uint8_t v) const { return std::to_string(v); }
    std::string operator()(std::int16_t v) const { return std::to_string(v); }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(Currency c) const { return jet::toString(c); }
    std::string operator()(float v) const { return formatSingle(v); }
    std::string operator()(double v) const { return formatDouble(v); }
    std::string operator()(DateTime d) const {
      try {
        return formatDateTime(d);
      } catch (const Error&) {
        return formatDouble(d.days);  // beyond the calendar: the stored number
      }
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const Bytes& b) const { return formatHex(b); }
    std::string operator()(const Guid& g) const { return formatGuid(g); }
    std::string operator()(const Decimal& d) const { return jet::toString(d); }
  };
  return std::visit(Visitor{}, v_);
}

}  // namespace jet
