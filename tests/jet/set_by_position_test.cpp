// Setting a field by its position in the table's columns: the same value as by name, and the same
// refusals (no row being written, a position outside the columns).

#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/error.h"
#include "tests/jet/value_printer.h"
#include "tests/support/test_support.h"

namespace {

using jet::Value;
using T = jet::ColumnType;

TEST(SetByPosition, WritesWhatSettingByNameWrites) {
  qbm::test::ScratchDir dir;
  jet::Database db = jet::Database::create(dir / "p.mdb");
  db.createTable({"parts", {{"Name", T::Text, 20}, {"Count", T::Integer}}, {}});
  jet::Table t = db.table("parts");
  EXPECT_THROW(t.set(0, Value("x")), jet::Error);  // no row being written
  t.addNew();
  t.set(t.columnIndex("name"), Value("bolt"));
  t.set(1, Value(std::int32_t{12}));  // converted to the Integer column
  try {
    t.set(2, Value("x"));
    FAIL() << "a position outside the columns was accepted";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::MissingColumn);
  }
  try {
    t.set(0, Value(std::string(21, 'x')));
    FAIL() << "a text longer than the column was accepted";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected);
  }
  t.update();
  t.moveFirst();
  EXPECT_EQ(t.get("Name"), Value("bolt"));
  EXPECT_EQ(t.get("Count"), Value(std::int16_t{12}));
}

}  // namespace
