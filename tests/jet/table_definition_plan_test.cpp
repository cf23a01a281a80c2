// Laying out a new table: the layout equals what Access gave tables of the same columns and
// indexes in the shared files, and every kind of bad definition is refused with a message that
// names the table and the column or index at fault.

#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/tdef/table_definition_plan.h"
#include "tests/jet/definition_compare.h"
#include "tests/support/test_support.h"

namespace {

using jet::ColumnType;
using jet::Format;
using T = jet::ColumnType;

jet::StoredTableDefinition accessDefinition(const std::string& file, const std::string& table) {
  jet::Database db = jet::Database::open(qbm::test::sharedDir() / "interop" / file, {.exclusive = false, .readOnly = true});
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
  return *core.definition(*core.findTable(table));
}

jet::IndexDefinition primaryKey(const char* column) {
  jet::IndexDefinition i{"PrimaryKey", {{column}}};
  i.primary = true;
  return i;
}

// Text(50), Text(100), Byte, Integer, Long, Double, Date/Time, Currency, Yes/No; a primary key on
// the first column and an index on the second.
jet::TableDefinition everyFixedType() {
  return {"Table1",
          {{"A", T::Text, 50}, {"B", T::Text, 100}, {"C", T::Byte}, {"D", T::Integer}, {"E", T::Long},
           {"F", T::Double}, {"G", T::DateTime}, {"H", T::Currency}, {"I", T::Boolean}},
          {primaryKey("A"), {"B", {{"B"}}}}};
}

TEST(TablePlan, LaysColumnsAndIndexesOutAsAccessDoes) {
  QBM_REQUIRE_SHARED();
  struct Case {
    Format version;
    const char* file;
    const char* table;
    jet::TableDefinition definition;
    std::vector<std::string> uncompressed;  // text columns whose compression was switched off in Access
  };
  jet::TableDefinition autonumbered{"Table3", {{"a", T::Long}, {"b", T::Text, 50}}, {{"id", {{"a"}}}, primaryKey("a")}};
  autonumbered.columns[0].autonumber = true;
  jet::TableDefinition guids{"Table4", {{"name", T::Text, 50}, {"data", T::Guid}}, {primaryKey("data")}};
  guids.columns[1].autonumber = true;
  jet::TableDefinition decimals{"test", {{"col1", T::Memo}}, {}};
  for (int i = 2; i <= 7; ++i) decimals.columns.push_back({"col" + std::to_string(i), T::Decimal});
  jet::TableDefinition indexBFirst = everyFixedType();  // the Access 97 file made index B first
  std::swap(indexBFirst.indexes[0], indexBFirst.indexes[1]);
  std::vector<Case> cases = {
      {Format::Jet4, "testV2000.mdb", "Table1", everyFixedType(), {"B"}},
      {Format::Jet3, "testV1997.mdb", "Table1", indexBFirst, {}},
      {Format::Jet4, "testV2000.mdb", "Table3", autonumbered, {}},
      {Format::Jet3, "testV1997.mdb", "Table3", autonumbered, {}},
      {Format::Jet4, "testV2000.mdb", "Table4", guids, {}},
      {Format::Jet3, "testV1997.mdb", "Table4", guids, {}},
      {Format::Jet4, "fixedNumericTestV2000.mdb", "test", decimals, {"col1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.table);
    jet::StoredTableDefinition expected = accessDefinition(c.file, c.table);
    for (jet::StoredColumn& column : expected.columns)
      for (const std::string& name : c.uncompressed)
        if (column.name == name) column.extFlags |= jet::format::column_ext_flag::kCompressedUnicode;
    jet::StoredTableDefinition planned = jet::planTableDefinition(c.definition, c.version);
    qbm::test::expectSameDefinition(expected, planned, {.pagesAndMaps = false, .counts = false});
    EXPECT_EQ(planned.name, c.table);
    EXPECT_EQ(planned.tableType, jet::format::kUserTable);
  }
}

TEST(TablePlan, LongValueColumnsGetUsageMapEntriesAndTextSizesDefault) {
  jet::TableDefinition t{"t", {{"memo", T::Memo}, {"text", T::Text}, {"ole", T::Ole}, {"bin", T::Binary, 16}}, {}};
  for (Format v : {Format::Jet3, Format::Jet4}) {
    jet::StoredTableDefinition d = jet::planTableDefinition(t, v);
    ASSERT_EQ(d.columnUsageMaps.size(), 2u);
    EXPECT_EQ(d.columnUsageMaps[0].columnNumber, 0);
    EXPECT_EQ(d.columnUsageMaps[1].columnNumber, 2);
    EXPECT_EQ(d.columns[1].length, v == Format::Jet4 ? 510 : 255);  // size 0 means 255 characters
    EXPECT_EQ(d.columns[3].length, 16);
    EXPECT_EQ(d.varColumnCount, 4);
    for (std::uint16_t i = 0; i < 4; ++i) EXPECT_EQ(d.columns[i].varIndex, i);
  }
}

TEST(TablePlan, IndexFlagsFollowTheDefinition) {
  jet::TableDefinition t{"t", {{"a", T::Long}, {"b", T::Text, 20}, {"c", T::DateTime}}, {}};
  jet::IndexDefinition unique{"u", {{"b"}, {"c", true}}};
  unique.unique = true;
  jet::IndexDefinition sparse{"s", {{"c"}}};
  sparse.ignoreNulls = true;
  sparse.required = true;
  t.indexes = {unique, sparse, primaryKey("a")};
  jet::StoredTableDefinition d = jet::planTableDefinition(t, Format::Jet4);
  using namespace jet::format::index_flag;
  EXPECT_EQ(d.realIndexes[0].flags, kUnique | 0x80);
  EXPECT_EQ(d.realIndexes[1].flags, kIgnoreNulls | kRequired | 0x80);
  EXPECT_EQ(d.realIndexes[2].flags, kUnique | kRequired | 0x80);
  ASSERT_EQ(d.realIndexes[0].columns.size(), 2u);
  EXPECT_EQ(d.realIndexes[0].columns[1].columnNumber, 2);
  EXPECT_TRUE(d.realIndexes[0].columns[1].descending);
  EXPECT_EQ(d.logicalIndexes[2].kind, jet::format::index_kind::kPrimaryKey);
  EXPECT_EQ(jet::planTableDefinition(t, Format::Jet3).realIndexes[2].flags, kUnique | kRequired);
}

// Each case breaks one rule; the message must name what is at fault.
TEST(TablePlan, BadDefinitionsAreRefusedNamingTheFault) {
  struct Case {
    const char* what;
    jet::TableDefinition definition;
    const char* mentioned;
    Format version = Format::Jet4;
  };
  auto base = [] { return jet::TableDefinition{"drivers", {{"ID", T::Long}, {"Model", T::Text, 40}, {"Notes", T::Memo}}, {}}; };
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change, const char* mentioned, Format v = Format::Jet4) {
    jet::TableDefinition d = base();
    change(d);
    cases.push_back({what, d, mentioned, v});
  };
  add("empty table name", [](auto& d) { d.name = ""; }, "name");
  add("table name with a period", [](auto& d) { d.name = "a.b"; }, "a.b");
  add("table name with brackets", [](auto& d) { d.name = "a[1]"; }, "a[1]");
  add("table name with a leading space", [](auto& d) { d.name = " x"; }, "space");
  add("table name with a control character", [](auto& d) { d.name = "a\tb"; }, "control");
  add("table name of 65 characters", [](auto& d) { d.name = std::string(65, 'n'); }, "65");
  add("no columns", [](auto& d) { d.columns.clear(); }, "no columns");
  add("256 columns", [](auto& d) {
    for (int i = 0; i < 253; ++i) d.columns.push_back({"c" + std::to_string(i), T::Long});
  }, "256");
  add("duplicate column", [](auto& d) { d.columns.push_back({"model", T::Long}); }, "model");
  add("column name with !", [](auto& d) { d.columns[1].name = "Mod!el"; }, "Mod!el");
  add("text size 256", [](auto& d) { d.columns[1].size = 256; }, "Model");
  add("negative binary size", [](auto& d) { d.columns.push_back({"raw", T::Binary, -1}); }, "raw");
  add("unknown type", [](auto& d) { d.columns[0].type = static_cast<T>(0x0D); }, "ID");
  add("autonumber text", [](auto& d) { d.columns[1].autonumber = true; }, "Model");
  add("two autonumbers", [](auto& d) {
    d.columns[0].autonumber = true;
    d.columns.push_back({"Other", T::Long});
    d.columns.back().autonumber = true;
  }, "more than one autonumber");
  add("decimal precision 29", [](auto& d) {
    d.columns.push_back({"Price", T::Decimal});
    d.columns.back().precision = 29;
  }, "Price");
  add("decimal scale above precision", [](auto& d) {
    d.columns.push_back({"Price", T::Decimal});
    d.columns.back().precision = 4;
    d.columns.back().scale = 5;
  }, "Price");
  add("decimal in Jet 3", [](auto& d) { d.columns.push_back({"Price", T::Decimal}); }, "Price", Format::Jet3);
  add("fixed columns too large for a row", [](auto& d) {
    for (int i = 0; i < 240; ++i) d.columns.push_back({"d" + std::to_string(i), T::Decimal});
  }, "row");
  add("index on unknown column", [](auto& d) { d.indexes.push_back({"ix", {{"Price"}}}); }, "Price");
  add("index on memo", [](auto& d) { d.indexes.push_back({"ix", {{"Notes"}}}); }, "Notes");
  add("index without columns", [](auto& d) { d.indexes.push_back({"ix", {}}); }, "ix");
  add("index with 11 columns", [](auto& d) {
    jet::IndexDefinition ix{"wide", {}};
    for (int i = 0; i < 11; ++i) {
      d.columns.push_back({"k" + std::to_string(i), T::Long});
      ix.columns.push_back({"k" + std::to_string(i)});
    }
    d.indexes.push_back(ix);
  }, "wide");
  add("index naming a column twice", [](auto& d) { d.indexes.push_back({"ix", {{"ID"}, {"id"}}}); }, "twice");
  add("duplicate index name", [](auto& d) {
    d.indexes.push_back({"ix", {{"ID"}}});
    d.indexes.push_back({"IX", {{"Model"}}});
  }, "IX");
  add("two primary keys", [](auto& d) {
    d.indexes.push_back(primaryKey("ID"));
    d.indexes.push_back(primaryKey("Model"));
    d.indexes.back().name = "Other";
  }, "primary key");
  add("33 indexes", [](auto& d) {
    for (int i = 0; i < 33; ++i) d.indexes.push_back({"ix" + std::to_string(i), {{"ID"}}});
  }, "33");
  add("foreign index", [](auto& d) {
    d.indexes.push_back({"fk", {{"ID"}}});
    d.indexes.back().foreign = true;
  }, "fk");
  add("bad index name", [](auto& d) { d.indexes.push_back({"a`b", {{"ID"}}}); }, "a`b");
  for (const Case& c : cases) {
    try {
      jet::planTableDefinition(c.definition, c.version);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.mentioned), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

TEST(TablePlan, NamesAccessAcceptsAreAccepted) {
  jet::TableDefinition t{"woofer data - 2024 (€)", {{std::string(64, 'x'), T::Long}, {"Größe \"Zoll\"", T::Single}}, {}};
  t.indexes.push_back({"Größe", {{"größe \"zoll\""}}});
  jet::StoredTableDefinition d = jet::planTableDefinition(t, Format::Jet4);
  EXPECT_EQ(d.columns.size(), 2u);
  EXPECT_EQ(d.realIndexes.at(0).columns.at(0).columnNumber, 1);
}

}  // namespace
