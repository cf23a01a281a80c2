#pragma once
// A field value as the engine reads and writes it. One alternative per kind of Access column, plus
// Null, which is kept distinct from every "empty" value (0, "", false).

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// Column types as stored in a table definition (the numbers are the on-disk codes).
enum class ColumnType : std::uint8_t {
  Boolean = 0x01,   // Yes/No: lives in the row's null mask, never Null itself
  Byte = 0x02,      // unsigned 8-bit
  Integer = 0x03,   // signed 16-bit
  Long = 0x04,      // signed 32-bit (also autonumber)
  Currency = 0x05,  // signed 64-bit count of 1/10000
  Single = 0x06,    // IEEE 32-bit
  Double = 0x07,    // IEEE 64-bit
  DateTime = 0x08,  // double: days since 1899-12-30, fraction = time of day
  Binary = 0x09,    // short binary (up to 255 bytes)
  Text = 0x0A,      // short text (up to 255 characters)
  Ole = 0x0B,       // long binary
  Memo = 0x0C,      // long text
  Guid = 0x0F,      // Replication ID, 16 bytes
  Decimal = 0x10,   // Jet 4 scaled 96-bit integer with precision and scale
};

// Name used in dumps and messages: "BOOLEAN", "BYTE", "INT", "LONG", "MONEY", "FLOAT", "DOUBLE",
// "SHORT_DATE_TIME", "BINARY", "TEXT", "OLE", "MEMO", "GUID", "NUMERIC".
const char* typeName(ColumnType type) noexcept;

struct Null {
  friend bool operator==(Null, Null) { return true; }
};

// Currency: a 64-bit count of ten-thousandths.
struct Currency {
  std::int64_t units = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// Date/Time as Access stores it: days since 1899-12-30 00:00; the fraction is the time of day.
// (Access treats negative values as "day part negative, time part positive".)
struct DateTime {
  double days = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Decimal: sign, 96-bit magnitude (hi 32 bits in mid's upper part are zero), precision and scale.
struct Decimal {
  bool negative = false;
  std::uint8_t precision = 18;
  std::uint8_t scale = 0;
  std::uint64_t low = 0;   // low 64 bits of the magnitude
  std::uint32_t high = 0;  // high 32 bits of the magnitude
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

using Guid = std::array<std::uint8_t, 16>;
using Bytes = std::vector<std::uint8_t>;

// Text (Text and Memo columns) is UTF-8 in memory, whatever the file's encoding.
class Value {
 public:
  using Storage = std::variant<Null, bool, std::uint8_t, std::int16_t, std::int32_t, Currency, float,
                               double, DateTime, std::string, Bytes, Guid, Decimal>;

  Value() = default;
  Value(Null) {}
  Value(bool v) : v_(v) {}
  Value(std::uint8_t v) : v_(v) {}
  Value(std::int16_t v) : v_(v) {}
  Value(std::int32_t v) : v_(v) {}
  Value(Currency v) : v_(v) {}
  Value(float v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(DateTime v) : v_(v) {}
  Value(std::string v) : v_(std::move(v)) {}
  Value(const char* v) : v_(std::string(v)) {}
  Value(Bytes v) : v_(std::move(v)) {}
  Value(Guid v) : v_(v) {}
  Value(Decimal v) : v_(v) {}

  bool isNull() const { return std::holds_alternative<Null>(v_); }
  template <class T> bool is() const { return std::holds_alternative<T>(v_); }
  template <class T> const T& as() const { return std::get<T>(v_); }  // throws std::bad_variant_access
  template <class T> const T* getIf() const { return std::get_if<T>(&v_); }
  const Storage& storage() const { return v_; }

  // True for bool, the integer kinds, Currency, float, double, DateTime and Decimal.
  bool isNumeric() const;
  // The numeric value as a double (bool gives -1 or 0, as Access does); 0 for Null and non-numbers.
  double toDouble() const;
  // Text for people and dumps: numbers in the shortest form that reads back exactly ("0.0"-style
  // forms are the dump's business), text as is, bytes as hex.
  std::string toString() const;  // made with the formatting, in text/value_format.cpp

  friend bool operator==(const Value&, const Value&) = default;

 private:
  Storage v_;
};

// Exact decimal text of a Decimal ("-12.3400" with precision/scale applied).
std::string toString(const Decimal& d);
// Plain decimal text of a Currency with four decimals ("3.5000").
std::string toString(const Currency& c);

}  // namespace jet
