// The command line's dumps of every shared Access file against independent readers:
//  - `qbmerge-cli dump --json` equals NAME.json (what the Java reader saw);
//  - `qbmerge-cli dump FILE TABLE` (CSV) equals `mdb-export FILE TABLE`, with only the number and
//    date formats normalised and mdbtools' own limits allowed for;
//  - tests/interop/node/read.mjs (the JavaScript reader) sees the same as NAME.json.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "jet/database.h"
#include "tests/interop/table_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;

const std::string kCli = std::string(QBM_BINARY_DIR) + "/cli/qbmerge-cli";
const std::string kNodeReader = std::string(QBM_SOURCE_DIR) + "/tests/interop/node/read.mjs";

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

Json readJsonFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Json::parse(text.str());
}

bool isJet3(const fs::path& file) {
  jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
  return db.format() == jet::Format::Jet3;
}

// ---- CSV -----------------------------------------------------------------------------------------

using CsvRow = std::vector<std::string>;

std::vector<CsvRow> parseCsv(const std::string& text) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string field;
  bool inQuotes = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      inQuotes = any = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool parseNumber(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

// mdb-export writes dates as MM/DD/YY HH:MM:SS (two-digit years) and cannot write dates before
// 1899-12-30 (it prints 01/00/00 00:00:00); the engine writes yyyy-MM-dd HH:mm:ss.
bool sameDate(const std::string& theirs, const std::string& ours) {
  static const std::regex theirForm(R"((\d\d)/(\d\d)/(\d\d) (\d\d:\d\d:\d\d))");
  static const std::regex ourForm(R"((\d{4})-(\d\d)-(\d\d) (\d\d:\d\d:\d\d))");
  std::smatch t, o;
  if (!std::regex_match(theirs, t, theirForm) || !std::regex_match(ours, o, ourForm)) return false;
  if (std::stoi(o[1]) < 1900 && theirs == "01/00/00 00:00:00") return true;
  return t[3] == o[1].str().substr(2) && t[1] == o[2] && t[2] == o[3] && t[4] == o[4];
}

// mdbtools prints GUIDs without the fourth dash.
bool sameGuid(std::string theirs, std::string ours) {
  auto strip = [](std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
    return s;
  };
  return ours.size() == 38 && ours.front() == '{' && strip(theirs) == strip(ours);
}

// mdbtools converts text with iconv, which has no character for the five bytes Windows-1252 leaves
// undefined and prints '?'; the engine keeps them as U+0081, U+008D, U+008F, U+0090, U+009D.
bool sameTextUpToUndefinedBytes(const std::string& theirs, const std::string& ours) {
  std::string mapped;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    auto b = static_cast<unsigned char>(ours[i]);
    auto next = i + 1 < ours.size() ? static_cast<unsigned char>(ours[i + 1]) : 0;
    if (b == 0xC2 && (next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D)) {
      mapped.push_back('?');
      ++i;
    } else {
      mapped.push_back(ours[i]);
    }
  }
  return mapped == theirs;
}

bool sameCsvField(const std::string& theirs, const std::string& ours, jet::ColumnType type) {
  if (theirs == ours) return true;
  double a, b;
  switch (type) {
    case jet::ColumnType::Double:  // mdbtools prints 16 significant digits
      return parseNumber(theirs, a) && parseNumber(ours, b) && std::fabs(a - b) <= 1e-15 * std::fabs(b);
    case jet::ColumnType::Single:  // and singles with the precision of a single
      return parseNumber(theirs, a) && parseNumber(ours, b) && std::fabs(a - b) <= 1e-6 * std::fabs(b);
    case jet::ColumnType::Currency:
    case jet::ColumnType::Decimal: return parseNumber(theirs, a) && parseNumber(ours, b) && a == b;
    case jet::ColumnType::DateTime: return sameDate(theirs, ours);
    case jet::ColumnType::Guid: return sameGuid(theirs, ours);
    case jet::ColumnType::Text:
    case jet::ColumnType::Memo: return sameTextUpToUndefinedBytes(theirs, ours);
    default: return false;
  }
}

bool sameCsvRow(const CsvRow& theirs, const CsvRow& ours, const std::vector<jet::ColumnDefinition>& columns) {
  if (theirs.size() != ours.size() || ours.size() != columns.size()) return false;
  for (std::size_t i = 0; i < ours.size(); ++i)
    if (!sameCsvField(theirs[i], ours[i], columns[i].type)) return false;
  return true;
}

std::string csvRowText(const CsvRow& row) {
  std::string s;
  for (const auto& f : row) s += "[" + f.substr(0, 60) + "]";
  return s;
}

class SharedFileInterop : public testing::TestWithParam<std::string> {
 protected:
  fs::path file() const { return qbm::test::sharedDir() / GetParam(); }
};

TEST_P(SharedFileInterop, JsonDumpEqualsTheIndependentReading) {
  QBM_REQUIRE_SHARED();
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand(kCli + " dump " + quoted(file().string()) + " --json", &out));
  Json expected = readJsonFile(fs::path(file()).replace_extension(".json"));
  qbm::test::expectSameDatabase(expected, Json::parse(out), {.jet3 = isJet3(file())});
}

// Row order is not compared: mdbtools lists an overflow row where its data lies, not where the row
// is; the physical order is checked against the JSON readings.
TEST_P(SharedFileInterop, CsvDumpEqualsMdbExport) {
  QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  jet::Database db = jet::Database::open(file(), {.exclusive = false, .readOnly = true});
  for (const std::string& name : db.tableNames()) {
    SCOPED_TRACE("table " + name);
    std::vector<jet::ColumnDefinition> columns = db.table(name).columns();
    std::string theirs, ours;
    ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(file().string()) + " " + quoted(name), &theirs));
    ASSERT_EQ(0, qbm::test::runCommand(kCli + " dump " + quoted(file().string()) + " " + quoted(name), &ours));
    std::vector<CsvRow> a = parseCsv(theirs), b = parseCsv(ours);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(a.front(), b.front()) << "header lines differ";
    ASSERT_EQ(a.size(), b.size()) << "row counts differ";
    std::vector<bool> used(b.size(), false);
    for (std::size_t r = 1; r < a.size(); ++r) {
      bool found = false;
      for (std::size_t k = 1; k < b.size() && !found; ++k)
        if (!used[k] && sameCsvRow(a[r], b[k], columns)) used[k] = found = true;
      EXPECT_TRUE(found) << "mdb-export row " << r << " has no equal in the dump: " << csvRowText(a[r]);
    }
  }
}

TEST_P(SharedFileInterop, JavaScriptReaderSeesTheIndependentReading) {
  QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(kNodeReader) + " " + quoted(file().string()), &out));
  Json expected = readJsonFile(fs::path(file()).replace_extension(".json"));
  // mdb-reader reports no indexes and lists overflow rows where their data lies.
  qbm::test::expectSameDatabase(expected, Json::parse(out),
                                {.rowOrderMatters = false, .compareIndexes = false, .jet3 = isJet3(file())});
}

INSTANTIATE_TEST_SUITE_P(AllSharedDatabases, SharedFileInterop, testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
