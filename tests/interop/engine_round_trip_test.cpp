// The engine's round trip: a database made and then changed by the engine alone (thousands of rows
// of every column type, memos and OLE values in all three storage forms, text with non-ASCII
// characters, Nulls, index trees split many times, edits that grow and shrink rows, deletes, a
// rolled-back transaction) is read back by two independent readers, mdbtools (`mdb-export`) and
// mdb-reader (tests/interop/node/read.mjs), and by the engine itself, each seeing exactly the
// values written; the integrity check finds nothing wrong; mdbtools lists the table, its schema
// and its indexes. Numbers are compared as numbers, dates as calendar times.
//
// Allowances, each for a limit of the reader's own. mdbtools prints nothing for an empty text (as
// for Null), cuts a Binary value at its first zero byte, and prints a GUID as the hex of its text.
// mdb-reader reads an LVAL row up to the row table entry before it without taking the flags off
// that entry, so a piece of a long value's chain that follows a deleted row on its page seems to
// run to the end of the page and mdb-reader stops the value there: for exactly those values (found
// by walking their chains) it must read a beginning of the value.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "jet/check.h"
#include "jet/page/data_page.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/page/long_value.h"
#include "jet/page/physical_order.h"
#include "jet/table/row_reader.h"
#include "jet/text/text_codec.h"
#include "jet/page/usage_map.h"
#include "jet/text/value_format.h"
#include "tests/interop/csv_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::ColumnType;
using jet::Format;
using jet::Value;
using qbm::test::Json;
using T = jet::ColumnType;
using Row = std::vector<Value>;

const char* const kTable = "Round Trip";

using qbm::test::quoted;

// ---- The data ---------------------------------------------------------------------------------------

jet::TableDefinition tableDefinition(Format format) {
  jet::TableDefinition t{kTable,
                         {{"ID", T::Long}, {"Flag", T::Boolean}, {"Small", T::Byte}, {"Count", T::Integer},
                          {"Big", T::Long}, {"Ratio", T::Single}, {"Amount", T::Double}, {"Price", T::Currency},
                          {"When", T::DateTime}, {"Name", T::Text, 100}, {"Code", T::Text, 20}, {"Notes", T::Memo},
                          {"Picture", T::Ole}, {"Raw", T::Binary, 32}, {"Key", T::Guid}},
                         {}};
  t.columns[0].autonumber = true;
  t.columns[10].required = true;  // Code
  if (format == Format::Jet4) {
    t.columns.push_back({"Exact", T::Decimal});
    t.columns.back().precision = 18;
    t.columns.back().scale = 4;
  }
  jet::IndexDefinition pk{"PrimaryKey", {{"ID"}}};
  pk.primary = true;
  jet::IndexDefinition code{"Code", {{"Code"}}};
  code.unique = true;
  jet::IndexDefinition ratio{"Ratio", {{"Ratio"}}};
  ratio.ignoreNulls = true;
  t.indexes = {pk, {"Name", {{"Name"}}}, code, {"WhenCount", {{"When", true}, {"Count"}}}, ratio,
               {"FlagSmallPrice", {{"Flag"}, {"Small", true}, {"Price"}}}};
  return t;
}

class Generator {
 public:
  Generator(Format format, unsigned seed) : format_(format), random_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool chance(int percent) { return below(100) < percent; }

  // Words with the characters the database can hold: Jet 3 text is Windows-1252.
  std::string word() {
    static const std::vector<std::string> common = {"alpha", "Beta", "GAMMA", "delta", "échelle", "Straße",
                                                    "naïve", "€uro", "crème", "“quoted”", "Œuvre", "señor",
                                                    "a,b", "say \"hi\"", "O'Neil", "50%"};
    static const std::vector<std::string> unicode = {"Ωmega", "Жук", "中文", "ﬁne", "ĀĒĪ", "ß"};
    if (format_ == Format::Jet4 && chance(20)) return unicode[below(static_cast<int>(unicode.size()))];
    return common[below(static_cast<int>(common.size()))];
  }

  std::string text(std::size_t maxCharacters) {
    std::string s;
    std::size_t count = 0;
    while (true) {
      std::string w = word();
      std::size_t n = jet::decodeUtf8(w).size() + (s.empty() ? 0 : 1);
      if (count + n > maxCharacters) break;
      if (!s.empty()) s += chance(10) ? "\n" : " ";
      s += w;
      count += n;
      if (chance(8)) break;
    }
    return s;
  }

  // Memo lengths across the three storage forms: in the row, one LVAL row, a chain of LVAL pages.
  Value memo() {
    int pick = below(100);
    if (pick < 25) return Value();
    if (pick < 28) return Value(std::string());
    if (pick < 60) return Value(text(static_cast<std::size_t>(1 + below(30))));
    if (pick < 90) return Value(longText(static_cast<std::size_t>(200 + below(1800))));
    return Value(longText(static_cast<std::size_t>(5000 + below(20000))));
  }

  std::string longText(std::size_t characters) {
    std::string s;
    for (std::size_t count = 0; count < characters;) {
      std::string w = word() + (chance(5) ? "\r\n" : " ");
      count += jet::decodeUtf8(w).size();
      s += w;
    }
    return s;
  }

  Value bytes(std::size_t minimum, std::size_t maximum) {
    jet::Bytes b(minimum + static_cast<std::size_t>(below(static_cast<int>(maximum - minimum + 1))));
    for (auto& x : b) x = static_cast<std::uint8_t>(below(256));
    return Value(b);
  }

  Value ole() {
    int pick = below(100);
    if (pick < 40) return Value();
    if (pick < 60) return bytes(1, 40);
    if (pick < 92) return bytes(100, 3000);
    return bytes(5000, 20000);
  }

  Value single() {
    static const float special[] = {0.0f, -2.5f, 1e-7f, 3.4028235e38f, -1.17549435e-38f, 16777216.0f};
    if (chance(15)) return Value();
    if (chance(10)) return Value(special[below(6)]);
    // Decimals of up to six significant digits: every reader's text of them reads back exactly.
    return Value(static_cast<float>(below(2000001) - 1000000) / std::pow(10.0f, static_cast<float>(below(8))));
  }

  Value dbl() {
    static const double special[] = {0.0, 1e-300, -1.5e300, 123456789012345.0, 1e-310};  // 1e-310: subnormal
    if (chance(10)) return Value();
    if (chance(10)) return Value(special[below(5)]);
    std::int64_t digits = std::uniform_int_distribution<std::int64_t>(-99999999999999, 99999999999999)(random_);
    return Value(static_cast<double>(digits) / std::pow(10.0, below(14)));
  }

  Value date() {
    if (chance(5)) return Value();
    // 1900-01-01 .. 2099-12-31, to the second.
    double day = 2 + below(73048);
    double second = below(86400);
    return Value(jet::DateTime{day + second / 86400.0});
  }

  Value guid() {
    if (chance(20)) return Value();
    jet::Guid g;
    for (auto& b : g) b = static_cast<std::uint8_t>(below(256));
    return Value(g);
  }

  Value decimal() {
    if (chance(10)) return Value();
    jet::Decimal d;
    d.precision = 18;
    d.scale = 4;
    d.negative = chance(50);
    d.low = std::uniform_int_distribution<std::uint64_t>(0, 999999999999999999ull)(random_);
    if (d.low == 0) d.negative = false;
    return Value(d);
  }

  // A whole row (column order of tableDefinition); the ID is left Null for the autonumber.
  Row row(int serial) {
    Row r;
    r.push_back(Value());
    r.push_back(Value(chance(50)));
    r.push_back(Value(static_cast<std::uint8_t>(below(256))));
    r.push_back(chance(5) ? Value() : Value(static_cast<std::int16_t>(below(65536) - 32768)));
    r.push_back(chance(5) ? Value() : Value(static_cast<std::int32_t>(std::uniform_int_distribution<std::int64_t>(INT32_MIN, INT32_MAX)(random_))));
    r.push_back(single());
    r.push_back(dbl());
    r.push_back(chance(5) ? Value()
                          : Value(jet::Currency{std::uniform_int_distribution<std::int64_t>(-900000000000000, 900000000000000)(random_)}));
    r.push_back(date());
    r.push_back(chance(5) ? Value() : Value(text(100)));
    r.push_back(Value("C" + std::to_string(serial)));
    r.push_back(memo());
    r.push_back(ole());
    r.push_back(chance(15) ? Value() : bytes(1, 32));
    r.push_back(guid());
    if (format_ == Format::Jet4) r.push_back(decimal());
    return r;
  }

 private:
  Format format_;
  std::mt19937_64 random_;
};

// The rows the database must hold, by ID.
using Model = std::map<std::int32_t, Row>;

struct Built {
  fs::path file;
  Model model;
  std::vector<jet::ColumnDefinition> columns;
  std::size_t nameIndexPages = 0;
  bool nameRootIsIntermediate = false;
  std::set<std::pair<std::int32_t, std::size_t>> chainsAfterDeletedRows;
};

void setRow(jet::Table& t, const std::vector<jet::ColumnDefinition>& columns, const Row& row, bool skipId) {
  for (std::size_t c = skipId ? 1 : 0; c < columns.size(); ++c) t.set(columns[c].name, row[c]);
}

// Makes the database and changes it; returns what it must hold.
Built build(Format format, const fs::path& file, int rows) {
  Built b;
  b.file = file;
  Generator gen(format, format == Format::Jet4 ? 4004 : 3003);
  jet::Database db = jet::Database::create(file, format);
  jet::TableDefinition definition = tableDefinition(format);
  db.createTable(definition);
  b.columns = definition.columns;
  jet::Table t = db.table(kTable);

  int serial = 0;
  auto insert = [&](int count) {
    db.begin();
    for (int i = 0; i < count; ++i) {
      Row row = gen.row(++serial);
      t.addNew();
      setRow(t, b.columns, row, true);
      t.update();
      row[0] = t.get("ID");
      b.model[row[0].as<std::int32_t>()] = row;
      if (i % 500 == 499) {
        db.commit();
        db.begin();
      }
    }
    db.commit();
  };
  insert(rows);

  // Edits: text keys change (entries move in the Name index), memos and OLE values change storage
  // form, values become Null and come back.
  t.setIndex("PrimaryKey");
  db.begin();
  for (auto& [id, row] : b.model) {
    if (id % 5 != 0) continue;
    EXPECT_TRUE(t.seek(Value(id)));
    t.edit();
    Row changed = gen.row(0);
    for (std::size_t c : {3u, 5u, 9u, 11u, 12u, 13u}) {
      row[c] = changed[c];
      t.set(b.columns[c].name, row[c]);
    }
    t.update();
  }
  db.commit();

  // Deletes.
  db.begin();
  for (auto it = b.model.begin(); it != b.model.end();) {
    if (it->first % 7 != 3) {
      ++it;
      continue;
    }
    EXPECT_TRUE(t.seek(Value(it->first)));
    t.remove();
    it = b.model.erase(it);
  }
  db.commit();

  // Work that is rolled back leaves no trace.
  db.begin();
  for (int i = 0; i < 50; ++i) {
    t.addNew();
    setRow(t, b.columns, gen.row(1000000 + i), true);
    t.update();
  }
  EXPECT_TRUE(t.seek(Value(b.model.begin()->first)));
  t.remove();
  db.rollback();

  // Rows added into the room the deletes left.
  insert(rows / 10);

  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
  auto def = core.definition(*core.findTable(kTable));
  for (const jet::LogicalIndex& l : def->logicalIndexes) {
    if (l.name != "Name") continue;
    const jet::RealIndex& r = def->realIndexes[l.realIndex];
    b.nameIndexPages = jet::readUsageMap(core.file(), r.usageMap).pages.size();
    b.nameRootIsIntermediate = core.file().page(r.firstPage)->type() == jet::format::page_type::kIndexIntermediate;
  }
  return b;
}

// The long values (by row ID and column) with a chain piece right after a deleted row of its page.
std::set<std::pair<std::int32_t, std::size_t>> chainsAfterDeletedRows(const fs::path& path) {
  std::set<std::pair<std::int32_t, std::size_t>> found;
  jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
  jet::PageFile& file = core.file();
  const jet::format::Layout& layout = file.layout();
  auto def = core.definition(*core.findTable(kTable));
  jet::RowReader reader(file, *def);
  jet::PhysicalOrder order(file, *def);
  for (auto at = order.first(); at; at = order.next()) {
    std::optional<jet::RowImage> image = reader.fetch(*at);
    if (!image) continue;
    jet::RowColumns columns = reader.split(*image);
    std::int32_t id = reader.decode(columns, 0).as<std::int32_t>();
    for (std::size_t c = 0; c < def->columns.size(); ++c) {
      const jet::StoredColumn& column = def->columns[c];
      if (!column.isLongValue() || !columns.hasValue(column.number)) continue;
      std::optional<jet::ByteSpan> field = columns.variableBytes(column.varIndex);
      if (!field) continue;
      jet::LongValueField lv = jet::parseLongValueField(*field);
      if (lv.form != jet::LongValueForm::Chain) continue;
      for (std::uint32_t pointer = lv.firstRow; pointer != 0;) {
        jet::RowLocation row = jet::rowLocationFromPointer(pointer);
        jet::PageRef page = file.page(row.page);
        if (row.row > 0 && (jet::bytes::u16(page->bytes(), layout.dataRowTableOffset + 2u * (row.row - 1)) &
                            (jet::format::row_entry::kDeleted | jet::format::row_entry::kOverflow)))
          found.insert({id, c});
        pointer = jet::bytes::u32(jet::slotBytes(*page, jet::dataRowSlot(*page, layout, row.row)), 0);
      }
    }
  }
  return found;
}

const Built& built(Format format) {
  static qbm::test::ScratchDir dir;
  static std::map<Format, Built> cache;
  auto found = cache.find(format);
  if (found == cache.end()) {
    found = cache.emplace(format, build(format, dir / (format == Format::Jet4 ? "round4.mdb" : "round3.mdb"), 3000)).first;
    found->second.chainsAfterDeletedRows = chainsAfterDeletedRows(found->second.file);
  }
  return found->second;
}

// ---- Comparing ---------------------------------------------------------------------------------------

std::string hexOf(const jet::Bytes& b, bool upper) {
  static const char* lower = "0123456789abcdef";
  static const char* capital = "0123456789ABCDEF";
  const char* digits = upper ? capital : lower;
  std::string s;
  for (std::uint8_t x : b) {
    s.push_back(digits[x >> 4]);
    s.push_back(digits[x & 15]);
  }
  return s;
}

std::string withoutDashes(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
  return s;
}

// "12.3400" and "12.34" are the same number.
std::string plainDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

bool parseDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

std::string secondsText(jet::DateTime d) {
  jet::CalendarTime c = jet::toCalendar(d);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(c.year), c.month, c.day,
                c.hour, c.minute, c.second);
  return text;
}

// One field of mdb-export's CSV (fields of text types come quoted) against the value written.
bool sameAsExported(const Value& v, ColumnType type, const std::string& field) {
  if (v.isNull()) return field.empty();
  double number = 0;
  switch (type) {
    case T::Boolean: return field == (v.as<bool>() ? "1" : "0");
    case T::Byte: return field == std::to_string(v.as<std::uint8_t>());
    case T::Integer: return field == std::to_string(v.as<std::int16_t>());
    case T::Long: return field == std::to_string(v.as<std::int32_t>());
    case T::Single: return parseDouble(field, number) && static_cast<float>(number) == v.as<float>();
    case T::Double: return parseDouble(field, number) && number == v.as<double>();
    case T::Currency: return plainDecimal(field) == plainDecimal(jet::toString(v.as<jet::Currency>()));
    case T::Decimal: return plainDecimal(field) == plainDecimal(jet::toString(v.as<jet::Decimal>()));
    case T::DateTime: return field == secondsText(v.as<jet::DateTime>());
    case T::Text:
    case T::Memo: return field == v.as<std::string>();  // "" prints as nothing, like Null
    case T::Ole: return field == hexOf(v.as<jet::Bytes>(), true);
    case T::Binary: {  // cut at the first zero byte
      const jet::Bytes& b = v.as<jet::Bytes>();
      return field == hexOf(jet::Bytes(b.begin(), std::find(b.begin(), b.end(), 0)), true);
    }
    case T::Guid: {  // the hex of the GUID's text
      std::string text;
      for (std::size_t i = 0; i + 1 < field.size(); i += 2) text.push_back(static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16)));
      return withoutDashes(text) == withoutDashes(jet::formatGuid(v.as<jet::Guid>()));
    }
  }
  return false;
}

// One value of read.mjs's JSON against the value written.
bool sameAsRead(const Value& v, ColumnType type, const Json& j) {
  if (v.isNull()) return j.isNull();
  if (j.isNull()) return false;
  double number = 0;
  switch (type) {
    case T::Boolean: return j.kind == Json::Kind::Bool && j.boolean == v.as<bool>();
    case T::Byte: return j.text == std::to_string(v.as<std::uint8_t>());
    case T::Integer: return j.text == std::to_string(v.as<std::int16_t>());
    case T::Long: return j.text == std::to_string(v.as<std::int32_t>());
    case T::Single: return parseDouble(j.text, number) && static_cast<float>(number) == v.as<float>();
    case T::Double: return parseDouble(j.text, number) && number == v.as<double>();
    case T::Currency: return plainDecimal(j.text) == plainDecimal(jet::toString(v.as<jet::Currency>()));
    case T::Decimal: return plainDecimal(j.text) == plainDecimal(jet::toString(v.as<jet::Decimal>()));
    case T::DateTime: return j.text == jet::formatDateTime(v.as<jet::DateTime>());
    case T::Text:
    case T::Memo: return j.text == v.as<std::string>();
    case T::Ole:
    case T::Binary: return j.text == "hex:" + hexOf(v.as<jet::Bytes>(), false);
    case T::Guid: return j.text == jet::formatGuid(v.as<jet::Guid>());
  }
  return false;
}

// mdb-reader's reading of a long value it stops early: a proper beginning of the value.
bool readsBeginning(const Value& v, ColumnType type, const Json& j) {
  if (v.isNull() || j.isNull()) return false;
  std::string whole = type == T::Memo ? v.as<std::string>() : "hex:" + hexOf(v.as<jet::Bytes>(), false);
  return j.text.size() < whole.size() && whole.compare(0, j.text.size(), j.text) == 0;
}

bool sameAsEngine(const Value& expected, const Value& actual, ColumnType type) {
  if (type == T::Decimal && !expected.isNull() && actual.is<jet::Decimal>())
    return jet::toString(expected.as<jet::Decimal>()) == jet::toString(actual.as<jet::Decimal>());
  return expected == actual;
}

std::string describe(const Value& v) { return v.isNull() ? "Null" : v.toString().substr(0, 80); }

// Where two texts part: their lengths and what each holds from the first difference on.
std::string difference(const Value& wrote, const std::string& read) {
  std::string w = wrote.isNull() ? std::string() : wrote.toString();
  std::size_t at = 0;
  while (at < w.size() && at < read.size() && w[at] == read[at]) ++at;
  return "wrote " + std::to_string(w.size()) + " bytes, read " + std::to_string(read.size()) + ", first difference at " +
         std::to_string(at) + ": wrote \"" + w.substr(at, 40) + "\", read \"" + read.substr(at, 40) + "\"";
}

class EngineRoundTrip : public testing::TestWithParam<Format> {
 protected:
  const Built& data() { return built(GetParam()); }
};

TEST_P(EngineRoundTrip, FileIsSoundAndItsIndexesWereSplitManyTimes) {
  const Built& b = data();
  std::string problems;
  for (const jet::Problem& p : jet::check(b.file)) problems += p.where + ": " + p.what + "\n";
  EXPECT_EQ(problems, "");
  EXPECT_GT(b.nameIndexPages, 20u);
  EXPECT_TRUE(b.nameRootIsIntermediate);
  EXPECT_GT(b.model.size(), 2500u);
}

TEST_P(EngineRoundTrip, EngineReadsBackEveryValue) {
  const Built& b = data();
  jet::Database db = jet::Database::open(b.file, {.exclusive = false, .readOnly = true});
  jet::Table t = db.table(kTable);
  EXPECT_EQ(t.rowCount(), static_cast<std::int64_t>(b.model.size()));
  std::size_t seen = 0;
  for (t.moveFirst(); !t.eof(); t.moveNext(), ++seen) {
    std::int32_t id = t.get("ID").as<std::int32_t>();
    auto expected = b.model.find(id);
    ASSERT_NE(expected, b.model.end()) << "row " << id << " should not be there";
    for (std::size_t c = 0; c < b.columns.size(); ++c) {
      Value actual = t.get(static_cast<int>(c));
      EXPECT_TRUE(sameAsEngine(expected->second[c], actual, b.columns[c].type))
          << "row " << id << " column " << b.columns[c].name << ": wrote " << describe(expected->second[c])
          << ", read " << describe(actual);
    }
  }
  EXPECT_EQ(seen, b.model.size());
  // Every index finds every row.
  t.setIndex("Code");
  for (const auto& [id, row] : b.model) {
    ASSERT_TRUE(t.seek(row[10])) << row[10].toString();
    EXPECT_EQ(t.get("ID"), Value(id));
  }
}

TEST_P(EngineRoundTrip, MdbExportReadsBackEveryValue) {
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  const Built& b = data();
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand("mdb-export -b hex -T '%Y-%m-%d %H:%M:%S' " + quoted(b.file.string()) + " " +
                                         quoted(kTable),
                                     &out));
  std::vector<std::vector<std::string>> rows = qbm::test::parseCsv(out);
  ASSERT_FALSE(rows.empty());
  ASSERT_EQ(rows.front().size(), b.columns.size());
  for (std::size_t c = 0; c < b.columns.size(); ++c) EXPECT_EQ(rows.front()[c], b.columns[c].name);
  ASSERT_EQ(rows.size() - 1, b.model.size());
  std::set<std::int32_t> seen;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), b.columns.size()) << "line " << r;
    std::int32_t id = std::stoi(rows[r][0]);
    auto expected = b.model.find(id);
    ASSERT_NE(expected, b.model.end()) << "mdb-export shows row " << id;
    EXPECT_TRUE(seen.insert(id).second) << "mdb-export shows row " << id << " twice";
    for (std::size_t c = 0; c < b.columns.size(); ++c)
      EXPECT_TRUE(sameAsExported(expected->second[c], b.columns[c].type, rows[r][c]))
          << "row " << id << " column " << b.columns[c].name << ": wrote " << describe(expected->second[c])
          << ", mdb-export " << difference(expected->second[c], rows[r][c]);
  }
}

TEST_P(EngineRoundTrip, JavaScriptReaderReadsBackEveryValue) {
  if (!qbm::test::haveProgram("node") || !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  const Built& b = data();
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(b.file.string()), &out));
  Json document = Json::parse(out);
  ASSERT_EQ(document["tables"].size(), 1u);
  const Json& table = document["tables"][0];
  EXPECT_EQ(table["name"].text, kTable);
  ASSERT_EQ(table["columns"].size(), b.columns.size());
  for (std::size_t c = 0; c < b.columns.size(); ++c) {
    EXPECT_EQ(table["columns"][c]["name"].text, b.columns[c].name);
    EXPECT_EQ(table["columns"][c]["type"].text, jet::typeName(b.columns[c].type));
    EXPECT_EQ(table["columns"][c]["autonumber"].boolean, b.columns[c].autonumber);
  }
  ASSERT_EQ(table["rows"].size(), b.model.size());
  std::set<std::int32_t> seen;
  std::size_t cut = 0;
  for (const Json& row : table["rows"].items) {
    std::int32_t id = std::stoi(row[0].text);
    auto expected = b.model.find(id);
    ASSERT_NE(expected, b.model.end()) << "mdb-reader shows row " << id;
    EXPECT_TRUE(seen.insert(id).second) << "mdb-reader shows row " << id << " twice";
    for (std::size_t c = 0; c < b.columns.size(); ++c) {
      if (b.chainsAfterDeletedRows.count({id, c}) && !sameAsRead(expected->second[c], b.columns[c].type, row[c])) {
        ++cut;
        EXPECT_TRUE(readsBeginning(expected->second[c], b.columns[c].type, row[c]))
            << "row " << id << " column " << b.columns[c].name << ": "
            << difference(expected->second[c], row[c].isNull() ? std::string() : row[c].text);
        continue;
      }
      EXPECT_TRUE(sameAsRead(expected->second[c], b.columns[c].type, row[c]))
          << "row " << id << " column " << b.columns[c].name << ": wrote " << describe(expected->second[c])
          << ", mdb-reader " << (row[c].isNull() ? std::string("null") : difference(expected->second[c], row[c].text));
    }
  }
  // The allowance stays an exception.
  EXPECT_LT(cut, b.model.size() / 20);
  RecordProperty("values mdb-reader stops early", static_cast<int>(cut));
}

TEST_P(EngineRoundTrip, MdbtoolsListsTheTableItsSchemaAndIndexes) {
  if (!qbm::test::haveProgram("mdb-schema")) GTEST_SKIP() << "mdbtools is not installed";
  const Built& b = data();
  std::string tables, schema, properties;
  ASSERT_EQ(0, qbm::test::runCommand("mdb-tables -1 " + quoted(b.file.string()), &tables));
  EXPECT_EQ(tables, std::string(kTable) + "\n");
  ASSERT_EQ(0, qbm::test::runCommand("mdb-schema --indexes " + quoted(b.file.string()) + " mysql 2>/dev/null", &schema));
  for (const jet::ColumnDefinition& c : b.columns) EXPECT_NE(schema.find("`" + c.name + "`"), std::string::npos) << c.name;
  EXPECT_NE(schema.find("ADD PRIMARY KEY (`ID`)"), std::string::npos) << schema;
  for (const char* index : {"INDEX `Name` (`Name`)", "UNIQUE INDEX `Code` (`Code`)", "INDEX `WhenCount` (`When` DESC, `Count`)",
                            "INDEX `FlagSmallPrice` (`Flag`, `Small` DESC, `Price`)", "INDEX `Ratio` (`Ratio`)"})
    EXPECT_NE(schema.find(index), std::string::npos) << index << "\n" << schema;
  // The required column, as mdbtools learns it from the table's properties.
  EXPECT_NE(schema.find("`Code`\t\t\tvarchar (20) NOT NULL"), std::string::npos) << schema;
  EXPECT_EQ(schema.find("`Name`\t\t\tvarchar (100) NOT NULL"), std::string::npos);
  EXPECT_EQ(0, qbm::test::runCommand("mdb-prop " + quoted(b.file.string()) + " " + quoted(kTable), &properties));
  EXPECT_NE(properties.find("name: Code\n\tRequired: yes"), std::string::npos) << properties;
  EXPECT_EQ(0, qbm::test::runCommand("mdb-prop " + quoted(b.file.string()) + " MSysDb", &properties));
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineRoundTrip, testing::Values(Format::Jet4, Format::Jet3),
                         [](const auto& info) { return info.param == Format::Jet4 ? "Jet4" : "Jet3"; });

}  // namespace
