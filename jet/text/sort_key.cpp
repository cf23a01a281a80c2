#include "jet/text/sort_key.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "jet/error.h"
#include "jet/text/general_sort_weights.h"
#include "jet/text/text_codec.h"

namespace jet {
namespace {

using collation::CharWeights;
using collation::WeightKind;

// First byte of every key part.
constexpr std::uint8_t kAscendingValue = 0x7F;
constexpr std::uint8_t kDescendingValue = 0x80;
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingNull = 0xFF;

// Text is keyed on at most this many UTF-16 code units (the longest short text).
constexpr std::size_t kMaxKeyedTextUnits = 255;

void invert(Bytes& out, std::size_t from) {
  for (std::size_t i = from; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
}

void appendBigEndian(Bytes& out, std::uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// ---- numbers ----------------------------------------------------------------------------------

// Two's complement integers: big-endian with the sign bit flipped, so bytes order like numbers.
void appendSigned(Bytes& out, std::int64_t value, int bytes, bool descending) {
  std::size_t start = out.size();
  appendBigEndian(out, static_cast<std::uint64_t>(value), bytes);
  out[start] ^= 0x80;
  if (descending) invert(out, start);
}

// IEEE floats: positives get the sign bit flipped, negatives are inverted whole.
void appendFloating(Bytes& out, std::uint64_t bits, int bytes, bool descending) {
  std::size_t start = out.size();
  appendBigEndian(out, bits, bytes);
  bool negative = (out[start] & 0x80) != 0;
  if (negative) {
    invert(out, start);
  } else {
    out[start] ^= 0x80;
  }
  if (descending) invert(out, start);
}

// Decimal: a sign byte and the 128-bit magnitude, big-endian. The sign byte ends up 0xFF for
// positives and 0x00 for negatives in both directions; the magnitude is inverted for ascending
// negatives and descending positives. (So a descending Decimal index orders negatives before
// positives: that is how Access 2000-2003 writes it.)
void appendDecimal(Bytes& out, const Decimal& d, bool descending) {
  bool negative = d.negative && (d.low != 0 || d.high != 0);
  std::size_t start = out.size();
  out.push_back(0);
  appendBigEndian(out, 0, 4);
  appendBigEndian(out, d.high, 4);
  appendBigEndian(out, d.low, 8);
  if (negative != descending) invert(out, start);
  out[start] = negative ? 0x00 : 0xFF;
}

// Binary data in 8-byte segments, each followed by a length byte: 9 for a full segment with more
// data after it, else the count of real bytes (the segment is zero-padded). Descending inverts the
// data bytes and the last length byte, never the 9s.
void appendSegmented(Bytes& out, const std::uint8_t* data, std::size_t size, bool descending) {
  std::size_t pos = 0;
  while (size - pos > 8) {
    std::size_t start = out.size();
    out.insert(out.end(), data + pos, data + pos + 8);
    if (descending) invert(out, start);
    out.push_back(9);
    pos += 8;
  }
  if (pos == size) return;
  std::size_t start = out.size();
  std::size_t rest = size - pos;
  out.insert(out.end(), data + pos, data + size);
  out.insert(out.end(), 8 - rest, 0);
  out.push_back(static_cast<std::uint8_t>(rest));
  if (descending) invert(out, start);
}

// A GUID keys in its written order ({00112233-4455-...}); rows store the first three groups
// little-endian.
void appendGuid(Bytes& out, const Guid& g, bool descending) {
  std::uint8_t b[16];
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) b[i] = g[order[i]];
  appendSegmented(out, b, 16, descending);
}

// ---- text -------------------------------------------------------------------------------------

// UTF-8 to UTF-16 code units into `out`, as Jet 4 stores text (malformed UTF-8 as U+FFFD, like
// the row writer). ASCII, the usual case, is widened without decoding.
void toUtf16(const std::string& s, std::u16string& out) {
  out.clear();
  if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    out.assign(s.begin(), s.end());
    return;
  }
  out.reserve(s.size());
  for (char32_t cp : decodeUtf8(s)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
}

// The part of a text that is keyed, into `units`: its first 255 code units without trailing spaces.
void keyedText(const std::string& text, std::u16string& units) {
  toUtf16(text, units);
  if (units.size() > kMaxKeyedTextUnits) units.resize(kMaxKeyedTextUnits);
  while (!units.empty() && units.back() == u' ') units.pop_back();
}

void appendPrimary(Bytes& out, std::uint32_t weight, int bytes) {
  appendBigEndian(out, weight, bytes);
}

// Access 97 text: primary weights, then (only when some character has an accent) the secondary
// weights as a string of nibbles framed by zero nibbles, else a single zero byte. A secondary
// nibble is preceded by one filler nibble 2 for every Letter since the previous accent.
void appendText97(Bytes& out, const std::u16string& text, bool descending) {
  std::size_t start = out.size();
  std::vector<std::uint8_t> nibbles;
  std::size_t lettersSinceAccent = 0;
  for (char16_t c : text) {
    const CharWeights run = collation::general97Weights(c);
    if (run.primaryLength > 0) appendPrimary(out, run.primary, run.primaryLength);
    if (run.kind == WeightKind::Letter) {
      ++lettersSinceAccent;
    } else if (run.kind == WeightKind::Accented) {
      if (nibbles.empty()) nibbles.push_back(0);
      nibbles.insert(nibbles.end(), lettersSinceAccent, 2);
      nibbles.push_back(run.secondary & 0x0F);
      lettersSinceAccent = 0;
    }
  }
  if (nibbles.empty()) {
    out.push_back(0x00);
  } else {
    nibbles.push_back(0);
    if (nibbles.size() % 2 != 0) nibbles.push_back(0);
    for (std::size_t i = 0; i < nibbles.size(); i += 2)
      out.push_back(static_cast<std::uint8_t>((nibbles[i] << 4) | nibbles[i + 1]));
  }
  if (descending) invert(out, start);
}

// Access 2000 text: the primary weights, an end byte 01, then the trailing sections that carry
// what the primary weights leave out: accents (secondary), width/kana flags (tertiary) and the
// characters that have no primary weight at all (ignorable), each with its position.
class Text2000Encoder {
 public:
  // Starts a new text, keeping the buffers' room (one encoder serves many keys).
  void reset() {
    primary_.clear();
    secondary_.clear();
    ignorable_.clear();
    tertiary_.clear();
    weighted_ = secondaryPositions_ = leadingModifier_ = 0;
  }

  void add(char16_t c) {
    const CharWeights run = collation::general2000Weights(c);
    std::size_t position = weighted_;  // primary-weighted characters before this one
    switch (run.kind) {
      case WeightKind::Ignored:
      case WeightKind::Letter:  // not used by this collation
        break;
      case WeightKind::Plain:
        addPrimary(run.primary, run.primaryLength);
        break;
      case WeightKind::Accented:
        addPrimary(run.primary, run.primaryLength);
        addSecondary(position, run.secondary, run.secondaryLength);
        break;
      case WeightKind::Marked:
        addPrimary(run.primary, run.primaryLength);
        if (run.secondaryLength > 0) addSecondary(position, run.secondary, run.secondaryLength);
        tertiary_.push_back(run.tertiary);
        break;
      case WeightKind::Modifier:
        modifySecondary(position, static_cast<std::uint8_t>(run.secondary));
        break;
      case WeightKind::Ignorable:
        addIgnorable(position, static_cast<std::uint8_t>(run.secondary));
        break;
      case WeightKind::Surrogate:
        addPrimary(surrogatePrimary(c), 2);
        addSecondary(position, 0x3F, 1);
        break;
    }
  }

  // Appends the finished text key part (without the leading 7F/80 byte).
  void finish(Bytes& out, bool descending) {
    std::size_t start = out.size();
    out.insert(out.end(), primary_.begin(), primary_.end());
    out.push_back(kEndOfPrimary);
    // Filler and zero bytes at the end of the secondary section carry no information.
    while (!secondary_.empty() && secondary_.back() <= kSecondaryFiller) secondary_.pop_back();
    out.insert(out.end(), secondary_.begin(), secondary_.end());
    if (!tertiary_.empty() || !ignorable_.empty()) {
      out.push_back(kEndOfPrimary);
      out.push_back(kEndOfPrimary);
      if (!tertiary_.empty()) {
        appendTertiary(out);
        if (!ignorable_.empty()) out.push_back(0xFF);
      }
      if (!ignorable_.empty()) {
        out.push_back(kEndOfPrimary);
        out.insert(out.end(), ignorable_.begin(), ignorable_.end());
      }
    }
    if (descending) {
      out.push_back(0x00);
      invert(out, start);
    }
    out.push_back(0x00);
  }

 private:
  static constexpr std::uint8_t kEndOfPrimary = 0x01;
  static constexpr std::uint8_t kSecondaryFiller = 0x02;  // a position without an accent
  static constexpr std::uint8_t kTertiaryDefault = 3;     // dropped at the end of the section

  void addPrimary(std::uint32_t weight, int bytes) {
    appendPrimary(primary_, weight, bytes);
    ++weighted_;
  }

  // Brings the secondary section up to the given character position with fillers.
  void fillSecondary(std::size_t position) {
    if (secondaryPositions_ < position) {
      secondary_.insert(secondary_.end(), position - secondaryPositions_, kSecondaryFiller);
      secondaryPositions_ = position;
    }
  }

  void addSecondary(std::size_t position, std::uint16_t weight, int bytes) {
    fillSecondary(position);
    appendBigEndian(secondary_, weight, bytes);
    ++secondaryPositions_;
  }

  // A modifier adds to the last secondary byte (a filler, if the character before it has no
  // accent); at the very start it opens the section by itself.
  void modifySecondary(std::size_t position, std::uint8_t amount) {
    fillSecondary(position);
    if (!secondary_.empty()) {
      secondary_.back() = static_cast<std::uint8_t>(secondary_.back() + amount);
    } else {
      secondary_.push_back(amount);
      leadingModifier_ = 1;
    }
  }

  // An ignorable character is stored as 0x8000 | (7 + 4 * offset), 06, its code; the offset counts
  // bytes of the secondary section as it stands (with fillers up to the character's position).
  void addIgnorable(std::size_t position, std::uint8_t code) {
    std::size_t offset = position;
    if (!secondary_.empty())
      offset = secondary_.size() + (position - secondaryPositions_) - leadingModifier_;
    std::uint32_t value = (7 + 4 * static_cast<std::uint32_t>(offset)) | 0x8000;
    appendBigEndian(ignorable_, value & 0xFFFF, 2);
    ignorable_.push_back(0x06);
    ignorable_.push_back(code);
  }

  // Tertiary flags, two bits each, three to a byte under the marker bits 10.
  void appendTertiary(Bytes& out) {
    while (!tertiary_.empty() && tertiary_.back() == kTertiaryDefault) tertiary_.pop_back();
    for (std::size_t i = 0; i < tertiary_.size(); i += 3) {
      std::uint8_t b = 0x80;
      for (std::size_t k = 0; k < 3 && i + k < tertiary_.size(); ++k)
        b |= static_cast<std::uint8_t>(tertiary_[i + k] << (4 - 2 * k));
      out.push_back(b);
    }
    static const std::uint8_t kTertiaryEnd[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
    out.insert(out.end(), std::begin(kTertiaryEnd), std::end(kTertiaryEnd));
  }

  // Surrogate halves weigh by their code: high halves at a fixed distance, low halves at a distance
  // that depends on their place in the block of 1024.
  static std::uint32_t surrogatePrimary(char16_t c) {
    if (c < 0xDC00) return c - 10238u;
    std::uint32_t offset = (c - 0xDC00u) % 1024;
    std::uint32_t distance = offset < 8 ? 9992 : offset < 262 ? 9990 : offset < 516 ? 9988
                             : offset < 770 ? 9986 : 9984;
    return c - distance;
  }

  Bytes primary_;
  Bytes secondary_;
  Bytes ignorable_;
  std::vector<std::uint8_t> tertiary_;
  std::size_t weighted_ = 0;
  std::size_t secondaryPositions_ = 0;
  std::size_t leadingModifier_ = 0;
};

void appendText(Bytes& out, const std::string& text, bool descending, Collation collation) {
  // Keys are made for every row written or matched: the buffers are reused, per thread.
  thread_local std::u16string units;
  thread_local Text2000Encoder encoder;
  keyedText(text, units);
  if (collation == Collation::General97) {
    appendText97(out, units, descending);
    return;
  }
  encoder.reset();
  for (char16_t c : units) encoder.add(c);
  encoder.finish(out, descending);
}

// ---- dispatch ---------------------------------------------------------------------------------

[[noreturn]] void wrongKind(ColumnType type) {
  throw Error(ErrorCode::ValueRejected,
              "index key: value of the wrong kind for a column of type code " +
                  std::to_string(static_cast<int>(type)));
}

template <class T>
const T& expect(ColumnType type, const Value& value) {
  if (const T* v = value.getIf<T>()) return *v;
  wrongKind(type);
}

void appendValue(Bytes& out, ColumnType type, const Value& value, bool desc, Collation collation) {
  switch (type) {
    case ColumnType::Boolean: {
      bool v = value.isNull() ? false : expect<bool>(type, value);
      out.push_back((v != desc) ? 0x00 : 0xFF);  // true sorts first ascending
      return;
    }
    case ColumnType::Byte: {
      std::uint8_t v = expect<std::uint8_t>(type, value);
      out.push_back(desc ? static_cast<std::uint8_t>(~v) : v);
      return;
    }
    case ColumnType::Integer: appendSigned(out, expect<std::int16_t>(type, value), 2, desc); return;
    case ColumnType::Long: appendSigned(out, expect<std::int32_t>(type, value), 4, desc); return;
    case ColumnType::Currency:
      appendSigned(out, expect<Currency>(type, value).units, 8, desc);
      return;
    case ColumnType::Single:
      appendFloating(out, std::bit_cast<std::uint32_t>(expect<float>(type, value)), 4, desc);
      return;
    case ColumnType::Double:
      appendFloating(out, std::bit_cast<std::uint64_t>(expect<double>(type, value)), 8, desc);
      return;
    case ColumnType::DateTime:
      appendFloating(out, std::bit_cast<std::uint64_t>(expect<DateTime>(type, value).days), 8, desc);
      return;
    case ColumnType::Decimal: appendDecimal(out, expect<Decimal>(type, value), desc); return;
    case ColumnType::Guid: appendGuid(out, expect<Guid>(type, value), desc); return;
    case ColumnType::Binary: {
      const Bytes& b = expect<Bytes>(type, value);
      appendSegmented(out, b.data(), b.size(), desc);
      return;
    }
    case ColumnType::Text:
    case ColumnType::Memo:
      appendText(out, expect<std::string>(type, value), desc, collation);
      return;
    case ColumnType::Ole: break;
  }
  throw Error(ErrorCode::Unsupported, "index key: OLE columns cannot be indexed");
}

// ---- key values -------------------------------------------------------------------------------

// A plain number (bool, integers, Currency, floats, DateTime) as a double.
std::optional<double> numberOf(const Value& v) {
  if (auto b = v.getIf<bool>()) return *b ? -1.0 : 0.0;
  if (auto x = v.getIf<std::uint8_t>()) return *x;
  if (auto x = v.getIf<std::int16_t>()) return *x;
  if (auto x = v.getIf<std::int32_t>()) return *x;
  if (auto c = v.getIf<Currency>()) return static_cast<double>(c->units) / 10000.0;
  if (auto f = v.getIf<float>()) return *f;
  if (auto d = v.getIf<double>()) return *d;
  if (auto t = v.getIf<DateTime>()) return t->days;
  return std::nullopt;
}

// The value as an exact integer, if it is one.
std::optional<std::int64_t> exactInteger(const Value& v) {
  if (auto b = v.getIf<bool>()) return *b ? -1 : 0;
  if (auto x = v.getIf<std::uint8_t>()) return *x;
  if (auto x = v.getIf<std::int16_t>()) return *x;
  if (auto x = v.getIf<std::int32_t>()) return *x;
  if (auto c = v.getIf<Currency>()) {
    if (c->units % 10000 != 0) return std::nullopt;
    return c->units / 10000;
  }
  if (v.is<float>() || v.is<double>() || v.is<DateTime>()) {
    double d = *numberOf(v);
    if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.0e15) return std::nullopt;
    return static_cast<std::int64_t>(d);
  }
  return std::nullopt;
}

// A plain decimal number ("12", "-3.5", "1e3"), as an int32 when integral and in range, else a double.
std::optional<Value> parseNumber(const std::string& text) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (s.empty()) return std::nullopt;
  double d = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(d)) return std::nullopt;
  if (d == std::trunc(d) && std::fabs(d) <= 2147483647.0) return Value(static_cast<std::int32_t>(d));
  return Value(d);
}

template <class T>
std::optional<Value> integerIn(const Value& v) {
  auto i = exactInteger(v);
  if (!i || *i < std::numeric_limits<T>::min() || *i > std::numeric_limits<T>::max())
    return std::nullopt;
  return Value(static_cast<T>(*i));
}


}  // namespace

Collation collationFor(Format version, std::uint32_t sortOrder) {
  if (sortOrder != 0 && sortOrder != kGeneralSortOrder)
    throw Error(ErrorCode::Unsupported,
                "text indexes use sort order " + std::to_string(sortOrder) +
                    "; only the General sort order (1033) is supported");
  return version == Format::Jet4 ? Collation::General2000 : Collation::General97;
}

bool isIndexable(ColumnType type) {
  return type != ColumnType::Ole;
}

void appendSortKey(Bytes& out, ColumnType type, const Value& value, bool descending,
                   Collation collation) {
  if (value.isNull() && type != ColumnType::Boolean) {
    if (!isIndexable(type)) appendValue(out, type, value, descending, collation);  // throws
    out.push_back(descending ? kDescendingNull : kAscendingNull);
    return;
  }
  out.push_back(descending ? kDescendingValue : kAscendingValue);
  appendValue(out, type, value, descending, collation);
}

Bytes sortKey(ColumnType type, const Value& value, bool descending, Collation collation) {
  Bytes out;
  appendSortKey(out, type, value, descending, collation);
  return out;
}

Bytes sortKey(ColumnType type, const Value& value, bool descending, Format version,
              std::uint32_t sortOrder) {
  Collation collation = version == Format::Jet4 ? Collation::General2000 : Collation::General97;
  if (type == ColumnType::Text || type == ColumnType::Memo) collation = collationFor(version, sortOrder);
  return sortKey(type, value, descending, collation);
}

Bytes indexKey(const std::vector<KeyColumn>& columns, const std::vector<Value>& values,
               Collation collation) {
  Bytes out;
  for (std::size_t i = 0; i < values.size() && i < columns.size(); ++i)
    appendSortKey(out, columns[i].type, values[i], columns[i].descending, collation);
  return out;
}

std::optional<Value> keyValue(ColumnType type, const Value& value) {
  if (value.isNull()) return value;
  bool textColumn = type == ColumnType::Text || type == ColumnType::Memo;
  if (const std::string* text = value.getIf<std::string>(); text && !textColumn) {
    std::optional<Value> number = parseNumber(*text);
    return number ? keyValue(type, *number) : std::nullopt;
  }
  if (textColumn && !value.is<std::string>()) {
    auto i = exactInteger(value);
    if (!i || value.is<float>() || value.is<double>() || value.is<DateTime>() || value.is<bool>())
      return std::nullopt;
    return Value(std::to_string(*i));
  }
  switch (type) {
    case ColumnType::Boolean:
      if (value.is<bool>()) return value;
      if (auto i = exactInteger(value)) return Value(*i != 0);
      return std::nullopt;
    case ColumnType::Byte: return integerIn<std::uint8_t>(value);
    case ColumnType::Integer: return integerIn<std::int16_t>(value);
    case ColumnType::Long: return integerIn<std::int32_t>(value);
    case ColumnType::Currency: {
      if (value.is<Currency>()) return value;
      if (auto i = exactInteger(value)) return Value(Currency{*i * 10000});
      auto number = numberOf(value);
      if (!number) return std::nullopt;
      double units = *number * 10000.0;
      if (!std::isfinite(units) || units != std::round(units) || std::fabs(units) > 9.0e18)
        return std::nullopt;
      return Value(Currency{static_cast<std::int64_t>(units)});
    }
    case ColumnType::Single: {
      if (value.is<float>()) return value;
      auto number = numberOf(value);
      if (!number) return std::nullopt;
      float f = static_cast<float>(*number);
      if (static_cast<double>(f) != *number) return std::nullopt;
      return Value(f);
    }
    case ColumnType::Double:
      if (value.is<double>()) return value;
      if (auto number = numberOf(value)) return Value(*number);
      return std::nullopt;
    case ColumnType::DateTime:
      if (value.is<DateTime>()) return value;
      if (value.is<double>() || value.is<float>()) return Value(DateTime{*numberOf(value)});
      return std::nullopt;
    case ColumnType::Text:
    case ColumnType::Memo:
      if (value.is<std::string>()) return value;
      return std::nullopt;
    case ColumnType::Binary:
      if (value.is<Bytes>()) return value;
      return std::nullopt;
    case ColumnType::Guid:
      if (value.is<Guid>()) return value;
      return std::nullopt;
    case ColumnType::Decimal:
      if (value.is<Decimal>()) return value;
      return std::nullopt;
    case ColumnType::Ole: return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace jet
