#pragma once
// Comparing two readings of the same database in the interop JSON shape (NAME.json, our dump, the
// JavaScript reader): numbers as numbers, and the reference reader's known losses allowed for.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/json.h"

namespace qbm::test {

struct CompareOptions {
  bool rowOrderMatters = true;  // false: rows compare as a multiset
  bool compareIndexes = true;
  bool jet3 = false;            // Jet 3 file: see sameJsonText
};

inline std::u32string jsonCodePoints(const std::string& utf8) {
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

// NAME.json's reader decoded Jet 3 text without the file's code page, so each byte above 0x7F came
// out as U+FFFD; on a Jet 3 file that character stands for any non-ASCII one.
inline bool sameJsonText(const std::string& expected, const std::string& actual, bool jet3) {
  if (expected == actual) return true;
  if (!jet3) return false;
  std::u32string e = jsonCodePoints(expected), a = jsonCodePoints(actual);
  if (e.size() != a.size()) return false;
  for (std::size_t i = 0; i < e.size(); ++i)
    if (e[i] != a[i] && !(e[i] == 0xFFFD && a[i] >= 0x80)) return false;
  return true;
}

inline bool sameJsonValue(const Json& e, const Json& a, const std::string& type, bool jet3) {
  if (e.isNull() || a.isNull()) return e.isNull() && a.isNull();
  if (type == "BOOLEAN") return e.kind == Json::Kind::Bool && a.kind == Json::Kind::Bool && e.boolean == a.boolean;
  if (type == "BYTE")  // Access bytes are 0..255; the reference reader shows them signed
    return (std::stoll(e.text) & 0xFF) == (std::stoll(a.text) & 0xFF);
  if (type == "INT" || type == "LONG") return std::stoll(e.text) == std::stoll(a.text);
  if (type == "DOUBLE" || type == "FLOAT" || type == "MONEY" || type == "NUMERIC")
    return std::strtod(e.text.c_str(), nullptr) == std::strtod(a.text.c_str(), nullptr);
  if (type == "TEXT" || type == "MEMO") return sameJsonText(e.text, a.text, jet3);
  return e.text == a.text;
}

inline bool sameJsonRow(const Json& e, const Json& a, const Json& columns, bool jet3) {
  if (e.size() != a.size()) return false;
  for (std::size_t c = 0; c < e.size(); ++c)
    if (!sameJsonValue(e[c], a[c], columns[c]["type"].text, jet3)) return false;
  return true;
}

inline std::string rowText(const Json& row) {
  std::string s = "[";
  for (const Json& v : row.items) s += (v.isNull() ? std::string("null") : v.kind == Json::Kind::Bool ? (v.boolean ? "true" : "false") : v.text) + ", ";
  return s + "]";
}

inline void expectSameTable(const Json& e, const Json& a, const CompareOptions& options) {
  SCOPED_TRACE("table " + e["name"].text);
  EXPECT_EQ(e["name"].text, a["name"].text);
  ASSERT_EQ(e["columns"].size(), a["columns"].size());
  for (std::size_t c = 0; c < e["columns"].size(); ++c) {
    EXPECT_EQ(e["columns"][c]["name"].text, a["columns"][c]["name"].text);
    EXPECT_EQ(e["columns"][c]["type"].text, a["columns"][c]["type"].text);
    EXPECT_EQ(e["columns"][c]["autonumber"].boolean, a["columns"][c]["autonumber"].boolean);
  }
  if (options.compareIndexes) {
    ASSERT_EQ(e["indexes"].size(), a["indexes"].size());
    for (std::size_t i = 0; i < e["indexes"].size(); ++i) {
      const Json& x = e["indexes"][i];
      const Json& y = a["indexes"][i];
      EXPECT_EQ(x["name"].text, y["name"].text);
      ASSERT_EQ(x["columns"].size(), y["columns"].size());
      for (std::size_t k = 0; k < x["columns"].size(); ++k) EXPECT_EQ(x["columns"][k].text, y["columns"][k].text);
      for (const char* flag : {"unique", "primary", "foreign"}) EXPECT_EQ(x[flag].boolean, y[flag].boolean) << flag;
    }
  }
  const Json& columns = e["columns"];
  ASSERT_EQ(e["rows"].size(), a["rows"].size());
  if (options.rowOrderMatters) {
    for (std::size_t r = 0; r < e["rows"].size(); ++r)
      EXPECT_TRUE(sameJsonRow(e["rows"][r], a["rows"][r], columns, options.jet3))
          << "row " << r << "\n expected " << rowText(e["rows"][r]) << "\n actual   " << rowText(a["rows"][r]);
    return;
  }
  std::vector<bool> used(a["rows"].size(), false);
  for (std::size_t r = 0; r < e["rows"].size(); ++r) {
    bool found = false;
    for (std::size_t k = 0; k < used.size() && !found; ++k) {
      if (!used[k] && sameJsonRow(e["rows"][r], a["rows"][k], columns, options.jet3)) used[k] = found = true;
    }
    EXPECT_TRUE(found) << "no row like " << rowText(e["rows"][r]);
  }
}

inline void expectSameDatabase(const Json& expected, const Json& actual, const CompareOptions& options) {
  ASSERT_EQ(expected["tables"].size(), actual["tables"].size());
  for (std::size_t t = 0; t < expected["tables"].size(); ++t)
    expectSameTable(expected["tables"][t], actual["tables"][t], options);
}

}  // namespace qbm::test
