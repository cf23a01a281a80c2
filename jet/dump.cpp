#include "jet/dump.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

void appendCsvQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  // Runs between quotes in one append each: most values have no quote at all.
  for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
    out.append(text.data(), quote + 1);
    out.push_back('"');
  }
  out.append(text);
  out.push_back('"');
}

void appendPadded(std::string& out, std::int64_t v, int width) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v < 0 ? -v : v);
  if (v < 0) out.push_back('-');
  for (int pad = width - static_cast<int>(result.ptr - buffer); pad > 0; --pad) out.push_back('0');
  out.append(buffer, result.ptr);
}

// "yyyy-MM-dd HH:mm:ss"; a value beyond the calendar as the stored number.
std::string csvDate(DateTime value) {
  CalendarTime t;
  try {
    t = toCalendar(value);
  } catch (const Error&) {
    return formatDoublePlain(value.days);
  }
  std::string out;
  appendPadded(out, t.year, 4);
  out.push_back('-');
  appendPadded(out, t.month, 2);
  out.push_back('-');
  appendPadded(out, t.day, 2);
  out.push_back(' ');
  appendPadded(out, t.hour, 2);
  out.push_back(':');
  appendPadded(out, t.minute, 2);
  out.push_back(':');
  appendPadded(out, t.second, 2);
  return out;
}

template <class Number>
void appendNumber(std::string& out, Number v) {
  char buffer[400];
  out.append(buffer, writeShortestFixed(buffer, buffer + sizeof buffer, v));
}

void appendInteger(std::string& out, std::int64_t v) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

void appendCsvValue(std::string& out, const Value& v) {
  struct Visitor {
    std::string& out;
    void operator()(Null) const {}
    void operator()(bool b) const { out.push_back(b ? '1' : '0'); }
    void operator()(std::uint8_t v) const { appendInteger(out, v); }
    void operator()(std::int16_t v) const { appendInteger(out, v); }
    void operator()(std::int32_t v) const { appendInteger(out, v); }
    void operator()(Currency c) const { out += toString(c); }
    void operator()(float v) const {
      if (std::isfinite(v)) appendNumber(out, v); else out += formatSinglePlain(v);
    }
    void operator()(double v) const {
      if (std::isfinite(v)) appendNumber(out, v); else out += formatDoublePlain(v);
    }
    void operator()(DateTime d) const { appendCsvQuoted(out, csvDate(d)); }
    void operator()(const std::string& s) const { appendCsvQuoted(out, s); }
    void operator()(const Bytes& b) const {
      appendCsvQuoted(out, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }
    void operator()(const Guid& g) const { appendCsvQuoted(out, formatGuid(g)); }
    void operator()(const Decimal& d) const { out += toString(d); }
  };
  std::visit(Visitor{out}, v.storage());
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
  std::string line;
  const std::vector<ColumnDefinition>& columns = cursor.schema().columns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i) line.push_back(',');
    line += columns[i].name;
  }
  line.push_back('\n');
  const DumpGaps gaps = forEachReadableRow(cursor, [&](const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) line.push_back(',');
      appendCsvValue(line, values[i]);
    }
    line.push_back('\n');
    if (line.size() > 1 << 16) {
      out.write(line.data(), static_cast<std::streamsize>(line.size()));
      line.clear();
    }
  });
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
  return gaps;
}

}  // namespace jet
