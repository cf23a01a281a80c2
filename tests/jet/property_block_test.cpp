// Property blocks (LvProp): Access's own blocks read with their "Required" columns (Jet 4 and
// Jet 3), blocks written and read back, damaged blocks refused; the engine reports and enforces
// the "Required" property of tables read from files and of tables it makes.

#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/tdef/property_block.h"
#include "tests/support/test_support.h"

namespace {

using jet::ColumnType;
using jet::Format;

jet::Bytes propertiesOf(jet::Database& db, const std::string& table) {
  return jet::detail::coreOf(db).findTable(table)->properties;
}

TEST(PropertyBlock, AccessBlocksReadWithTheirRequiredColumns) {
  QBM_REQUIRE_SHARED();
  jet::Database db = jet::Database::open(qbm::test::sharedDir() / "interop" / "fixedTextTestV2000.mdb",
                                         {.exclusive = false, .readOnly = true});
  jet::PropertyBlock block = jet::decodePropertyBlock(propertiesOf(db, "users"), Format::Jet4, 1252);
  ASSERT_EQ(block.sets.size(), 11u);  // the table, then its ten columns
  EXPECT_FALSE(block.sets[0].column);
  EXPECT_EQ(block.sets[1].name, "i_user_id");
  EXPECT_EQ(block.columnFlag("C_USER_LOGIN", "required"), true);
  EXPECT_EQ(block.columnFlag("c_user_login", "ColumnHidden"), false);
  EXPECT_EQ(block.columnFlag("nonexistent", "Required"), std::nullopt);
  for (const jet::ColumnDefinition& c : db.table("users").columns()) EXPECT_TRUE(c.required) << c.name;

  jet::Database v2000 = jet::Database::open(qbm::test::sharedDir() / "interop" / "testV2000.mdb",
                                            {.exclusive = false, .readOnly = true});
  EXPECT_EQ(jet::decodePropertyBlock(propertiesOf(v2000, "Table3"), Format::Jet4, 1252).columnFlag("b", "Required"), false);
  for (const jet::ColumnDefinition& c : v2000.table("Table3").columns()) EXPECT_FALSE(c.required) << c.name;

  jet::Database v1997 = jet::Database::open(qbm::test::sharedDir() / "interop" / "testV1997.mdb",
                                            {.exclusive = false, .readOnly = true});
  jet::PropertyBlock jet3 = jet::decodePropertyBlock(propertiesOf(v1997, "Table1"), Format::Jet3, 1252);
  EXPECT_GT(jet3.sets.size(), 1u);
  EXPECT_TRUE(jet3.columnFlag("A", "Required").has_value());
}

TEST(PropertyBlock, WrittenBlocksReadBack) {
  jet::PropertyBlock block;
  block.sets.push_back({"", false, {{"Description", ColumnType::Memo, false, jet::Bytes{'x', 0, 'y', 0}}}});
  block.sets.push_back({"Größe", true, {jet::requiredProperty(true), {"ColumnWidth", ColumnType::Long, false, {0xFF, 0xFF, 0xFF, 0xFF}}}});
  block.sets.push_back({"Name", true, {jet::requiredProperty(false)}});
  for (Format v : {Format::Jet4, Format::Jet3}) {
    jet::Bytes bytes = jet::encodePropertyBlock(block, v, 1252);
    EXPECT_EQ(bytes[0], v == Format::Jet4 ? 'M' : 'K');
    jet::PropertyBlock back = jet::decodePropertyBlock(bytes, v, 1252);
    ASSERT_EQ(back.sets.size(), 3u);
    EXPECT_EQ(back.sets[1].name, "Größe");
    ASSERT_EQ(back.sets[1].properties.size(), 2u);
    EXPECT_TRUE(back.sets[1].properties[0].engine);
    EXPECT_EQ(back.sets[1].properties[1].name, "ColumnWidth");
    EXPECT_EQ(back.sets[1].properties[1].value, (jet::Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(back.sets[0].properties[0].value, (jet::Bytes{'x', 0, 'y', 0}));
    EXPECT_EQ(back.columnFlag("größe", "Required"), true);
    EXPECT_EQ(back.columnFlag("Name", "Required"), false);
  }
  block.sets[1].name = "Жук";
  EXPECT_THROW(jet::encodePropertyBlock(block, Format::Jet3, 1252), jet::Error);
}

TEST(PropertyBlock, DamagedBlocksAreRefused) {
  jet::PropertyBlock block;
  block.sets.push_back({"col", true, {jet::requiredProperty(true)}});
  const jet::Bytes good = jet::encodePropertyBlock(block, Format::Jet4, 1252);
  auto refused = [](jet::Bytes bytes) {
    try {
      jet::decodePropertyBlock(bytes, Format::Jet4, 1252);
      return false;
    } catch (const jet::Error& e) {
      return e.code() == jet::ErrorCode::Damaged;
    }
  };
  EXPECT_FALSE(refused(good));
  EXPECT_TRUE(refused(jet::Bytes(good.begin(), good.begin() + 2)));          // tag cut short
  jet::Bytes tag = good;
  tag[0] = 'K';
  EXPECT_TRUE(refused(tag));                                                  // a Jet 3 tag in Jet 4
  jet::Bytes chunk = good;
  chunk[4] = 0xF0;                                                            // names chunk too long
  EXPECT_TRUE(refused(chunk));
  jet::Bytes index = good;
  index[index.size() - 1 - 1 - 2 - 2 + 1] = 7;                                // name index past the list
  EXPECT_TRUE(refused(index));
  jet::Bytes entry = good;
  entry[entry.size() - 9] = 0xFF;                                             // entry longer than its chunk
  EXPECT_TRUE(refused(entry));
  for (std::size_t cut = 5; cut < good.size(); ++cut) {  // every truncation: refused or a shorter block
    try {
      jet::decodePropertyBlock(jet::Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), Format::Jet4, 1252);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Damaged);
    }
  }
}

TEST(RequiredColumns, NewTablesKeepAndEnforceThem) {
  qbm::test::ScratchDir dir;
  for (jet::Format format : {jet::Format::Jet4, jet::Format::Jet3}) {
    const auto file = dir / (format == jet::Format::Jet4 ? "r4.mdb" : "r3.mdb");
    jet::TableDefinition t{"parts", {{"id", ColumnType::Long}, {"name", ColumnType::Text, 20}, {"note", ColumnType::Memo}}, {}};
    t.columns[0].autonumber = true;
    t.columns[0].required = true;
    t.columns[1].required = true;
    {
      jet::Database db = jet::Database::create(file, format);
      db.createTable(t);
      jet::Table parts = db.table("parts");
      EXPECT_TRUE(parts.columns()[1].required);
      parts.addNew();
      parts.set("note", jet::Value("no name"));
      try {
        parts.update();
        ADD_FAILURE() << "a row without its required name was written";
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected);
        EXPECT_NE(std::string(e.what()).find("name"), std::string::npos);
      }
      parts.set("name", jet::Value("bolt"));
      parts.update();  // the autonumber fills the required id
      EXPECT_EQ(parts.rowCount(), 1);
      db.createTable({"free", {{"x", ColumnType::Long}}, {}});
    }
    jet::Database db = jet::Database::open(file);
    std::vector<jet::ColumnDefinition> columns = db.table("parts").columns();
    EXPECT_TRUE(columns[0].required);
    EXPECT_TRUE(columns[1].required);
    EXPECT_FALSE(columns[2].required);
    EXPECT_TRUE(propertiesOf(db, "free").empty());  // no property block without required columns
    jet::Table parts = db.table("parts");
    parts.moveFirst();
    parts.edit();
    parts.set("name", jet::Value());
    EXPECT_THROW(parts.update(), jet::Error);
  }
}

}  // namespace
