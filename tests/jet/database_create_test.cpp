// New databases and new tables: the catalog of a new database is the one the Jet engine makes (the
// rows of an engine-made empty Jet 4 file, every byte of its header), new tables read back as
// defined with their catalog rows and rights, bad definitions and names in use change nothing, and
// every file made here passes the integrity check.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "jet/file/bytes.h"
#include "jet/check.h"
#include "jet/text/clock.h"
#include "jet/database.h"
#include "jet/file/database_header.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/tdef/system_catalog.h"
#include "tests/jet/value_printer.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::ColumnType;
using jet::Format;
using jet::Value;
using T = jet::ColumnType;

// A row of a system table as text, the columns given in order (dates left out: they differ).
std::multiset<std::string> rowsOf(jet::Database& db, const std::string& table, const std::vector<std::string>& columns) {
  jet::Table t = db.table(table);
  std::multiset<std::string> rows;
  for (t.moveFirst(); !t.eof(); t.moveNext()) {
    std::string row;
    for (const std::string& c : columns) row += t.get(c).toString() + "|";
    rows.insert(row);
  }
  return rows;
}

const std::vector<std::string> kObjectColumns = {"Id", "ParentId", "Name", "Type", "Owner", "Flags", "LvProp"};
const std::vector<std::string> kAclColumns = {"ObjectId", "SID", "ACM", "FInheritable"};

class CreateTest : public testing::Test {
 protected:
  fs::path path(const std::string& name) const { return dir_ / name; }
  qbm::test::ScratchDir dir_;
};

TEST_F(CreateTest, NewJet4DatabaseHoldsTheCatalogTheJetEngineMakes) {
  QBM_REQUIRE_SHARED();
  const jet::DateTime before = jet::localNow();
  {
    jet::Database db = jet::Database::create(path("new.mdb"), Format::Jet4);
    EXPECT_EQ(db.format(), Format::Jet4);
    EXPECT_TRUE(db.tableNames().empty());
  }
  jet::Database ours = jet::Database::open(path("new.mdb"));
  jet::Database theirs = jet::Database::open(qbm::test::sharedDir() / "interop" / "emptyJet4.mdb", {.exclusive = false, .readOnly = true});
  EXPECT_EQ(rowsOf(ours, "MSysObjects", kObjectColumns), rowsOf(theirs, "MSysObjects", kObjectColumns));
  EXPECT_EQ(rowsOf(ours, "MSysACEs", kAclColumns), rowsOf(theirs, "MSysACEs", kAclColumns));
  EXPECT_EQ(ours.table("MSysQueries").rowCount(), 0);
  EXPECT_EQ(ours.table("MSysRelationships").rowCount(), 0);
  EXPECT_EQ(ours.codePage(), 1252);
  EXPECT_EQ(ours.sortOrder(), 1033u);

  // Every catalog row is dated now, and so is the header.
  jet::Table objects = ours.table("MSysObjects");
  for (objects.moveFirst(); !objects.eof(); objects.moveNext()) {
    double created = objects.get("DateCreate").as<jet::DateTime>().days;
    EXPECT_NEAR(created, before.days, 2.0 / 1440);
    EXPECT_EQ(objects.get("DateUpdate"), objects.get("DateCreate"));
  }
  std::vector<std::uint8_t> page0 = qbm::test::fileBytes(path("new.mdb"));
  page0.resize(4096);
  std::vector<std::uint8_t> reference = jet::encodeDatabaseHeader(
      jet::Format::Jet4, 1252, jet::DateTime{jet::bytes::f64([&] {
        std::vector<std::uint8_t> plain = page0;
        jet::unmaskHeader(plain, jet::format::kJet4);
        return plain;
      }(), jet::format::header::kJet4CreationDateOffset)});
  EXPECT_EQ(page0, reference);
  ours.close();
  EXPECT_EQ(qbm::test::problemsOf(path("new.mdb")), "");
}

TEST(NewDatabaseHeader, IsTheHeaderOfAnEngineMadeDatabase) {
  QBM_REQUIRE_SHARED();
  std::vector<std::uint8_t> theirs = qbm::test::fileBytes(qbm::test::sharedDir() / "interop" / "emptyJet4.mdb");
  theirs.resize(4096);
  std::vector<std::uint8_t> plain = theirs;
  jet::unmaskHeader(plain, jet::format::kJet4);
  jet::DateTime created{jet::bytes::f64(plain, jet::format::header::kJet4CreationDateOffset)};
  EXPECT_EQ(jet::encodeDatabaseHeader(jet::Format::Jet4, 1252, created), theirs);

  // Access 97: the same, but for a table at the end of the page whose first entries Access varies.
  std::vector<std::uint8_t> jet3 = qbm::test::fileBytes(qbm::test::sharedDir() / "interop" / "testV1997.mdb");
  jet3.resize(2048);
  std::vector<std::uint8_t> ours = jet::encodeDatabaseHeader(jet::Format::Jet3, 1252, created);
  for (std::size_t i = 0; i < 2048; ++i)
    if (i < 0x600 || i > 0x603) {
      EXPECT_EQ(ours[i], jet3[i]) << "byte " << i;
    }
}

TEST(NewDatabaseHeader, ReadsBackWithItsSettings) {
  for (auto [version, codePage] : {std::pair{jet::Format::Jet3, 1251}, std::pair{jet::Format::Jet3, 1252},
                                   std::pair{jet::Format::Jet4, 1252}}) {
    jet::DatabaseHeader h = jet::readDatabaseHeader(jet::encodeDatabaseHeader(version, static_cast<std::uint16_t>(codePage), jet::DateTime{45000.25}));
    EXPECT_EQ(h.version, version);
    EXPECT_EQ(h.codePage, codePage);
    EXPECT_EQ(h.sortOrder, 1033);
    EXPECT_EQ(h.databaseKey, 0u);
  }
  EXPECT_THROW(jet::encodeDatabaseHeader(jet::Format::Jet3, 437, jet::DateTime{1}), jet::Error);
}

TEST_F(CreateTest, NewJet3DatabaseHoldsTheCatalogAccess97Starts) {
  QBM_REQUIRE_SHARED();
  { jet::Database::create(path("new97.mdb"), Format::Jet3); }
  jet::Database ours = jet::Database::open(path("new97.mdb"));
  EXPECT_EQ(ours.format(), Format::Jet3);
  EXPECT_EQ(ours.pageSize(), 2048u);
  // An Access 97 file holds these objects first, as the engine made them, then Access's own.
  jet::Database theirs = jet::Database::open(qbm::test::sharedDir() / "interop" / "testV1997.mdb", {.exclusive = false, .readOnly = true});
  std::multiset<std::string> accessObjects = rowsOf(theirs, "MSysObjects", {"Id", "ParentId", "Name", "Type", "Owner", "Flags"});
  for (const std::string& row : rowsOf(ours, "MSysObjects", {"Id", "ParentId", "Name", "Type", "Owner", "Flags"}))
    EXPECT_EQ(accessObjects.count(row), 1u) << row;
  std::multiset<std::string> accessRights = rowsOf(theirs, "MSysACEs", kAclColumns);
  std::size_t shared = 0;
  for (const std::string& row : rowsOf(ours, "MSysACEs", kAclColumns)) shared += accessRights.count(row);
  EXPECT_GE(shared, 10u);  // Access 97 changed one of the engine's entries and added its own
  ours.close();
  EXPECT_EQ(qbm::test::problemsOf(path("new97.mdb")), "");
}

TEST_F(CreateTest, NeverWritesOverAnExistingFile) {
  {
    std::ofstream out(path("taken.mdb"), std::ios::binary);
    out << "precious";
  }
  try {
    jet::Database::create(path("taken.mdb"), Format::Jet4);
    FAIL() << "an existing file was replaced";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Io);
    EXPECT_NE(std::string(e.what()).find("taken.mdb"), std::string::npos);
  }
  EXPECT_EQ(qbm::test::fileBytes(path("taken.mdb")), (std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  EXPECT_THROW(jet::Database::create(dir_ / "no such folder" / "x.mdb", Format::Jet4), jet::Error);
}

TEST_F(CreateTest, NewDatabaseIsLockedWhileOpen) {
  jet::Database db = jet::Database::create(path("locked.mdb"), Format::Jet4);
  try {
    jet::Database::open(path("locked.mdb"));
    FAIL() << "a second open succeeded";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Locked);
  }
}

// ---- New tables ------------------------------------------------------------------------------------

jet::IndexDefinition index(const std::string& name, std::vector<jet::IndexColumn> columns) {
  return jet::IndexDefinition{name, std::move(columns)};
}

// One column of every type, with every kind of index.
jet::TableDefinition everyType(Format format) {
  jet::TableDefinition t{"Every Type",
                         {{"ID", T::Long}, {"Flag", T::Boolean}, {"Small", T::Byte}, {"Count", T::Integer},
                          {"Ratio", T::Single}, {"Value", T::Double}, {"Price", T::Currency}, {"When", T::DateTime},
                          {"Name", T::Text, 40}, {"Notes", T::Memo}, {"Picture", T::Ole}, {"Raw", T::Binary, 16},
                          {"Key", T::Guid}},
                         {}};
  t.columns[0].autonumber = true;
  if (format == Format::Jet4) {
    t.columns.push_back({"Amount", T::Decimal});
    t.columns.back().precision = 12;
    t.columns.back().scale = 3;
  }
  jet::IndexDefinition pk = index("PrimaryKey", {{"ID"}});
  pk.primary = true;
  jet::IndexDefinition unique = index("NameWhen", {{"Name"}, {"When", true}});
  unique.unique = true;
  jet::IndexDefinition sparse = index("Ratio", {{"Ratio"}});
  sparse.ignoreNulls = true;
  jet::IndexDefinition required = index("Count", {{"Count", true}});
  required.required = true;
  t.indexes = {pk, unique, sparse, required, index("Key", {{"Key"}}), index("Flag", {{"Flag"}, {"Small"}, {"Price"}})};
  return t;
}

void expectSameSchema(const jet::TableDefinition& given, jet::Table& table) {
  ASSERT_EQ(table.columns().size(), given.columns.size());
  for (std::size_t i = 0; i < given.columns.size(); ++i) {
    const jet::ColumnDefinition& e = given.columns[i];
    const jet::ColumnDefinition& a = table.columns()[i];
    EXPECT_EQ(a.name, e.name);
    EXPECT_EQ(a.type, e.type) << e.name;
    EXPECT_EQ(a.autonumber, e.autonumber) << e.name;
    if (e.type == T::Text || e.type == T::Binary) {
      EXPECT_EQ(a.size, e.size == 0 ? 255 : e.size) << e.name;
    }
    if (e.type == T::Decimal) {
      EXPECT_EQ(a.precision, e.precision);
      EXPECT_EQ(a.scale, e.scale);
    }
  }
  ASSERT_EQ(table.indexes().size(), given.indexes.size());
  for (std::size_t i = 0; i < given.indexes.size(); ++i) {
    const jet::IndexDefinition& e = given.indexes[i];
    const jet::IndexDefinition& a = table.indexes()[i];
    EXPECT_EQ(a.name, e.name);
    EXPECT_EQ(a.primary, e.primary) << e.name;
    EXPECT_EQ(a.unique, e.unique || e.primary) << e.name;
    EXPECT_EQ(a.ignoreNulls, e.ignoreNulls) << e.name;
    EXPECT_EQ(a.required, e.required || e.primary) << e.name;
    ASSERT_EQ(a.columns.size(), e.columns.size()) << e.name;
    for (std::size_t k = 0; k < e.columns.size(); ++k) {
      EXPECT_EQ(a.columns[k].name, e.columns[k].name);
      EXPECT_EQ(a.columns[k].descending, e.columns[k].descending);
    }
  }
}

class NewTableTest : public testing::TestWithParam<Format> {
 protected:
  fs::path file() const { return dir_ / "tables.mdb"; }
  qbm::test::ScratchDir dir_;
};

TEST_P(NewTableTest, ReadsBackAsDefinedWithItsCatalogRowAndRights) {
  const jet::TableDefinition definition = everyType(GetParam());
  const jet::DateTime before = jet::localNow();
  {
    jet::Database db = jet::Database::create(file(), GetParam());
    db.createTable(definition);
    jet::Table t = db.table("every type");
    expectSameSchema(definition, t);
    EXPECT_EQ(t.rowCount(), 0);
  }
  jet::Database db = jet::Database::open(file());
  EXPECT_EQ(db.tableNames(), std::vector<std::string>{"Every Type"});
  jet::Table t = db.table("Every Type");
  expectSameSchema(definition, t);

  std::int32_t id = 0;
  jet::Table objects = db.table("MSysObjects");
  for (objects.moveFirst(); !objects.eof(); objects.moveNext()) {
    if (objects.get("Name") != Value("Every Type")) continue;
    id = objects.get("Id").as<std::int32_t>();
    EXPECT_EQ(objects.get("ParentId"), Value(jet::catalog_ids::kTablesContainer));
    EXPECT_EQ(objects.get("Type"), Value(std::int16_t{1}));
    EXPECT_EQ(objects.get("Flags"), Value(std::int32_t{0}));
    EXPECT_NEAR(objects.get("DateCreate").as<jet::DateTime>().days, before.days, 2.0 / 1440);
    std::vector<std::uint8_t> admin = GetParam() == Format::Jet4 ? std::vector<std::uint8_t>{0x07, 0xE8}
                                                                 : std::vector<std::uint8_t>{0x03, 0x01};
    EXPECT_EQ(objects.get("Owner"), Value(admin));
  }
  EXPECT_EQ(static_cast<std::uint32_t>(id), jet::detail::coreOf(db).findTable("Every Type")->firstPage);
  // The rights the Tables container passes on, and full rights for the owner.
  std::multiset<std::string> rights;
  jet::Table acl = db.table("MSysACEs");
  for (acl.moveFirst(); !acl.eof(); acl.moveNext())
    if (acl.get("ObjectId") == Value(id)) rights.insert(acl.get("SID").toString() + " " + acl.get("ACM").toString());
  EXPECT_EQ(rights.size(), 3u);
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(file()), "");
}

TEST_P(NewTableTest, HoldsRowsOfEveryType) {
  jet::Database db = jet::Database::create(file(), GetParam());
  db.createTable(everyType(GetParam()));
  jet::Table t = db.table("Every Type");
  for (int i = 0; i < 40; ++i) {
    t.addNew();
    t.set("Flag", Value(i % 3 == 0));
    t.set("Small", Value(static_cast<std::uint8_t>(i)));
    t.set("Count", Value(static_cast<std::int16_t>(1000 - i)));
    if (i % 4) t.set("Ratio", Value(i / 8.0f));
    t.set("Value", Value(i * 1.25));
    t.set("Price", Value(jet::Currency{i * 10001}));
    t.set("When", Value(jet::DateTime{36526.5 + i}));
    t.set("Name", Value("name " + std::to_string(i % 7)));
    t.set("Notes", Value(std::string(static_cast<std::size_t>(i * 100), 'n')));
    t.set("Raw", Value(jet::Bytes{1, 2, static_cast<std::uint8_t>(i)}));
    t.update();
  }
  EXPECT_EQ(t.rowCount(), 40);
  t.setIndex("PrimaryKey");
  t.moveLast();
  EXPECT_EQ(t.get("ID"), Value(std::int32_t{40}));
  t.setIndex("NameWhen");
  EXPECT_TRUE(t.seek({Value("NAME 3")}));
  EXPECT_EQ(t.get("Small"), Value(std::uint8_t{38}));  // descending When: the latest first
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(file()), "");
}

// A column of precision 3 and scale 3 holds as many digits as its scale: every stored digit is a
// fraction digit, so the text needs a leading "0." and one digit more is refused.
TEST(DecimalColumn, AsManyDigitsAsTheScaleReadBackExactly) {
  qbm::test::ScratchDir dir;
  jet::Database db = jet::Database::create(dir.path() / "decimal.mdb", Format::Jet4);
  jet::TableDefinition def{"Amounts", {{"Amount", T::Decimal}}, {}};
  def.columns[0].precision = 3;
  def.columns[0].scale = 3;
  db.createTable(def);
  jet::Table t = db.table("Amounts");
  const std::vector<std::pair<std::string, std::string>> kept = {
      {"0.123", "0.123"}, {"-.999", "-0.999"}, {"0.12", "0.120"}, {"0.001", "0.001"}};
  for (const auto& given : kept) {
    t.addNew();
    t.set("Amount", Value(given.first));
    t.update();
  }
  for (const char* refused : {"1.123", "1", "0.1234"}) {
    t.addNew();
    EXPECT_THROW(t.set("Amount", Value(refused)), jet::Error) << refused;
    t.cancelUpdate();
  }
  db.close();
  jet::Database again = jet::Database::open(dir.path() / "decimal.mdb");
  jet::Table read = again.table("Amounts");
  std::vector<std::string> texts;
  for (read.moveFirst(); !read.eof(); read.moveNext()) texts.push_back(read.get("Amount").toString());
  ASSERT_EQ(texts.size(), kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(texts[i], kept[i].second);
}

TEST_P(NewTableTest, LargeDefinitionsSpanPagesAndManyTablesFit) {
  {
    jet::Database db = jet::Database::create(file(), GetParam());
    jet::TableDefinition wide{"wide", {}, {}};
    for (int i = 0; i < 136; ++i) {
      std::string name = "a rather long column name number " + std::to_string(i);
      wide.columns.push_back({name, i % 2 ? T::Double : T::Text, 30});
      if (i < 32) wide.indexes.push_back(index("index on " + name, {{name}}));
    }
    db.createTable(wide);
    for (int i = 0; i < 25; ++i)
      db.createTable({"table " + std::to_string(i), {{"id", T::Long}, {"memo", T::Memo}}, {index("id", {{"id"}})}});
    jet::Table t = db.table("wide");
    t.addNew();
    t.set(wide.columns[135].name, Value(135.0));
    t.set(wide.columns[0].name, Value("first"));
    t.update();
    EXPECT_GT(jet::detail::coreOf(db).definition(*jet::detail::coreOf(db).findTable("wide"))->pages.size(), 1u);
  }
  jet::Database db = jet::Database::open(file());
  EXPECT_EQ(db.tableNames().size(), 26u);
  jet::Table t = db.table("wide");
  ASSERT_EQ(t.columns().size(), 136u);
  EXPECT_EQ(t.indexes().size(), 32u);
  t.moveFirst();
  EXPECT_EQ(t.get(135), Value(135.0));
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(file()), "");
}

TEST_P(NewTableTest, NamesInUseAndBadDefinitionsChangeNothing) {
  { jet::Database::create(file(), GetParam()).createTable({"Parts", {{"id", T::Long}}, {}}); }
  const std::vector<std::uint8_t> before = qbm::test::fileBytes(file());
  {
    jet::Database db = jet::Database::open(file());
    for (const char* name : {"parts", "PARTS", "MSysObjects", "msysaces"}) {
      try {
        db.createTable({name, {{"x", T::Long}}, {}});
        ADD_FAILURE() << name << " was accepted";
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected) << name;
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
      }
    }
    try {
      db.createTable({"bad", {{"id", T::Long}}, {index("ix", {{"nope"}})}});
      ADD_FAILURE() << "an index on a missing column was accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected);
      EXPECT_NE(std::string(e.what()).find("nope"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(db.hasTable("bad"));
    EXPECT_EQ(db.tableNames(), std::vector<std::string>{"Parts"});
  }
  EXPECT_EQ(qbm::test::fileBytes(file()), before);
}

TEST_P(NewTableTest, ATableMadeInATransactionGoesWithItsRollback) {
  { jet::Database::create(file(), GetParam()); }
  {
    jet::Database db = jet::Database::open(file());
    db.begin();
    db.createTable({"kept", {{"id", T::Long}}, {}});
    db.createTable({"temporary", {{"id", T::Long}, {"text", T::Text, 10}}, {index("text", {{"text"}})}});
    jet::Table t = db.table("temporary");
    t.addNew();
    t.set("text", Value("x"));
    t.update();
    EXPECT_TRUE(db.hasTable("temporary"));
    db.rollback();
    EXPECT_FALSE(db.hasTable("temporary"));
    EXPECT_FALSE(db.hasTable("kept"));
    EXPECT_THROW(db.table("temporary"), jet::Error);
    db.begin();
    db.createTable({"kept", {{"id", T::Long}}, {}});
    db.commit();
  }
  jet::Database db = jet::Database::open(file());
  EXPECT_EQ(db.tableNames(), std::vector<std::string>{"kept"});
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(file()), "");
}

// A Jet 3 file keeps text in its code page (1252 here): its text and memo columns tell which
// characters they cannot store, and refuse them rather than store a stand-in; the code page's own
// characters beyond Latin-1 (the euro sign, "Œ") are stored. Jet 4 text holds every character.
TEST_P(NewTableTest, TextColumnsTellWhichCharactersTheyCannotStore) {
  const bool jet3 = GetParam() == Format::Jet3;
  jet::Database db = jet::Database::create(file(), GetParam());
  db.createTable(everyType(GetParam()));
  jet::Table t = db.table("Every Type");
  const std::string greekAndCjk = "8 \xCE\xA9, \xE6\x97\xA5 \xCE\xA9";  // "8 Ω, 日 Ω"
  for (const char* column : {"Name", "Notes"}) {
    EXPECT_EQ(t.unstorableCharacters(column, greekAndCjk), jet3 ? U"\u03A9\u65E5" : U"") << column;
    EXPECT_EQ(t.unstorableCharacters(column, "\xE2\x82\xAC \xC5\x92"), U"") << column;  // "€ Œ"
  }
  EXPECT_THROW(t.unstorableCharacters("Nothing", "x"), jet::Error);

  t.addNew();
  t.set("Count", Value(std::int16_t{1}));
  t.set("Name", Value("\xE2\x82\xAC \xC5\x92"));
  if (jet3) {
    EXPECT_THROW(t.set("Notes", Value(greekAndCjk)), jet::Error);
  } else {
    t.set("Notes", Value(greekAndCjk));
  }
  t.update();
  EXPECT_EQ(t.get("Name"), Value("\xE2\x82\xAC \xC5\x92"));
  EXPECT_EQ(t.get("Notes"), jet3 ? Value() : Value(greekAndCjk));
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(file()), "");
}

TEST_P(NewTableTest, ReadOnlyDatabasesRefuseNewTables) {
  { jet::Database::create(file(), GetParam()); }
  jet::Database db = jet::Database::open(file(), {.exclusive = true, .readOnly = true});
  try {
    db.createTable({"t", {{"id", T::Long}}, {}});
    FAIL() << "a table was made in a read-only database";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ReadOnly);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, NewTableTest, testing::Values(Format::Jet4, Format::Jet3),
                         [](const auto& info) { return info.param == Format::Jet4 ? "Jet4" : "Jet3"; });

}  // namespace

namespace {

// New tables in databases Access made: owned by the database's owner, with the rights the Tables
// container of that database passes on, beside the tables already there.
TEST(NewTableInAccessFiles, JoinsTheTablesAlreadyThere) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  for (const char* name : {"interop/testV2000.mdb", "interop/testV1997.mdb", "fixtures/qbaudio.mdb"}) {
    SCOPED_TRACE(name);
    fs::path file = qbm::test::copyShared(name, dir.path());
    std::vector<std::string> before;
    jet::Bytes owner;
    {
      jet::Database db = jet::Database::open(file);
      before = db.tableNames();
      jet::Table objects = db.table("MSysObjects");
      for (objects.moveFirst(); !objects.eof(); objects.moveNext())
        if (objects.get("Name") == Value("MSysDb")) owner = objects.get("Owner").as<jet::Bytes>();
      jet::TableDefinition t{"added", {{"id", T::Long}, {"text", T::Text, 30}, {"memo", T::Memo}}, {}};
      t.columns[0].autonumber = true;
      jet::IndexDefinition pk{"PrimaryKey", {{"id"}}};
      pk.primary = true;
      t.indexes = {pk, index("text", {{"text"}})};
      db.createTable(t);
      jet::Table added = db.table("added");
      db.begin();
      for (int i = 0; i < 200; ++i) {
        added.addNew();
        added.set("text", Value("row " + std::to_string(i)));
        added.set("memo", Value(std::string(static_cast<std::size_t>(i * 37), 'm')));
        added.update();
      }
      db.commit();
    }
    jet::Database db = jet::Database::open(file);
    std::vector<std::string> after = db.tableNames();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back(), "added");
    EXPECT_EQ(db.table("added").rowCount(), 200);
    std::int32_t id = 0;
    jet::Table objects = db.table("MSysObjects");
    for (objects.moveFirst(); !objects.eof(); objects.moveNext())
      if (objects.get("Name") == Value("added")) {
        id = objects.get("Id").as<std::int32_t>();
        EXPECT_EQ(objects.get("Owner"), Value(owner));
      }
    std::size_t rights = 0;
    jet::Table acl = db.table("MSysACEs");
    for (acl.moveFirst(); !acl.eof(); acl.moveNext()) rights += acl.get("ObjectId") == Value(id) ? 1 : 0;
    EXPECT_GE(rights, 2u);
    db.close();
    EXPECT_EQ(qbm::test::problemsOf(file), "");
  }
}

}  // namespace
