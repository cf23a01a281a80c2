// New rows that bring their own number in a Long autonumber column: the number is kept as given
// (also 0 and negative ones, which real files hold), the counter continues above the highest
// number, a number in use is refused by the primary key without writing anything, and an
// existing row's number cannot be changed.

#include <gtest/gtest.h>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/error.h"
#include "tests/jet/value_printer.h"
#include "tests/support/test_support.h"

namespace {

using jet::Value;
using T = jet::ColumnType;

jet::TableDefinition numberedTable() {
  jet::TableDefinition t{"numbered", {{"Key", T::Long}, {"Name", T::Text, 50}}, {}};
  t.columns[0].autonumber = true;
  t.indexes.push_back({.name = "PrimaryKey", .columns = {{"Key"}}, .primary = true, .unique = true});
  return t;
}

std::string problemsOf(jet::Database& db) {
  std::string text;
  for (const jet::Problem& p : jet::check(db)) text += p.where + ": " + p.what + "\n";
  return text;
}

class GivenAutonumber : public testing::Test {
 protected:
  void SetUp() override {
    db_ = std::make_unique<jet::Database>(jet::Database::create(dir_ / "n.mdb"));
    db_->createTable(numberedTable());
  }
  // Adds a row, with its own number when `key` is given; returns the number it got.
  std::int32_t add(const std::string& name, std::optional<std::int32_t> key = std::nullopt) {
    jet::Table t = db_->table("numbered");
    t.addNew();
    if (key) t.set("Key", Value(*key));
    t.set("Name", Value(name));
    t.update();
    return t.get("Key").as<std::int32_t>();
  }
  qbm::test::ScratchDir dir_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(GivenAutonumber, GivenNumbersAreKeptAndTheCounterContinuesAboveTheHighest) {
  EXPECT_EQ(add("first"), 1);
  EXPECT_EQ(add("zero", 0), 0);
  EXPECT_EQ(add("negative", -7), -7);
  EXPECT_EQ(add("far", 100), 100);
  EXPECT_EQ(add("numbered after far"), 101);
  EXPECT_EQ(add("gap", 50), 50);
  EXPECT_EQ(add("numbered after gap"), 102);

  jet::Table t = db_->table("numbered");
  t.setIndex("PrimaryKey");
  std::vector<std::pair<std::int32_t, std::string>> rows;
  for (t.moveFirst(); !t.eof(); t.moveNext())
    rows.emplace_back(t.get("Key").as<std::int32_t>(), t.get("Name").as<std::string>());
  const std::vector<std::pair<std::int32_t, std::string>> expected = {
      {-7, "negative"}, {0, "zero"}, {1, "first"}, {50, "gap"}, {100, "far"},
      {101, "numbered after far"}, {102, "numbered after gap"}};
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(problemsOf(*db_), "");
}

TEST_F(GivenAutonumber, CounterSurvivesReopening) {
  add("far", 40);
  db_->close();
  db_ = std::make_unique<jet::Database>(jet::Database::open(dir_ / "n.mdb"));
  EXPECT_EQ(add("next"), 41);
}

TEST_F(GivenAutonumber, NumberInUseIsRefusedAndNothingIsWritten) {
  add("one", 5);
  jet::Table t = db_->table("numbered");
  t.addNew();
  t.set("Key", Value(std::int32_t{5}));
  t.set("Name", Value("again"));
  try {
    t.update();
    FAIL() << "a second row numbered 5 was accepted";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::DuplicateKey);
  }
  EXPECT_EQ(db_->table("numbered").rowCount(), 1);
  EXPECT_EQ(add("numbered"), 6);
  EXPECT_EQ(problemsOf(*db_), "");
}

TEST_F(GivenAutonumber, ExistingRowsKeepTheirNumber) {
  add("one");
  jet::Table t = db_->table("numbered");
  t.moveFirst();
  t.edit();
  try {
    t.set("Key", Value(std::int32_t{9}));
    FAIL() << "an existing row's autonumber was changed";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected);
  }
  t.cancelUpdate();
  t.moveFirst();
  EXPECT_EQ(t.get("Key"), Value(std::int32_t{1}));
}

}  // namespace
