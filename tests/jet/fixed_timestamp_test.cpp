// Databases created with a fixed timestamp: the header and the catalog carry that time instead of
// the clock, so the same writes make identical files.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "jet/check.h"
#include "jet/text/clock.h"
#include "jet/database.h"
#include "tests/jet/value_printer.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;
using T = jet::ColumnType;

// A small database with one indexed table and a few rows, made with the given timestamp.
void makeDatabase(const fs::path& path, jet::DateTime timestamp) {
  jet::Database db = jet::Database::create(path, jet::Format::Jet4, timestamp);
  jet::TableDefinition t{"parts", {{"ID", T::Long}, {"Name", T::Text, 50}, {"Notes", T::Memo}}, {}};
  t.columns[0].autonumber = true;
  t.indexes.push_back({.name = "ID", .columns = {{"ID"}}, .primary = true, .unique = true});
  t.indexes.push_back({.name = "Name", .columns = {{"Name"}}});
  db.createTable(t);
  jet::Table rows = db.table("parts");
  db.begin();
  for (int i = 0; i < 300; ++i) {
    rows.addNew();
    rows.set("Name", Value("part " + std::to_string(i * 37 % 300)));
    rows.set("Notes", Value(std::string(static_cast<std::size_t>(i * 13 % 3000), 'n')));
    rows.update();
  }
  db.commit();
}

TEST(FixedTimestamp, SameWritesMakeIdenticalFiles) {
  qbm::test::ScratchDir dir;
  const jet::DateTime when = jet::toDateTime(2004, 3, 1, 12, 0, 0);
  makeDatabase(dir / "a.mdb", when);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the clock moves on a second
  makeDatabase(dir / "b.mdb", when);
  const std::vector<std::uint8_t> a = qbm::test::fileBytes(dir / "a.mdb");
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == qbm::test::fileBytes(dir / "b.mdb")) << "two files made alike differ";
  EXPECT_TRUE(jet::check(dir / "a.mdb").empty());
}

TEST(FixedTimestamp, CatalogRowsCarryTheTimestamp) {
  qbm::test::ScratchDir dir;
  const jet::DateTime when = jet::toDateTime(1999, 12, 31, 23, 59, 0);
  makeDatabase(dir / "a.mdb", when);
  jet::Database db = jet::Database::open(dir / "a.mdb", {.exclusive = false, .readOnly = true});
  jet::Table objects = db.table("MSysObjects");
  std::set<std::string> names;
  for (objects.moveFirst(); !objects.eof(); objects.moveNext()) {
    names.insert(objects.get("Name").toString());
    EXPECT_EQ(objects.get("DateCreate"), Value(when)) << objects.get("Name").toString();
    EXPECT_EQ(objects.get("DateUpdate"), Value(when)) << objects.get("Name").toString();
  }
  EXPECT_TRUE(names.count("parts")) << "the new table has no catalog row";
  EXPECT_TRUE(names.count("MSysObjects")) << "the system tables have no catalog rows";
}

}  // namespace
