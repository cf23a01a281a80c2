#include "jet/value.h"

#include <cstdlib>

#include "jet/error.h"

namespace jet {

const char* typeName(ColumnType type) noexcept {
  switch (type) {
    case ColumnType::Boolean: return "BOOLEAN";
    case ColumnType::Byte: return "BYTE";
    case ColumnType::Integer: return "INT";
    case ColumnType::Long: return "LONG";
    case ColumnType::Currency: return "MONEY";
    case ColumnType::Single: return "FLOAT";
    case ColumnType::Double: return "DOUBLE";
    case ColumnType::DateTime: return "SHORT_DATE_TIME";
    case ColumnType::Binary: return "BINARY";
    case ColumnType::Text: return "TEXT";
    case ColumnType::Ole: return "OLE";
    case ColumnType::Memo: return "MEMO";
    case ColumnType::Guid: return "GUID";
    case ColumnType::Decimal: return "NUMERIC";
  }
  return "UNKNOWN";
}

namespace {

// Digits of an unsigned 96-bit number given as three 32-bit words, most significant first.
std::string digitsOf96(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2) {
  std::uint32_t words[3] = {w0, w1, w2};
  if (!(w0 || w1 || w2)) return std::string(1, '0');
  std::string reversed;
  while (words[0] || words[1] || words[2]) {
    std::uint64_t remainder = 0;
    for (std::uint32_t& w : words) {
      std::uint64_t current = (remainder << 32) | w;
      w = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
    }
    reversed.push_back(static_cast<char>('0' + remainder));
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

// Places a decimal point `scale` digits from the right of an unsigned digit string.
std::string withScale(std::string digits, int scale) {
  if (scale <= 0) return digits;
  if (digits.size() <= static_cast<std::size_t>(scale))
    digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
  digits.insert(digits.size() - scale, 1, '.');
  return digits;
}

}  // namespace

std::string toString(const Decimal& d) {
  std::string digits = digitsOf96(d.high, static_cast<std::uint32_t>(d.low >> 32), static_cast<std::uint32_t>(d.low));
  bool zero = digits == "0";
  std::string out = withScale(std::move(digits), d.scale);
  return (d.negative && !zero) ? "-" + out : out;
}

std::string toString(const Currency& c) {
  std::uint64_t magnitude = c.units < 0 ? 0 - static_cast<std::uint64_t>(c.units) : static_cast<std::uint64_t>(c.units);
  std::string out = withScale(std::to_string(magnitude), 4);
  return c.units < 0 ? "-" + out : out;
}

bool Value::isNumeric() const {
  return is<bool>() || is<std::uint8_t>() || is<std::int16_t>() || is<std::int32_t>() || is<Currency>() ||
         is<float>() || is<double>() || is<DateTime>() || is<Decimal>();
}

double Value::toDouble() const {
  struct Visitor {
    double operator()(Null) const { return 0; }
    double operator()(bool b) const { return b ? -1 : 0; }
    double operator()(std::uint8_t v) const { return v; }
    double operator()(std::int16_t v) const { return v; }
    double operator()(std::int32_t v) const { return v; }
    double operator()(Currency c) const { return static_cast<double>(c.units) / 10000.0; }
    double operator()(float v) const { return v; }
    double operator()(double v) const { return v; }
    double operator()(DateTime d) const { return d.days; }
    double operator()(const std::string&) const { return 0; }
    double operator()(const Bytes&) const { return 0; }
    double operator()(const Guid&) const { return 0; }
    double operator()(const Decimal& d) const { return std::strtod(jet::toString(d).c_str(), nullptr); }
  };
  return std::visit(Visitor{}, v_);
}

}  // namespace jet
