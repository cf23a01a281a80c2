#include "jet/dump.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/text/shortest_fixed.h"
#include "jet/table/table_cursor.h"
#include "jet/text/text_codec.h"
#include "jet/text/value_format.h"

namespace jet {

namespace {

std::string formatName(Database& db) {
  return db.format() == Format::Jet3 ? "V1997 [VERSION_3]" : "V2000 [VERSION_4]";
}

// The user tables to dump: those named (in catalog spelling), or all, sorted by name.
std::vector<std::string> chooseTables(Database& db, const std::vector<std::string>& wanted) {
  std::vector<std::string> all = db.tableNames();
  std::vector<std::string> chosen;
  if (wanted.empty()) {
    chosen = all;
  } else {
    for (const std::string& name : wanted) {
      auto found = std::find_if(all.begin(), all.end(), [&](const std::string& t) { return namesEqual(t, name); });
      if (found == all.end())
        throw Error(ErrorCode::MissingTable, "there is no table \"" + name + "\" in " + db.path().string());
      chosen.push_back(*found);
    }
  }
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

// The CSV being written: a buffer that grows to hold the longest row and goes to the stream between
// rows, so that a row found unreadable halfway can be taken back.
class CsvBuffer {
 public:
  // Room for n more characters: write them there and pass their end to advance().
  char* room(std::size_t n) {
    if (n > size_ - used_) [[unlikely]] grow(n);
    return data_.get() + used_;
  }
  void advance(char* end) { used_ = static_cast<std::size_t>(end - data_.get()); }
  void push(char c) { *room(1) = c; ++used_; }
  void append(std::string_view text) {
    std::copy(text.begin(), text.end(), room(text.size()));
    used_ += text.size();
  }
  std::size_t size() const { return used_; }
  std::string_view writtenSince(std::size_t size) const { return {data_.get() + size, used_ - size}; }
  void truncate(std::size_t size) { used_ = size; }
  void writeTo(std::ostream& out) {
    out.write(data_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  void grow(std::size_t n) {
    const std::size_t size = std::max(2 * size_, used_ + n);
    std::unique_ptr<char[]> bigger = std::make_unique_for_overwrite<char[]>(size);
    std::copy_n(data_.get(), used_, bigger.get());
    data_ = std::move(bigger);
    size_ = size;
  }

  // Not cleared first: a small table's dump touches only the memory its text takes.
  std::size_t size_ = std::size_t{1} << 17;
  std::unique_ptr<char[]> data_ = std::make_unique_for_overwrite<char[]>(size_);
  std::size_t used_ = 0;
};

void appendCsvQuoted(CsvBuffer& out, std::string_view text) {
  char* p = out.room(2 * text.size() + 2);
  *p++ = '"';
  // Runs between quotes in one copy each: most values have no quote at all.
  for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
    p = std::copy_n(text.data(), quote + 1, p);
    *p++ = '"';
  }
  p = std::copy_n(text.data(), text.size(), p);
  *p++ = '"';
  out.advance(p);
}

char* writePadded(char* p, std::int64_t v, int width) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, v < 0 ? -v : v).ptr;
  if (v < 0) *p++ = '-';
  for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad) *p++ = '0';
  return std::copy(digits, end, p);
}

// "yyyy-MM-dd HH:mm:ss" in quotes; a value beyond the calendar as the stored number.
void appendCsvDate(CsvBuffer& out, DateTime value) {
  CalendarTime t;
  try {
    t = toCalendar(value);
  } catch (const Error&) {
    appendCsvQuoted(out, formatDoublePlain(value.days));
    return;
  }
  char* p = out.room(64);
  *p++ = '"';
  p = writePadded(p, t.year, 4);
  *p++ = '-';
  p = writePadded(p, t.month, 2);
  *p++ = '-';
  p = writePadded(p, t.day, 2);
  *p++ = ' ';
  p = writePadded(p, t.hour, 2);
  *p++ = ':';
  p = writePadded(p, t.minute, 2);
  *p++ = ':';
  p = writePadded(p, t.second, 2);
  *p++ = '"';
  out.advance(p);
}

// Singles and doubles as the shortest decimal that reads back exactly, without exponent.
template <class Number>
void appendCsvNumber(CsvBuffer& out, Number v) {
  if (!std::isfinite(v)) return out.append(std::is_same_v<Number, float> ? formatSinglePlain(v) : formatDoublePlain(v));
  constexpr std::size_t kLongest = 400;  // writeShortestFixed's bound
  char* p = out.room(kLongest);
  out.advance(writeShortestFixed(p, p + kLongest, v));
}

// The CSV text of recently written singles, by their bits. Singles hold measurements, and tables
// of them repeat a few hundred short values thousands of times; copying a text kept costs a
// fraction of writing it anew. Direct-mapped on a hash of the bits; only short texts are kept
// (long ones rarely repeat), and the room is taken at the first single. (Doubles are not kept: in
// the tables tried they repeat less, and keeping them gained nothing measurable.)
class RecentSingleTexts {
 public:
  void append(CsvBuffer& out, float v) {
    if (entries_.empty()) entries_.resize(kSlots);
    const Bits bits = std::bit_cast<Bits>(v);
    Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits)];
    if (entry.length != 0 && entry.bits == bits) {
      char* p = out.room(sizeof entry.text);
      std::copy_n(entry.text, sizeof entry.text, p);
      out.advance(p + entry.length);
      return;
    }
    const std::size_t start = out.size();
    appendCsvNumber(out, v);
    const std::string_view text = out.writtenSince(start);
    if (text.size() > sizeof entry.text) return;
    entry.bits = bits;
    entry.length = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), entry.text);
  }

 private:
  using Bits = std::uint32_t;
  struct Entry {
    Bits bits = 0;
    std::uint8_t length = 0;  // 0: empty
    char text[11] = {};
  };
  static constexpr int kSlotBits = 12;
  static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
  std::vector<Entry> entries_;
};

// What writing rows keeps from row to row.
struct CsvRowScratch {
  std::string text;  // room for decoding text values
  RecentSingleTexts singles;
};

void appendInteger(CsvBuffer& out, std::int64_t v) {
  char* p = out.room(24);
  out.advance(std::to_chars(p, p + 24, v).ptr);
}

void appendCsvValue(CsvBuffer& out, const Value& v) {
  struct Visitor {
    CsvBuffer& out;
    void operator()(Null) const {}
    void operator()(bool b) const { out.push(b ? '1' : '0'); }
    void operator()(std::uint8_t v) const { appendInteger(out, v); }
    void operator()(std::int16_t v) const { appendInteger(out, v); }
    void operator()(std::int32_t v) const { appendInteger(out, v); }
    void operator()(Currency c) const { out.append(toString(c)); }
    void operator()(float v) const { appendCsvNumber(out, v); }
    void operator()(double v) const { appendCsvNumber(out, v); }
    void operator()(DateTime d) const { appendCsvDate(out, d); }
    void operator()(const std::string& s) const { appendCsvQuoted(out, s); }
    void operator()(const Bytes& b) const {
      appendCsvQuoted(out, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }
    void operator()(const Guid& g) const { appendCsvQuoted(out, formatGuid(g)); }
    void operator()(const Decimal& d) const { out.append(toString(d)); }
  };
  std::visit(Visitor{out}, v.storage());
}

// How a column's values go into the CSV: the common kinds straight from the row's bytes (exactly
// as RowReader::decode would read them, then appendCsvValue write them), the rest through a Value.
enum class CsvCell : std::uint8_t { YesNo, Byte, Integer, Long, Single, Double, Date, Text, Other };

struct CsvColumn {
  CsvCell cell = CsvCell::Other;
  std::uint16_t number = 0;  // in the null mask
  std::uint16_t offset = 0;  // fixed columns: in the fixed area
  std::uint16_t varIndex = 0;
  std::uint8_t size = 0;     // fixed columns: the value's bytes
};

CsvColumn csvColumn(const StoredColumn& c) {
  CsvColumn out{CsvCell::Other, c.number, c.fixedOffset, c.varIndex, static_cast<std::uint8_t>(fixedSizeOf(c.type))};
  if (c.type == ColumnType::Boolean) {
    out.cell = CsvCell::YesNo;
  } else if (c.typeCode != static_cast<std::uint8_t>(c.type)) {
    out.cell = CsvCell::Other;  // unknown codes read as raw bytes
  } else if (!c.isFixed()) {
    if (c.type == ColumnType::Text) out.cell = CsvCell::Text;
  } else {
    switch (c.type) {
      case ColumnType::Byte: out.cell = CsvCell::Byte; break;
      case ColumnType::Integer: out.cell = CsvCell::Integer; break;
      case ColumnType::Long: out.cell = CsvCell::Long; break;
      case ColumnType::Single: out.cell = CsvCell::Single; break;
      case ColumnType::Double: out.cell = CsvCell::Double; break;
      case ColumnType::DateTime: out.cell = CsvCell::Date; break;
      default: break;
    }
  }
  return out;
}

// One row's values, comma-separated (no line end). Throws Error when the row cannot be read.
void appendCsvRow(CsvBuffer& out, RowReader& reader, const RowColumns& row, const std::vector<CsvColumn>& columns,
                  CsvRowScratch& scratch) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i) out.push(',');
    const CsvColumn& c = columns[i];
    if (c.cell == CsvCell::YesNo) {
      out.push(row.hasValue(c.number) ? '1' : '0');
      continue;
    }
    if (c.cell == CsvCell::Other) {
      appendCsvValue(out, reader.decode(row, i));
      continue;
    }
    if (!row.hasValue(c.number)) continue;  // Null
    if (c.cell == CsvCell::Text) {
      if (std::optional<ByteSpan> bytes = row.variableBytes(c.varIndex)) {
        reader.decodeText(*bytes, scratch.text);
        appendCsvQuoted(out, scratch.text);
      }
      continue;
    }
    const ByteSpan d = row.fixedBytes(c.offset, c.size);
    switch (c.cell) {
      case CsvCell::Byte: appendInteger(out, bytes::u8(d, 0)); break;
      case CsvCell::Integer: appendInteger(out, bytes::i16(d, 0)); break;
      case CsvCell::Long: appendInteger(out, bytes::i32(d, 0)); break;
      case CsvCell::Single: scratch.singles.append(out, bytes::f32(d, 0)); break;
      case CsvCell::Double: appendCsvNumber(out, bytes::f64(d, 0)); break;
      case CsvCell::Date: appendCsvDate(out, DateTime{bytes::f64(d, 0)}); break;
      default: break;
    }
  }
}

detail::TableCursor cursorOf(Database& db, const std::string& table) {
  detail::DatabaseCore& core = detail::coreOf(db);
  return detail::TableCursor(detail::DatabaseAccess::sharedCore(db), core.definition(*core.findTable(table)));
}

// Every row the cursor can read, from the first, passed to row(values); what it cannot read is
// counted instead.
template <class Row>
DumpGaps forEachReadableRow(detail::TableCursor& cursor, Row row) {
  DumpGaps gaps;
  std::vector<Value> values;
  for (cursor.moveFirst(); !cursor.eof(); cursor.moveNext()) {
    try {
      cursor.getAll(values);
    } catch (const Error&) {
      ++gaps.rows;
      continue;
    }
    row(values);
  }
  gaps.pages = cursor.unreadablePages();
  return gaps;
}

DumpGaps writeJsonTable(Database& db, const std::string& name, std::ostream& out) {
  detail::TableCursor cursor = cursorOf(db, name);
  const std::vector<ColumnDefinition>& columns = cursor.schema().columns;
  std::string text = "{\"name\": " + jsonString(cursor.definition().name) + ", \"columns\": [";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i) text += ", ";
    text += "{\"name\": " + jsonString(columns[i].name) + ", \"type\": \"" + typeName(columns[i].type) +
            "\", \"autonumber\": " + (columns[i].autonumber ? "true" : "false") + "}";
  }
  text += "],\n \"indexes\": [";
  const std::vector<IndexDefinition>& indexes = cursor.schema().indexes;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const IndexDefinition& index = indexes[i];
    if (i) text += ", ";
    text += "{\"name\": " + jsonString(index.name) + ", \"columns\": [";
    for (std::size_t k = 0; k < index.columns.size(); ++k) {
      if (k) text += ", ";
      text += jsonString(index.columns[k].name + (index.columns[k].descending ? " DESC" : ""));
    }
    text += std::string("], \"unique\": ") + (index.unique ? "true" : "false") +
            ", \"primary\": " + (index.primary ? "true" : "false") + ", \"foreign\": " + (index.foreign ? "true" : "false") +
            "}";
  }
  text += "],\n \"rows\": [";
  out << text;
  bool firstRow = true;
  const DumpGaps gaps = forEachReadableRow(cursor, [&](const std::vector<Value>& values) {
    std::string line = firstRow ? "\n  [" : ",\n  [";
    firstRow = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) line += ", ";
      line += jsonValue(values[i], columns[i].type);
    }
    line += "]";
    out << line;
  });
  out << "]}";
  return gaps;
}

}  // namespace

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  char buffer[16];
  for (char32_t cp : decodeUtf8(utf8)) {
    switch (cp) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (cp >= 0x20 && cp < 0x7F) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x10000) {
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(cp));
      out += buffer;
    } else {
      char32_t v = cp - 0x10000;
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(0xD800 + (v >> 10)));
      out += buffer;
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
      out += buffer;
    }
  }
  out += "\"";
  return out;
}

namespace {

// s in double quotes (for values that need no escaping).
std::string quote(std::string s) {
  s.insert(s.begin(), '"');
  s.push_back('"');
  return s;
}

}  // namespace

std::string jsonValue(const Value& v, ColumnType type) {
  struct Visitor {
    ColumnType type;
    std::string operator()(Null) const { return "null"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::uint8_t v) const { return std::to_string(v); }
    std::string operator()(std::int16_t v) const { return std::to_string(v); }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(Currency c) const { return quote(toString(c)); }
    std::string operator()(float v) const { return quote(formatSingleExact(v)); }
    std::string operator()(double v) const { return quote(formatDouble(v)); }
    std::string operator()(DateTime d) const {
      try {
        return quote(formatDateTime(d));
      } catch (const Error&) {
        return quote(formatDouble(d.days));
      }
    }
    std::string operator()(const std::string& s) const { return jsonString(s); }
    std::string operator()(const Bytes& b) const { return quote("hex:" + formatHex(b)); }
    std::string operator()(const Guid& g) const { return quote(formatGuid(g)); }
    std::string operator()(const Decimal& d) const { return quote(toString(d)); }
  };
  return std::visit(Visitor{type}, v.storage());
}

DumpGaps dumpJson(Database& db, const std::vector<std::string>& tables, std::ostream& out) {
  std::vector<std::string> chosen = chooseTables(db, tables);
  out << "{\"file\": " << jsonString(db.path().filename().string()) << ", \"format\": \"" << formatName(db)
      << "\", \"tables\": [";
  DumpGaps gaps;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    out << (i ? ",\n" : "\n");
    gaps += writeJsonTable(db, chosen[i], out);
  }
  out << "\n]}\n";
  return gaps;
}

DumpGaps dumpCsv(Database& db, const std::string& name, std::ostream& out) {
  detail::TableCursor cursor = cursorOf(db, chooseTables(db, {name}).front());
  CsvBuffer csv;
  const std::vector<ColumnDefinition>& names = cursor.schema().columns;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) csv.push(',');
    csv.append(names[i].name);
  }
  csv.push('\n');
  std::vector<CsvColumn> columns;
  CsvRowScratch scratch;
  for (const StoredColumn& c : cursor.reader().definition().columns) columns.push_back(csvColumn(c));
  DumpGaps gaps;
  for (cursor.moveFirst(); !cursor.eof(); cursor.moveNext()) {
    const std::size_t rowStart = csv.size();
    try {
      appendCsvRow(csv, cursor.reader(), cursor.currentRow(), columns, scratch);
    } catch (const Error&) {
      csv.truncate(rowStart);
      ++gaps.rows;
      continue;
    }
    csv.push('\n');
    if (csv.size() > 1 << 16) csv.writeTo(out);
  }
  gaps.pages = cursor.unreadablePages();
  csv.writeTo(out);
  return gaps;
}

}  // namespace jet
