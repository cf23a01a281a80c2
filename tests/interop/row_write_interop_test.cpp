// Files the engine has written read back the same in the engine, in mdbtools' mdb-export and in
// the JavaScript reader (mdb-reader): copies of the real Access files and driver databases get rows
// of every column type their tables have (memos and OLE data of all sizes, texts up to the column
// size), some edited to grow and shrink, some deleted; then every reader must see the same rows,
// and the integrity check must find nothing wrong.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "jet/error.h"
#include "jet/text/text_codec.h"
#include "tests/interop/csv_compare.h"
#include "tests/interop/table_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::ColumnType;
using jet::Value;
using qbm::test::Json;


using qbm::test::quoted;

std::string textOf(int row, const std::string& column, std::size_t length) {
  std::string s = "r" + std::to_string(row) + " " + column + " \xC3\xBC";  // a non-ASCII letter (u-umlaut)
  for (std::size_t i = 0; s.size() < length + 2; ++i) s.push_back(static_cast<char>('a' + (row + i * 5) % 26));
  // Cut to length characters (the umlaut counts as one).
  std::u32string cps = jet::decodeUtf8(s);
  cps.resize(std::min(cps.size(), length));
  std::string out;
  for (char32_t c : cps) jet::appendUtf8(out, c);
  return out;
}

// A value of the column's type for row i (grown: a longer one, for edits).
Value valueFor(const jet::ColumnDefinition& c, int i, bool grown) {
  switch (c.type) {
    case ColumnType::Boolean: return Value(i % 2 == 0);
    case ColumnType::Byte: return Value(static_cast<std::uint8_t>(i % 256));
    case ColumnType::Integer: return Value(static_cast<std::int16_t>(i * 3 - 500));
    case ColumnType::Long: return Value(static_cast<std::int32_t>(i * 1000 + 7));
    case ColumnType::Currency: return Value(jet::Currency{i * 12345LL - 99999});
    case ColumnType::Single: return Value(static_cast<float>(i) * 0.25f - 3.0f);
    case ColumnType::Double: return Value(i * 1.5 + 0.125);
    case ColumnType::DateTime:
      return i % 2 ? Value(std::to_string(1 + i % 28) + "-Mar-" + std::to_string(1990 + i % 30))
                   : Value(jet::DateTime{36000.0 + i + 0.5});
    case ColumnType::Text: {
      int size = c.size > 0 ? c.size : 255;
      return Value(textOf(i, c.name, grown ? static_cast<std::size_t>(size) : std::min<std::size_t>(6 + i % 10, size)));
    }
    case ColumnType::Memo: {
      std::size_t n = grown ? 6000 + i : static_cast<std::size_t>((i * 131) % 5000);
      return Value(textOf(i, c.name, n));
    }
    case ColumnType::Binary: {
      jet::Bytes b(static_cast<std::size_t>(std::min(c.size > 0 ? c.size : 255, i % 20)));
      for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(i + k);
      return Value(b);
    }
    case ColumnType::Ole: {
      jet::Bytes b(grown ? 9000 : static_cast<std::size_t>((i * 977) % 12000));
      for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(i * 7 + k);
      return Value(b);
    }
    case ColumnType::Guid: {
      jet::Guid g{};
      for (std::size_t k = 0; k < g.size(); ++k) g[k] = static_cast<std::uint8_t>(i * 31 + k * 7);
      return Value(g);
    }
    case ColumnType::Decimal: return Value(static_cast<std::int32_t>(i * 17 - 100));
  }
  return Value(jet::Null{});
}

// Adds rows to every user table, edits some to grow and some to shrink, deletes some.
void writeEverything(const fs::path& path, int rows) {
  jet::Database db = jet::Database::open(path);
  db.begin();
  for (const std::string& name : db.tableNames()) {
    jet::Table t = db.table(name);
    std::vector<std::string> keyColumns;
    for (const jet::IndexDefinition& index : t.indexes())
      for (const jet::IndexColumn& c : index.columns) keyColumns.push_back(c.name);
    auto isKey = [&](const std::string& column) {
      return std::find(keyColumns.begin(), keyColumns.end(), column) != keyColumns.end();
    };
    std::vector<jet::Bookmark> added;
    for (int i = 0; i < rows; ++i) {
      t.addNew();
      for (const jet::ColumnDefinition& c : t.columns())
        if (!c.autonumber && (isKey(c.name) || (i + c.name.size()) % 7 != 3)) t.set(c.name, valueFor(c, i, false));  // some Nulls
      try {
        t.update();
        added.push_back(t.bookmark());
      } catch (const jet::Error& e) {
        ASSERT_EQ(jet::ErrorCode::DuplicateKey, e.code()) << e.what();  // tables whose unique keys repeat
        t.cancelUpdate();
      }
    }
    for (std::size_t k = 0; k < added.size(); k += 3) {
      t.setBookmark(added[k]);
      t.edit();
      // Growing: memos and OLE data, and the first two texts to their full size (all of them could
      // pass the largest row); shrinking: those of them that no index needs go Null.
      bool grow = k % 2 == 0;
      int texts = 0;
      for (const jet::ColumnDefinition& c : t.columns()) {
        bool wide = c.type == ColumnType::Memo || c.type == ColumnType::Ole || (c.type == ColumnType::Text && texts++ < 2);
        if (!wide) continue;
        if (grow) t.set(c.name, valueFor(c, static_cast<int>(k) + 1000, true));
        else if (!isKey(c.name)) t.set(c.name, Value(jet::Null{}));
      }
      try {
        t.update();
      } catch (const jet::Error& e) {
        ASSERT_EQ(jet::ErrorCode::DuplicateKey, e.code()) << e.what();
        t.cancelUpdate();
      }
    }
    for (std::size_t k = 1; k < added.size(); k += 5) {
      t.setBookmark(added[k]);
      t.remove();
    }
  }
  db.commit();
}

std::string engineJson(const fs::path& path) {
  jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  std::ostringstream out;
  jet::dumpJson(db, {}, out);
  return out.str();
}

// A new database with a table of every column type the format has, indexed on text, number and
// date columns.
fs::path newDatabaseWithEveryType(const fs::path& dir, jet::Format format) {
  fs::path path = dir / "every_type.mdb";
  jet::Database db = jet::Database::create(path, format);
  jet::TableDefinition t;
  t.name = "every type";
  auto add = [&](const char* name, ColumnType type, int size = 0) {
    jet::ColumnDefinition c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.autonumber = type == ColumnType::Long && std::string(name) == "ID";
    t.columns.push_back(c);
  };
  add("ID", ColumnType::Long);
  add("Yes No", ColumnType::Boolean);
  add("Byte", ColumnType::Byte);
  add("Integer", ColumnType::Integer);
  add("Long", ColumnType::Long);
  add("Currency", ColumnType::Currency);
  add("Single", ColumnType::Single);
  add("Double", ColumnType::Double);
  add("Date", ColumnType::DateTime);
  add("Binary", ColumnType::Binary, 20);
  add("Text", ColumnType::Text, 50);
  add("Memo", ColumnType::Memo);
  add("OLE", ColumnType::Ole);
  add("GUID", ColumnType::Guid);
  if (format == jet::Format::Jet4) add("Decimal", ColumnType::Decimal);
  auto index = [&](const char* name, const char* column, bool primary) {
    jet::IndexDefinition i;
    i.name = name;
    i.columns = {{column, false}};
    i.primary = primary;
    i.unique = primary;
    t.indexes.push_back(i);
  };
  index("PrimaryKey", "ID", true);
  index("Text", "Text", false);
  index("Double", "Double", false);
  index("Date", "Date", false);
  db.createTable(t);
  return path;
}

class RowWriteInterop : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
    if (GetParam().rfind("new ", 0) == 0)
      path_ = newDatabaseWithEveryType(dir_.path(), GetParam() == "new Jet3" ? jet::Format::Jet3 : jet::Format::Jet4);
    else
      path_ = qbm::test::copyShared(GetParam(), dir_.path());
    {
      jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
      jet3_ = db.format() == jet::Format::Jet3;
      unusedBefore_ = jet::unusedPages(db);
    }
    writeEverything(path_, 60);
  }
  qbm::test::ScratchDir dir_;
  fs::path path_;
  bool jet3_ = false;
  std::vector<std::uint32_t> unusedBefore_;
};

TEST_P(RowWriteInterop, CheckFindsNothingAndNoPageIsLeftUnused) {
  std::string text;
  for (const jet::Problem& p : jet::check(path_)) text += p.where + ": " + p.what + "\n";
  EXPECT_EQ("", text);
  jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
  std::vector<std::uint32_t> now = jet::unusedPages(db), added;
  std::set_difference(now.begin(), now.end(), unusedBefore_.begin(), unusedBefore_.end(), std::back_inserter(added));
  EXPECT_EQ(std::vector<std::uint32_t>{}, added);
}

TEST_P(RowWriteInterop, TheJavaScriptReaderSeesWhatTheEngineSees) {
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  std::string theirs;
  ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(path_.string()), &theirs));
  // mdb-reader shows the five bytes Windows-1252 leaves undefined as U+FFFD (Jet 3 text).
  qbm::test::expectSameDatabase(Json::parse(theirs), Json::parse(engineJson(path_)),
                                {.rowOrderMatters = false, .compareIndexes = false, .jet3 = jet3_});
}

TEST_P(RowWriteInterop, MdbExportSeesWhatTheEngineSees) {
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  qbm::test::expectMdbExportSeesWhatTheEngineSees(path_);
}

INSTANTIATE_TEST_SUITE_P(
    SharedFiles, RowWriteInterop,
    testing::Values("new Jet4", "new Jet3", "fixtures/qbaudio.mdb", "fixtures/xqbaudio.mdb", "fixtures/spkrbase.mdb", "interop/testV2000.mdb",
                    "interop/testV1997.mdb", "interop/test2V2000.mdb", "interop/test2V1997.mdb",
                    "interop/fixedNumericTestV2000.mdb", "interop/indexTestV1997.mdb", "interop/indexTestV2000.mdb",
                    "interop/compIndexTestV2000.mdb", "interop/testIndexCodesV1997.mdb", "interop/delColTestV2000.mdb",
                    "interop/delColTestV1997.mdb", "interop/overflowTestV1997.mdb"),
    [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
