#include "jet/tdef/value_conversion.h"

#include <cctype>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "jet/error.h"
#include "jet/text/text_codec.h"
#include "jet/text/value_format.h"

namespace jet {

namespace {

[[noreturn]] void reject(const StoredColumn& column, const std::string& table, const Value& value,
                         const std::string& why) {
  throw Error(ErrorCode::ValueRejected, "table " + table + ", column " + column.name + ": cannot store " +
                                            describeValue(value) + " (" + why + ")");
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Text that is exactly a decimal number ("12", "-3.5", "1e3"), as a double.
std::optional<double> parseNumber(const std::string& text) {
  std::string t = trim(text);
  if (t.empty()) return std::nullopt;
  const char* first = t.data();
  if (*first == '+') ++first;
  double d = 0;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), d);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

// The numeric value of a caller's value, or nullopt when it has none.
std::optional<double> numberOf(const Value& v) {
  if (v.is<std::string>()) return parseNumber(v.as<std::string>());
  if (v.is<DateTime>() || v.isNumeric()) return v.toDouble();
  return std::nullopt;
}

// Exact integers stay exact; fractions round half to even.
std::optional<std::int64_t> integerOf(const Value& v) {
  if (auto p = v.getIf<bool>()) return *p ? -1 : 0;
  if (auto p = v.getIf<std::uint8_t>()) return *p;
  if (auto p = v.getIf<std::int16_t>()) return *p;
  if (auto p = v.getIf<std::int32_t>()) return *p;
  std::optional<double> d = numberOf(v);
  if (!d || std::fabs(*d) > 9.2e18) return std::nullopt;
  return static_cast<std::int64_t>(std::nearbyint(*d));  // the default rounding mode: ties to even
}

Value toInteger(const StoredColumn& c, const std::string& table, const Value& v, std::int64_t min, std::int64_t max) {
  if (v.is<std::string>() && !parseNumber(v.as<std::string>())) reject(c, table, v, "not a number");
  std::optional<std::int64_t> n = integerOf(v);
  if (!n) reject(c, table, v, "not a number");
  if (*n < min || *n > max)
    reject(c, table, v, "out of range " + std::to_string(min) + " to " + std::to_string(max));
  switch (c.type) {
    case ColumnType::Byte: return Value(static_cast<std::uint8_t>(*n));
    case ColumnType::Integer: return Value(static_cast<std::int16_t>(*n));
    default: return Value(static_cast<std::int32_t>(*n));
  }
}

Value toBoolean(const StoredColumn& c, const std::string& table, const Value& v) {
  if (v.isNull()) return Value(false);
  if (auto p = v.getIf<bool>()) return Value(*p);
  if (auto p = v.getIf<std::string>()) {
    std::string t = lower(trim(*p));
    if (t == "true" || t == "yes" || t == "on" || t == "-1") return Value(true);
    if (t == "false" || t == "no" || t == "off" || t == "0") return Value(false);
    reject(c, table, v, "not a Yes/No value");
  }
  std::optional<double> d = numberOf(v);
  if (!d) reject(c, table, v, "not a Yes/No value");
  return Value(*d != 0);
}

Value toCurrency(const StoredColumn& c, const std::string& table, const Value& v) {
  if (auto p = v.getIf<Currency>()) return Value(*p);
  std::optional<double> d = numberOf(v);
  if (!d) reject(c, table, v, "not a number");
  double units = std::nearbyint(*d * 10000.0);
  if (std::fabs(units) >= 9.2e18) reject(c, table, v, "out of the range of Currency");
  return Value(Currency{static_cast<std::int64_t>(units)});
}

Value toSingle(const StoredColumn& c, const std::string& table, const Value& v) {
  if (auto p = v.getIf<float>()) {
    if (!std::isfinite(*p)) reject(c, table, v, "not a finite number");
    return Value(*p);
  }
  std::optional<double> d = numberOf(v);
  if (!d) reject(c, table, v, "not a number");
  if (std::fabs(*d) > std::numeric_limits<float>::max()) reject(c, table, v, "out of the range of Single");
  return Value(static_cast<float>(*d));
}

Value toDouble(const StoredColumn& c, const std::string& table, const Value& v) {
  if (auto p = v.getIf<float>()) {
    if (!std::isfinite(*p)) reject(c, table, v, "not a finite number");
    return Value(static_cast<double>(*p));  // exact, as Access widens a Single
  }
  std::optional<double> d = numberOf(v);
  if (!d || !std::isfinite(*d)) reject(c, table, v, "not a number");
  return Value(*d);
}

Value toDate(const StoredColumn& c, const std::string& table, const Value& v) {
  if (auto p = v.getIf<DateTime>()) return Value(*p);
  if (auto p = v.getIf<std::string>()) {
    DateTime d;
    if (!parseDateText(*p, d)) reject(c, table, v, "not a date in the form dd-mmm-yyyy or yyyy-mm-dd");
    return Value(d);
  }
  std::optional<double> d = numberOf(v);
  if (!d || std::fabs(*d) > 2958465.99999) reject(c, table, v, "not a date");
  return Value(DateTime{*d});
}

std::string numberText(const Value& v) {
  if (auto p = v.getIf<float>()) return formatSinglePlain(*p);
  if (auto p = v.getIf<double>()) return formatDoublePlain(*p);
  if (auto p = v.getIf<bool>()) return *p ? "-1" : "0";
  if (auto p = v.getIf<DateTime>()) return formatDateTime(*p);
  return v.toString();
}

// The text's length in UTF-16 units, as Access counts characters.
std::size_t utf16Length(const std::string& text) {
  if (std::all_of(text.begin(), text.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
    return text.size();  // plain ASCII: one unit a byte
  std::size_t units = 0;
  for (char32_t cp : decodeUtf8(text)) units += cp > 0xFFFF ? 2 : 1;
  return units;
}

Value toText(const StoredColumn& c, const std::string& table, const Value& v, Format version,
             std::uint16_t codePage) {
  // Text is checked where it is and copied once; other values are formatted as text first.
  std::string formatted;
  const std::string* given = v.getIf<std::string>();
  if (!given) {
    if (v.isNumeric() || v.is<DateTime>()) formatted = numberText(v);
    else if (auto g = v.getIf<Guid>()) formatted = formatGuid(*g);
    else reject(c, table, v, "not text");
  }
  const std::string& text = given ? *given : formatted;
  if (c.type == ColumnType::Text) {
    std::size_t limit = version == Format::Jet4 ? c.length / 2u : c.length;
    if (utf16Length(text) > limit)
      reject(c, table, v, "longer than the column's " + std::to_string(limit) + " characters");
  }
  if (version == Format::Jet3 && !encodeCodePage(text, codePage))
    reject(c, table, v, "it has characters that code page " + std::to_string(codePage) + " cannot hold");
  return given ? Value(*given) : Value(std::move(formatted));
}

Value toBytes(const StoredColumn& c, const std::string& table, const Value& v) {
  if (!v.is<Bytes>()) reject(c, table, v, "not binary data");
  if (c.type == ColumnType::Binary && v.as<Bytes>().size() > c.length)
    reject(c, table, v, "longer than the column's " + std::to_string(c.length) + " bytes");
  return v;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Value toGuid(const StoredColumn& c, const std::string& table, const Value& v) {
  if (v.is<Guid>()) return v;
  if (auto p = v.getIf<std::string>()) {
    std::string t = trim(*p);
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') {
      std::string hex;
      for (std::size_t i = 1; i + 1 < t.size(); ++i)
        if (t[i] != '-') hex.push_back(t[i]);
      bool dashes = t[9] == '-' && t[14] == '-' && t[19] == '-' && t[24] == '-';
      if (hex.size() == 32 && dashes) {
        std::uint8_t b[16];
        bool ok = true;
        for (int i = 0; i < 16; ++i) {
          int hi = hexDigit(hex[2 * i]), lo = hexDigit(hex[2 * i + 1]);
          if (hi < 0 || lo < 0) ok = false;
          b[i] = static_cast<std::uint8_t>((hi << 4) | (lo & 0xF));
        }
        if (ok) {
          // The first three groups are stored little-endian.
          Guid g{b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
          return Value(g);
        }
      }
    }
  }
  reject(c, table, v, "not a GUID");
}

// A magnitude of up to 128 bits as four 32-bit limbs, least significant first (portable: no
// compiler's 128-bit integer).
struct Magnitude {
  std::uint32_t limbs[4] = {0, 0, 0, 0};

  // this = this * m + a; false when the result needs more than 128 bits.
  bool mulAdd(std::uint32_t m, std::uint32_t a) {
    std::uint64_t carry = a;
    for (std::uint32_t& limb : limbs) {
      std::uint64_t t = static_cast<std::uint64_t>(limb) * m + carry;
      limb = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    return carry == 0;
  }
  // this /= 10; returns the remainder.
  std::uint32_t divide10() {
    std::uint64_t rest = 0;
    for (int i = 3; i >= 0; --i) {
      std::uint64_t t = (rest << 32) | limbs[i];
      limbs[i] = static_cast<std::uint32_t>(t / 10);
      rest = t % 10;
    }
    return static_cast<std::uint32_t>(rest);
  }
  bool isZero() const { return !(limbs[0] | limbs[1] | limbs[2] | limbs[3]); }
  bool lessThan(const Magnitude& o) const {
    for (int i = 3; i >= 0; --i)
      if (limbs[i] != o.limbs[i]) return limbs[i] < o.limbs[i];
    return false;
  }
};

Magnitude power10(int n) {
  Magnitude p;
  p.limbs[0] = 1;
  for (int i = 0; i < n; ++i) p.mulAdd(10, 0);
  return p;
}

Value decimalFrom(const StoredColumn& c, const std::string& table, const Value& v, bool negative,
                  Magnitude digits, int scale) {
  // Bring to the column's scale: extra fraction digits must be zero (no silent rounding).
  while (scale > c.scale) {
    Magnitude rest = digits;
    if (rest.divide10() != 0) reject(c, table, v, "more decimal places than the column's " + std::to_string(c.scale));
    digits = rest;
    --scale;
  }
  while (scale < c.scale) {
    if (!digits.mulAdd(10, 0)) reject(c, table, v, "too many digits");
    ++scale;
  }
  if (c.precision > 28 || !digits.lessThan(power10(c.precision)))
    reject(c, table, v, "more digits than the column's precision " + std::to_string(c.precision));
  Decimal d;
  d.negative = negative && !digits.isZero();
  d.precision = c.precision;
  d.scale = c.scale;
  d.low = (static_cast<std::uint64_t>(digits.limbs[1]) << 32) | digits.limbs[0];
  d.high = digits.limbs[2];
  return Value(d);
}

Value toDecimal(const StoredColumn& c, const std::string& table, const Value& v) {
  if (auto p = v.getIf<Decimal>()) {
    Magnitude digits;
    digits.limbs[0] = static_cast<std::uint32_t>(p->low);
    digits.limbs[1] = static_cast<std::uint32_t>(p->low >> 32);
    digits.limbs[2] = p->high;
    return decimalFrom(c, table, v, p->negative, digits, p->scale);
  }
  std::string text;
  if (v.is<std::string>()) text = trim(v.as<std::string>());
  else if (v.is<std::uint8_t>() || v.is<std::int16_t>() || v.is<std::int32_t>()) text = v.toString();
  else if (v.is<double>() || v.is<float>()) text = numberText(v);
  else reject(c, table, v, "not a number");
  bool negative = false;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  Magnitude digits;
  int scale = 0, count = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '.' && !point) {
      point = true;
      continue;
    }
    if (ch < '0' || ch > '9' || count > 38) reject(c, table, v, "not a decimal number");
    if (!digits.mulAdd(10, static_cast<std::uint32_t>(ch - '0'))) reject(c, table, v, "too many digits");
    ++count;
    if (point) ++scale;
  }
  if (count == 0) reject(c, table, v, "not a decimal number");
  return decimalFrom(c, table, v, negative, digits, scale);
}

// ---- Dates ----

std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysIn(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : days[m - 1];
}

int monthNumber(const std::string& name) {
  static const char* names[] = {"january", "february", "march", "april", "may", "june", "july",
                                "august", "september", "october", "november", "december"};
  std::string n = lower(name);
  for (int i = 0; i < 12; ++i) {
    std::string full = names[i];
    if (n == full || (n.size() == 3 && full.compare(0, 3, n) == 0)) return i + 1;
  }
  if (n == "sept") return 9;
  return 0;
}

bool allDigits(const std::string& s, std::size_t min, std::size_t max) {
  if (s.size() < min || s.size() > max) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "hh:mm" or "hh:mm:ss" as a fraction of a day.
bool parseTime(const std::string& t, double& fraction) {
  std::size_t a = t.find(':');
  if (a == std::string::npos) return false;
  std::size_t b = t.find(':', a + 1);
  std::string h = t.substr(0, a), m = t.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
  std::string s = b == std::string::npos ? "0" : t.substr(b + 1);
  if (!allDigits(h, 1, 2) || !allDigits(m, 2, 2) || !allDigits(s, 1, 2)) return false;
  int hh = std::stoi(h), mm = std::stoi(m), ss = std::stoi(s);
  if (hh > 23 || mm > 59 || ss > 59) return false;
  fraction = (hh * 3600 + mm * 60 + ss) / 86400.0;
  return true;
}

}  // namespace

bool parseDateText(const std::string& input, DateTime& out) {
  std::string text = trim(input);
  std::string datePart = text, timePart;
  std::size_t split = text.find_first_of(" T");
  if (split != std::string::npos) {
    datePart = text.substr(0, split);
    timePart = trim(text.substr(split + 1));
    if (text[split] == 'T' && datePart.find('-') != 4) return false;  // "T" only after the ISO form
  }
  int year = 0, month = 0, day = 0;
  std::size_t d1 = datePart.find('-');
  std::size_t d2 = d1 == std::string::npos ? std::string::npos : datePart.find('-', d1 + 1);
  if (d2 == std::string::npos || datePart.find('-', d2 + 1) != std::string::npos) return false;
  std::string a = datePart.substr(0, d1), b = datePart.substr(d1 + 1, d2 - d1 - 1), c = datePart.substr(d2 + 1);
  if (allDigits(a, 4, 4) && allDigits(b, 1, 2) && allDigits(c, 1, 2)) {
    year = std::stoi(a), month = std::stoi(b), day = std::stoi(c);
  } else if (allDigits(a, 1, 2) && allDigits(c, 4, 4) && monthNumber(b) != 0) {
    day = std::stoi(a), month = monthNumber(b), year = std::stoi(c);
  } else {
    return false;
  }
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month)) return false;
  double fraction = 0;
  if (!timePart.empty() && !parseTime(timePart, fraction)) return false;
  double days = static_cast<double>(daysFromCivil(year, month, day) + 25569);
  // Before 1899-12-30 the whole part is the day (counted backwards) and the fraction still the time.
  out = DateTime{days >= 0 ? days + fraction : days - fraction};
  return true;
}

std::string describeValue(const Value& value) {
  if (value.isNull()) return "Null";
  if (auto p = value.getIf<std::string>()) {
    std::string shown = p->size() > 60 ? p->substr(0, 60) + "..." : *p;
    return "\"" + shown + "\"";
  }
  if (auto p = value.getIf<Bytes>()) return std::to_string(p->size()) + " bytes";
  if (auto p = value.getIf<bool>()) return *p ? "True" : "False";
  if (auto p = value.getIf<Guid>()) return formatGuid(*p);
  if (auto p = value.getIf<DateTime>()) return formatDateTime(*p);
  return numberText(value);
}

Value convertForColumn(const StoredColumn& column, const Value& value, const std::string& table,
                       Format version, std::uint16_t codePage) {
  if (column.typeCode != static_cast<std::uint8_t>(column.type))
    reject(column, table, value, "the column's type is not one this program writes");
  if (column.type == ColumnType::Boolean) return toBoolean(column, table, value);
  if (value.isNull()) return value;
  switch (column.type) {
    case ColumnType::Byte: return toInteger(column, table, value, 0, 255);
    case ColumnType::Integer: return toInteger(column, table, value, -32768, 32767);
    case ColumnType::Long: return toInteger(column, table, value, std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max());
    case ColumnType::Currency: return toCurrency(column, table, value);
    case ColumnType::Single: return toSingle(column, table, value);
    case ColumnType::Double: return toDouble(column, table, value);
    case ColumnType::DateTime: return toDate(column, table, value);
    case ColumnType::Text:
    case ColumnType::Memo: return toText(column, table, value, version, codePage);
    case ColumnType::Binary:
    case ColumnType::Ole: return toBytes(column, table, value);
    case ColumnType::Guid: return toGuid(column, table, value);
    case ColumnType::Decimal: return toDecimal(column, table, value);
    case ColumnType::Boolean: break;
  }
  reject(column, table, value, "unknown column type");
}

}  // namespace jet
