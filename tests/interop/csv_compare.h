#pragma once
// Comparing a CSV dump of the engine with what mdb-export (mdbtools) prints for the same table: the
// number and date formats normalised and mdbtools' own limits allowed for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/dump.h"
#include "jet/schema.h"
#include "tests/support/test_support.h"

namespace qbm::test {

using CsvRow = std::vector<std::string>;

inline std::vector<CsvRow> parseCsv(const std::string& text) {
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

inline bool parseNumber(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

// mdb-export writes dates as MM/DD/YY HH:MM:SS (two-digit years) and cannot write dates before
// 1899-12-30 (it prints 01/00/00 00:00:00); the engine writes yyyy-MM-dd HH:mm:ss.
inline bool sameDate(const std::string& theirs, const std::string& ours) {
  static const std::regex theirForm(R"((\d\d)/(\d\d)/(\d\d) (\d\d:\d\d:\d\d))");
  static const std::regex ourForm(R"((\d{4})-(\d\d)-(\d\d) (\d\d:\d\d:\d\d))");
  std::smatch t, o;
  if (!std::regex_match(theirs, t, theirForm) || !std::regex_match(ours, o, ourForm)) return false;
  if (std::stoi(o[1]) < 1900 && theirs == "01/00/00 00:00:00") return true;
  return t[3] == o[1].str().substr(2) && t[1] == o[2] && t[2] == o[3] && t[4] == o[4];
}

// mdbtools prints GUIDs without the fourth dash.
inline bool sameGuid(std::string theirs, std::string ours) {
  auto strip = [](std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
    return s;
  };
  return ours.size() == 38 && ours.front() == '{' && strip(theirs) == strip(ours);
}

// mdbtools converts text with iconv, which has no character for the five bytes Windows-1252 leaves
// undefined and prints '?'; the engine keeps them as U+0081, U+008D, U+008F, U+0090, U+009D.
inline bool sameTextUpToUndefinedBytes(const std::string& theirs, const std::string& ours) {
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

inline bool sameCsvField(const std::string& theirs, const std::string& ours, jet::ColumnType type) {
  if (theirs == ours) return true;
  double a = 0, b = 0;
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

inline bool sameCsvRow(const CsvRow& theirs, const CsvRow& ours, const std::vector<jet::ColumnDefinition>& columns) {
  if (theirs.size() != ours.size() || ours.size() != columns.size()) return false;
  for (std::size_t i = 0; i < ours.size(); ++i)
    if (!sameCsvField(theirs[i], ours[i], columns[i].type)) return false;
  return true;
}

inline std::string csvRowText(const CsvRow& row) {
  std::string s;
  for (const auto& f : row) s += "[" + f.substr(0, 60) + "]";
  return s;
}

// Rows of mdb-export's CSV (theirs) that have no equal row in ours (both with their header line
// first), as text; empty when every row of theirs is in ours. Row order is not compared: mdbtools
// lists an overflow row where its data lies, not where the row is.
inline std::vector<std::string> rowsMissingFrom(const std::string& theirs, const std::string& ours,
                                                const std::vector<jet::ColumnDefinition>& columns) {
  std::vector<CsvRow> a = parseCsv(theirs), b = parseCsv(ours);
  std::vector<std::string> missing;
  if (a.empty() || b.empty() || a.front() != b.front()) return {"the header lines differ"};
  if (a.size() != b.size())
    missing.push_back("mdb-export has " + std::to_string(a.size() - 1) + " rows, the dump " + std::to_string(b.size() - 1));
  std::vector<bool> used(b.size(), false);
  for (std::size_t r = 1; r < a.size(); ++r) {
    bool found = false;
    for (std::size_t k = 1; k < b.size() && !found; ++k)
      if (!used[k] && sameCsvRow(a[r], b[k], columns)) used[k] = found = true;
    if (!found) missing.push_back("mdb-export row " + std::to_string(r) + ": " + csvRowText(a[r]));
  }
  return missing;
}

// Every table of the file as mdb-export prints it holds exactly the rows the engine dumps; a
// failure names the first rows that differ.
inline void expectMdbExportSeesWhatTheEngineSees(const std::filesystem::path& file) {
  jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
  for (const std::string& name : db.tableNames()) {
    SCOPED_TRACE("table " + name);
    std::string theirs;
    ASSERT_EQ(0, runCommand("mdb-export " + quoted(file) + " " + quoted(name), &theirs));
    std::ostringstream ours;
    jet::dumpCsv(db, name, ours);
    const std::vector<std::string> missing = rowsMissingFrom(theirs, ours.str(), db.table(name).columns());
    for (std::size_t i = 0; i < missing.size() && i < 10; ++i) ADD_FAILURE() << missing[i];
  }
}

}  // namespace qbm::test
