// Purpose-made driver databases: the tables have the fixtures' layout, rows read back exactly as
// built (Nulls, given keys, records written field by field), a refused row leaves nothing behind,
// and the files pass the integrity check.

#include <gtest/gtest.h>

#include <map>

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "jet/check.h"
#include "jet/database.h"
#include "jet/error.h"
#include "samples/driver_database_builder.h"
#include "samples/driver_table_definitions.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::samples::DriverDatabaseBuilder;
using qbm::samples::LegacyDatabaseBuilder;
using qbm::samples::RowValues;
using jet::Value;

jet::Database openReadOnly(const fs::path& path) {
  return jet::Database::open(path, {.exclusive = false, .readOnly = true});
}

// A table's layout as text: columns (name, type, size of texts, autonumber) and indexes.
std::string layoutOf(jet::Database& db, const std::string& table) {
  jet::Table t = db.table(table);
  std::string text;
  for (const jet::ColumnDefinition& c : t.columns()) {
    text += c.name + " " + jet::typeName(c.type);
    if (c.type == jet::ColumnType::Text) text += "(" + std::to_string(c.size) + ")";
    if (c.autonumber) text += " autonumber";
    text += "\n";
  }
  std::map<std::string, std::string> indexes;  // by name: the order of indexes is not fixed
  for (const jet::IndexDefinition& i : t.indexes()) {
    if (i.foreign) continue;
    std::string line = "index " + i.name + " on";
    for (const jet::IndexColumn& c : i.columns) line += " " + c.name + (c.descending ? " desc" : "");
    if (i.primary) line += " primary";
    if (i.unique) line += " unique";
    indexes[i.name] = line + "\n";
  }
  for (const auto& [name, line] : indexes) text += line;
  return text;
}

// A woofer as a loaded record would hold it: every kind of field set, a dual coil, links.
qbm::WorkingDriver sampleWoofer() {
  qbm::WorkingDriver d;
  d.Model = "W 200-8";
  d.CompanyID = 1;
  d.Available = 1;
  d.Date = "05-Mar-2004";
  d.Type = 1;
  d.PartnerID = 4;
  d.SerialNo = "830869";
  d.Notes = std::string(5000, 'n');  // a memo stored on pages of its own
  d.Shape = 1;
  d.PistonType = 2;
  d.PistonDesc = "Paper cone";
  d.Underhung = qbm::YesNoTrue;
  d.Dual = qbm::YesNoTrue;
  d.Fs = 31.5;
  d.Vas = 0.0452;
  d.Qesp = 0.41;
  d.SPL2s = 88.5;
  d.Dimen[10] = 0.25;
  d.Dist[2] = 3;
  d.PartNo[2] = "299-010";
  return d;
}

// The record the reading rules make of the cursor's current row.
qbm::WorkingDriver readBack(const jet::Table& t, qbm::DriverTable table) {
  qbm::WorkingDriver d;
  d.Model = qbm::readText(qbm::fieldValue(t, qbm::fields::Model), qbm::UserLocale::classic());
  d.CompanyID = qbm::readLong(t.get(qbm::fields::CompanyID));
  d.Date = qbm::readDate(t.get(qbm::fields::Date), qbm::UserLocale::classic());
  for (const auto& f : qbm::DriverCodeFields) d.*f.member = qbm::readCode(t.get(f.field));
  for (const auto& f : qbm::DriverLinkFields)
    if (qbm::usedIn(f.use, table)) d.*f.member = qbm::readLong(t.get(f.field));
  for (const auto& f : qbm::DriverTextFields)
    if (qbm::usedIn(f.use, table)) d.*f.member = qbm::readText(t.get(f.field), qbm::UserLocale::classic());
  for (const auto& f : qbm::DriverYesNoFields)
    if (qbm::usedIn(f.use, table)) d.*f.member = qbm::readYesNo(t.get(f.field));
  for (const auto& f : qbm::DriverNumberFields)
    if (qbm::usedIn(f.use, table)) d.*f.member = qbm::readNumber(t.get(f.field));
  for (std::size_t k = 0; k < 11; ++k) d.Dimen[k] = qbm::readNumber(t.get(qbm::fields::Dimen[k]));
  for (std::size_t k = 0; k < 7; ++k) {
    d.Dist[k] = qbm::readLong(t.get(qbm::fields::Dist[k]));
    d.PartNo[k] = qbm::readText(t.get(qbm::fields::PartNo[k]), qbm::UserLocale::classic());
  }
  return d;
}

class Builder : public testing::Test {
 protected:
  qbm::ScopedUserLocale locale_{qbm::UserLocale::classic()};
  qbm::test::ScratchDir dir_;
};

TEST_F(Builder, TablesHaveTheLayoutOfTheFixtures) {
  QBM_REQUIRE_SHARED();
  DriverDatabaseBuilder(dir_ / "qbaudio.mdb").close();
  LegacyDatabaseBuilder(dir_ / "spkrbase.mdb").close();
  jet::Database ours = openReadOnly(dir_ / "qbaudio.mdb");
  jet::Database theirs = openReadOnly(qbm::test::sharedDir() / "fixtures" / "qbaudio.mdb");
  EXPECT_EQ(ours.tableNames().size(), 5u);
  for (std::string_view table : {qbm::tables::Woofers, qbm::tables::Tweeters, qbm::tables::Companies,
                                 qbm::tables::WooferResponse, qbm::tables::TweeterResponse})
    EXPECT_EQ(layoutOf(ours, std::string(table)), layoutOf(theirs, std::string(table))) << table;
  jet::Database oursLegacy = openReadOnly(dir_ / "spkrbase.mdb");
  jet::Database theirsLegacy = openReadOnly(qbm::test::sharedDir() / "fixtures" / "spkrbase.mdb");
  EXPECT_EQ(layoutOf(oursLegacy, "woofer data"), layoutOf(theirsLegacy, "woofer data"));
}

TEST_F(Builder, RowsReadBackAsBuiltWithTheirNulls) {
  {
    DriverDatabaseBuilder db(dir_ / "xqbaudio.mdb");
    EXPECT_EQ(db.addCompany({{"Company", "Peerless Fabrikkerne, Ltd."}, {"Type", 0}}), 1);
    EXPECT_EQ(db.addCompany({{"Company", jet::Null{}}, {"User Entry", true}}), 2);
    EXPECT_EQ(db.addCompany({{"ID", 901}, {"Company", "Far Away Audio"}}), 901);
    EXPECT_EQ(db.addWoofer({{"Model", "CSC 145H"}, {"Company ID", 1}, {"User Entry", true}}), 1);
    EXPECT_EQ(db.addTweeter({{"ID", -4}, {"Model", jet::Null{}}, {"Company ID", 2}}), -4);
    std::vector<float> levels(qbm::ResponseCount, 0.0f);
    levels[133] = 81.5f;
    db.addWooferResponse(1, levels, true);
    db.addTweeterResponse({{"Driver ID", -4}, {"A 20000", jet::Null{}}});
  }
  EXPECT_EQ(qbm::test::problemsOf(dir_ / "xqbaudio.mdb"), "");
  jet::Database db = openReadOnly(dir_ / "xqbaudio.mdb");
  jet::Table companies = db.table("companies");
  companies.setIndex("ID");
  ASSERT_TRUE(companies.seek(Value(std::int32_t{2})));
  EXPECT_TRUE(companies.get("Company").isNull());
  EXPECT_EQ(companies.get("User Entry"), Value(true));
  EXPECT_TRUE(companies.get("Type").isNull());
  ASSERT_TRUE(companies.seek(Value(std::int32_t{901})));
  EXPECT_EQ(companies.get("Company"), Value("Far Away Audio"));

  jet::Table woofers = db.table("woofers");
  woofers.setIndex("Model");
  ASSERT_TRUE(woofers.seek(Value("csc 145h")));
  EXPECT_EQ(woofers.get("User Entry"), Value(true));
  EXPECT_TRUE(woofers.get("Fs").isNull());
  EXPECT_TRUE(woofers.get("Notes").isNull());
  EXPECT_EQ(woofers.get("Dual"), Value(false));

  jet::Table tweeters = db.table("tweeters");
  tweeters.moveFirst();
  EXPECT_EQ(tweeters.get("ID"), Value(std::int32_t{-4}));
  EXPECT_TRUE(tweeters.get("Model").isNull());

  jet::Table response = db.table("woofer-response");
  response.setIndex("Driver ID");
  ASSERT_TRUE(response.seek(Value(std::int32_t{1})));
  EXPECT_EQ(response.get("A 20000"), Value(81.5f));
  EXPECT_EQ(response.get("A 5"), Value(0.0f));
  jet::Table tweeterResponse = db.table("tweeter-response");
  tweeterResponse.moveFirst();
  EXPECT_EQ(tweeterResponse.get("Driver ID"), Value(std::int32_t{-4}));
  EXPECT_TRUE(tweeterResponse.get("A 20000").isNull());
  EXPECT_EQ(tweeterResponse.get("User Entry"), Value(false));
}

TEST_F(Builder, RecordsAreWrittenFieldByFieldAndReadBackTheSame) {
  const qbm::WorkingDriver woofer = sampleWoofer();
  qbm::WorkingDriver tweeter;
  tweeter.Model = "TW 30";
  tweeter.CompanyID = 1;
  tweeter.Ferrofluid = qbm::YesNoTrue;
  tweeter.PartnerID = 1;
  tweeter.Fs = 1200;
  tweeter.Qesp = 0.5;  // no such field in a tweeters row: not written
  {
    DriverDatabaseBuilder db(dir_ / "qbaudio.mdb");
    db.addWooferRecord(woofer, {{"User Entry", true}});
    db.addTweeterRecord(tweeter);
  }
  EXPECT_EQ(qbm::test::problemsOf(dir_ / "qbaudio.mdb"), "");
  jet::Database db = openReadOnly(dir_ / "qbaudio.mdb");
  jet::Table w = db.table("woofers");
  w.moveFirst();
  const qbm::WorkingDriver readWoofer = readBack(w, qbm::DriverTable::Woofers);
  EXPECT_EQ(w.get("User Entry"), Value(true));
  EXPECT_EQ(readWoofer.Model, woofer.Model);
  EXPECT_EQ(readWoofer.Date, woofer.Date);
  EXPECT_EQ(readWoofer.Notes, woofer.Notes);
  EXPECT_EQ(readWoofer.Qesp, woofer.Qesp);
  EXPECT_EQ(readWoofer.SPL2s, woofer.SPL2s);
  EXPECT_EQ(readWoofer.Dimen, woofer.Dimen);
  EXPECT_EQ(readWoofer.Dist, woofer.Dist);
  EXPECT_EQ(readWoofer.PartNo, woofer.PartNo);
  EXPECT_EQ(readWoofer.PartnerID, woofer.PartnerID);
  EXPECT_EQ(readWoofer.Underhung, qbm::YesNoTrue);
  EXPECT_EQ(readWoofer.Shape, 1);
  // Empty texts and zero links are Null in the file, as real files hold them.
  EXPECT_TRUE(w.get("Comment").isNull());
  EXPECT_TRUE(w.get("Mid ID").isNull());
  EXPECT_TRUE(w.get("Dist1").isNull());
  EXPECT_TRUE(w.get("PartNo1").isNull());
  EXPECT_EQ(w.get("Qms"), Value(0.0));

  jet::Table t = db.table("tweeters");
  t.moveFirst();
  const qbm::WorkingDriver readTweeter = readBack(t, qbm::DriverTable::Tweeters);
  EXPECT_EQ(readTweeter.Ferrofluid, qbm::YesNoTrue);
  EXPECT_EQ(readTweeter.PartnerID, 1);
  EXPECT_EQ(readTweeter.Fs, 1200);
  EXPECT_TRUE(t.get("Date").isNull());
  EXPECT_EQ(t.get("User Entry"), Value(false));
}

TEST_F(Builder, LegacyRowsKeepTheirKeysAndNulls) {
  {
    LegacyDatabaseBuilder db(dir_ / "spkrbase.mdb");
    EXPECT_EQ(db.addRow({{"Model", "SD211-8"}, {"Manufacturer", "PEERLESS"}, {"Vas", 50.0}}), 1);
    EXPECT_EQ(db.addRow({{"Index", 0}, {"Model", "Zero"}, {"Manufacturer", "PEERLESS"}}), 0);
    EXPECT_EQ(db.addRow({{"Index", -5}, {"Model", "Negative"}, {"Manufacturer", "PEERLESS"}}), -5);
    EXPECT_EQ(db.addRow({{"Model", jet::Null{}}, {"Manufacturer", "SEAS"}}), 2);
    EXPECT_EQ(db.addRow({{"Model", "X - PARALLEL"}, {"Dual VC", true}, {"A 2000", 84.0f}}), 3);
  }
  EXPECT_EQ(qbm::test::problemsOf(dir_ / "spkrbase.mdb"), "");
  jet::Database db = openReadOnly(dir_ / "spkrbase.mdb");
  jet::Table t = db.table(qbm::legacy::Table);
  std::vector<std::int32_t> keys;
  for (t.moveFirst(); !t.eof(); t.moveNext()) keys.push_back(t.get("Index").as<std::int32_t>());
  EXPECT_EQ(keys, (std::vector<std::int32_t>{1, 0, -5, 2, 3}));
  t.setIndex("PrimaryKey");
  ASSERT_TRUE(t.seek(Value(std::int32_t{2})));
  EXPECT_TRUE(t.get("Model").isNull());
  ASSERT_TRUE(t.seek(Value(std::int32_t{3})));
  EXPECT_TRUE(t.get("Manufacturer").isNull());
  EXPECT_EQ(t.get("Dual VC"), Value(true));
  EXPECT_EQ(t.get("A 2000"), Value(84.0f));
}

TEST_F(Builder, RefusedRowLeavesNothingAndTheBuilderGoesOn) {
  DriverDatabaseBuilder db(dir_ / "qbaudio.mdb");
  EXPECT_THROW(db.addWoofer({{"Model", "A"}, {"No Such Field", 1}}), jet::Error);
  EXPECT_THROW(db.addWoofer({{"Model", std::string(51, 'm')}}), jet::Error);
  EXPECT_THROW(db.addWooferResponse(std::int32_t{7}, std::vector<float>(3, 0.0f)), std::invalid_argument);
  db.addWooferResponse(7, std::vector<float>(qbm::ResponseCount, 1.0f));
  EXPECT_THROW(db.addWooferResponse(7, std::vector<float>(qbm::ResponseCount, 2.0f)), jet::Error);  // unique
  EXPECT_EQ(db.addWoofer({{"Model", "B"}}), 1);
  EXPECT_EQ(db.database().table("woofers").rowCount(), 1);
  EXPECT_EQ(db.database().table("woofer-response").rowCount(), 1);
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(dir_ / "qbaudio.mdb"), "");
  EXPECT_THROW(DriverDatabaseBuilder(dir_ / "qbaudio.mdb"), jet::Error);  // never written over
}

TEST_F(Builder, ManyRowsInOneTransaction) {
  DriverDatabaseBuilder db(dir_ / "qbaudio.mdb");
  db.database().begin();
  for (int i = 0; i < 500; ++i)
    db.addWoofer({{"Model", "M" + std::to_string(i % 37)}, {"Company ID", i % 5 + 1}, {"Fs", 20.0 + i}});
  db.database().commit();
  db.close();
  EXPECT_EQ(qbm::test::problemsOf(dir_ / "qbaudio.mdb"), "");
  jet::Database read = openReadOnly(dir_ / "qbaudio.mdb");
  jet::Table t = read.table("woofers");
  t.setIndex("Model");
  ASSERT_TRUE(t.seek(Value("m36")));
  int sameModel = 0;
  for (; !t.eof() && t.get("Model") == Value("M36"); t.moveNext()) ++sameModel;
  EXPECT_EQ(sameModel, 13);  // i = 36, 73, ... 480
}

}  // namespace
