// The engine's reading of every real Access file (../shared/interop) and every driver database
// (../shared/fixtures) equals what the independent reader saw (NAME.json): tables, columns, types,
// autonumber, indexes with their flags, and every row and value in physical order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "jet/database.h"
#include "jet/text/value_format.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;

Json readJson(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Json::parse(text.str());
}

std::int64_t integerOf(const jet::Value& v) {
  if (auto p = v.getIf<std::uint8_t>()) return *p;
  if (auto p = v.getIf<std::int16_t>()) return *p;
  if (auto p = v.getIf<std::int32_t>()) return *p;
  ADD_FAILURE() << "not an integer value: " << v.toString();
  return 0;
}

// "3.5000" -> 35000 (ten-thousandths).
std::int64_t currencyUnits(const std::string& text) {
  bool negative = !text.empty() && text[0] == '-';
  std::string digits = text.substr(negative ? 1 : 0);
  std::size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : digits.substr(point + 1);
  fraction.resize(4, '0');
  std::int64_t units = std::stoll(whole) * 10000 + std::stoll(fraction);
  return negative ? -units : units;
}

// A decimal string without redundant zeros ("1.500" -> "1.5", "-0" -> "0").
std::string normalDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::u32string codePoints(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? b : b & (0xFF >> (n + 1));
    for (int k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

// The reference reader decoded Jet 3 text without the file's code page: every byte above 0x7F came
// out as U+FFFD. Such a character stands for any non-ASCII character here; the CSV comparison with
// mdb-export checks those characters exactly.
bool sameText(const std::string& expected, const std::string& actual, bool jet3) {
  if (expected == actual) return true;
  if (!jet3) return false;
  std::u32string e = codePoints(expected), a = codePoints(actual);
  if (e.size() != a.size()) return false;
  for (std::size_t i = 0; i < e.size(); ++i)
    if (e[i] != a[i] && !(e[i] == 0xFFFD && a[i] >= 0x80)) return false;
  return true;
}

jet::Bytes bytesOfHex(const std::string& text) {
  jet::Bytes out;
  for (std::size_t i = 4; i + 1 < text.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

void expectSameDate(const std::string& expected, jet::DateTime actual) {
  jet::CalendarTime t = jet::toCalendar(actual);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
  std::sscanf(expected.c_str(), "%d-%d-%dT%d:%d:%d.%d", &year, &month, &day, &hour, &minute, &second, &millis);
  EXPECT_EQ(std::vector<std::int64_t>({year, month, day, hour, minute, second, millis}),
            std::vector<std::int64_t>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}))
      << "expected " << expected;
}

void expectSameValue(const Json& expected, const jet::Value& actual, jet::ColumnType type, bool jet3) {
  using jet::ColumnType;
  if (expected.isNull()) {
    EXPECT_TRUE(actual.isNull()) << "expected Null, read " << actual.toString();
    return;
  }
  ASSERT_FALSE(actual.isNull()) << "read Null, expected " << expected.text;
  switch (type) {
    case ColumnType::Boolean: EXPECT_EQ(expected.boolean, actual.as<bool>()); break;
    case ColumnType::Byte:
      // Access bytes are 0..255; the reference reader shows them as signed 8-bit numbers.
      EXPECT_EQ(std::stoll(expected.text) & 0xFF, integerOf(actual));
      break;
    case ColumnType::Integer:
    case ColumnType::Long: EXPECT_EQ(std::stoll(expected.text), integerOf(actual)); break;
    case ColumnType::Double: EXPECT_EQ(std::strtod(expected.text.c_str(), nullptr), actual.as<double>()); break;
    case ColumnType::Single:
      EXPECT_EQ(std::strtod(expected.text.c_str(), nullptr), static_cast<double>(actual.as<float>()));
      break;
    case ColumnType::Currency: EXPECT_EQ(currencyUnits(expected.text), actual.as<jet::Currency>().units); break;
    case ColumnType::Decimal:
      EXPECT_EQ(normalDecimal(expected.text), normalDecimal(jet::toString(actual.as<jet::Decimal>())));
      break;
    case ColumnType::DateTime: expectSameDate(expected.text, actual.as<jet::DateTime>()); break;
    case ColumnType::Text:
    case ColumnType::Memo:
      EXPECT_TRUE(sameText(expected.text, actual.as<std::string>(), jet3))
          << "expected \"" << expected.text << "\", read \"" << actual.as<std::string>() << "\"";
      break;
    case ColumnType::Guid: EXPECT_EQ(expected.text, jet::formatGuid(actual.as<jet::Guid>())); break;
    case ColumnType::Binary:
    case ColumnType::Ole: EXPECT_EQ(bytesOfHex(expected.text), actual.as<jet::Bytes>()); break;
  }
}

void expectSameDefinition(const Json& expected, jet::Table& table) {
  const auto& columns = table.columns();
  ASSERT_EQ(expected["columns"].size(), columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const Json& c = expected["columns"][i];
    EXPECT_EQ(c["name"].text, columns[i].name);
    EXPECT_EQ(c["type"].text, jet::typeName(columns[i].type)) << columns[i].name;
    EXPECT_EQ(c["autonumber"].boolean, columns[i].autonumber) << columns[i].name;
  }
  const auto& indexes = table.indexes();
  ASSERT_EQ(expected["indexes"].size(), indexes.size());
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const Json& x = expected["indexes"][i];
    SCOPED_TRACE("index " + indexes[i].name);
    EXPECT_EQ(x["name"].text, indexes[i].name);
    std::vector<std::string> expectedColumns, actualColumns;
    for (const Json& c : x["columns"].items) expectedColumns.push_back(c.text);
    for (const auto& c : indexes[i].columns) actualColumns.push_back(c.name + (c.descending ? " DESC" : ""));
    EXPECT_EQ(expectedColumns, actualColumns);
    EXPECT_EQ(x["unique"].boolean, indexes[i].unique);
    EXPECT_EQ(x["primary"].boolean, indexes[i].primary);
    EXPECT_EQ(x["foreign"].boolean, indexes[i].foreign);
  }
}

class SharedFileRead : public testing::TestWithParam<std::string> {};

TEST_P(SharedFileRead, EveryTableEqualsTheIndependentReading) {
  QBM_REQUIRE_SHARED();
  fs::path file = qbm::test::sharedDir() / GetParam();
  Json expected = readJson(fs::path(file).replace_extension(".json"));
  jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
  bool jet3 = db.format() == jet::Format::Jet3;

  std::vector<std::string> names = db.tableNames();
  std::sort(names.begin(), names.end());
  std::vector<std::string> expectedNames;
  for (const Json& t : expected["tables"].items) expectedNames.push_back(t["name"].text);
  ASSERT_EQ(expectedNames, names);

  for (const Json& t : expected["tables"].items) {
    SCOPED_TRACE("table " + t["name"].text);
    jet::Table table = db.table(t["name"].text);
    expectSameDefinition(t, table);
    std::size_t row = 0;
    for (table.moveFirst(); !table.eof(); table.moveNext(), ++row) {
      ASSERT_LT(row, t["rows"].size()) << "more rows than expected";
      SCOPED_TRACE("row " + std::to_string(row));
      for (std::size_t c = 0; c < table.columns().size(); ++c) {
        SCOPED_TRACE("column " + table.columns()[c].name);
        expectSameValue(t["rows"][row][c], table.get(static_cast<int>(c)), table.columns()[c].type, jet3);
      }
    }
    EXPECT_EQ(t["rows"].size(), row);
    EXPECT_EQ(static_cast<std::int64_t>(row), table.rowCount());
  }
}

INSTANTIATE_TEST_SUITE_P(AllSharedDatabases, SharedFileRead, testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
