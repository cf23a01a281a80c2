// The sample databases: the same options give byte-identical files; every file passes the
// integrity check and mdbtools reads every table as the engine does; the new database holds the
// planned rows with consistent parameters, working section links and references; the old ones are
// what their plans say.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "db/code_tables.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "jet/check.h"
#include "jet/text/clock.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "db/company_short_names.h"
#include "samples/legacy_database_plan.h"
#include "samples/new_database_plan.h"
#include "samples/previous_database_plan.h"
#include "samples/sample_databases.h"
#include "tests/interop/csv_compare.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace qbm::samples;
using jet::Value;

std::vector<std::uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

jet::Database openRead(const fs::path& path) {
  return jet::Database::open(path, {.exclusive = false, .readOnly = true});
}

using qbm::test::quoted;

double number(const jet::Table& t, std::string_view field) { return t.get(field).toDouble(); }

bool near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance * std::fabs(b); }

class SampleDatabases : public testing::Test {
 protected:
  fs::path write(const std::string& name, int drivers, std::uint64_t seed, jet::Format format = jet::Format::Jet4) {
    const fs::path dir = dir_ / name;
    writeSampleDatabases(dir, {.drivers = drivers, .seed = seed, .format = format});
    return dir;
  }
  qbm::test::ScratchDir dir_;
};

TEST_F(SampleDatabases, SameOptionsGiveIdenticalFilesAndAnotherSeedOrFormatOthers) {
  for (const jet::Format format : {jet::Format::Jet4, jet::Format::Jet3}) {
    const std::string f = format == jet::Format::Jet4 ? "4" : "3";
    const fs::path a = write("a" + f, 120, 7, format), b = write("b" + f, 120, 7, format),
                   c = write("c" + f, 120, 8, format);
    for (std::string_view file : {NewSampleFile, PreviousSampleFile, LegacySampleFile}) {
      SCOPED_TRACE(std::string(file) + " Jet " + f);
      const std::vector<std::uint8_t> first = readBytes(a / file);
      EXPECT_GT(first.size(), 4096u);
      EXPECT_TRUE(first == readBytes(b / file)) << "differs between two runs with the same options";
      EXPECT_FALSE(first == readBytes(c / file)) << "the same under another seed";
    }
  }
}

// Access 97 files hold what the Access 2000 ones of the same options hold, read back table by
// table; both are of their format, with the General sort order, the Jet 3 text in code page 1252.
TEST_F(SampleDatabases, Jet3FilesHoldTheContentsOfTheJet4Ones) {
  const fs::path jet4 = write("jet4", 300, 5), jet3 = write("jet3", 300, 5, jet::Format::Jet3);
  for (std::string_view name : {NewSampleFile, PreviousSampleFile, LegacySampleFile}) {
    SCOPED_TRACE(std::string(name));
    std::string tables[2];
    for (const fs::path& dir : {jet4, jet3}) {
      jet::Database db = openRead(dir / name);
      tables[dir == jet3] = qbm::test::tablesReadBack(db);
      EXPECT_EQ(db.format(), dir == jet3 ? jet::Format::Jet3 : jet::Format::Jet4);
      EXPECT_EQ(db.sortOrder(), 1033u);  // General
      if (dir == jet3) {
        EXPECT_EQ(db.codePage(), 1252);
      }
    }
    EXPECT_GT(tables[0].size(), 1000u);
    EXPECT_TRUE(tables[1] == tables[0]) << qbm::test::firstDifferentLine(tables[1], tables[0]);
  }
}

TEST_F(SampleDatabases, EveryFileIsSoundAndMdbtoolsReadsItAsTheEngineDoes) {
  const bool mdbtools = qbm::test::haveProgram("mdb-export");
  for (const auto& [drivers, format] : {std::pair{0, jet::Format::Jet4}, std::pair{1, jet::Format::Jet4},
                                        std::pair{7, jet::Format::Jet4}, std::pair{300, jet::Format::Jet4},
                                        std::pair{0, jet::Format::Jet3}, std::pair{300, jet::Format::Jet3}}) {
    const fs::path dir = write("n" + std::to_string(drivers) + (format == jet::Format::Jet3 ? "-jet3" : ""), drivers, 3,
                               format);
    for (std::string_view name : {NewSampleFile, PreviousSampleFile, LegacySampleFile}) {
      const fs::path file = dir / name;
      SCOPED_TRACE(file.string());
      EXPECT_EQ(qbm::test::problemsOf(file), "");
      if (!mdbtools) continue;
      jet::Database db = openRead(file);
      for (const std::string& table : db.tableNames()) {
        std::string theirs;
        ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(file.string()) + " " + quoted(table), &theirs))
            << table;
        std::ostringstream ours;
        jet::dumpCsv(db, table, ours);
        EXPECT_EQ(qbm::test::rowsMissingFrom(theirs, ours.str(), db.table(table).columns()),
                  std::vector<std::string>{})
            << table;
      }
    }
  }
  if (!mdbtools) GTEST_SKIP() << "mdb-export (mdbtools) is not installed; only the integrity check ran";
}

TEST_F(SampleDatabases, RefusesToWriteOverAndLeavesNoPartialFile) {
  const fs::path dir = write("once", 5, 1);
  const std::vector<std::uint8_t> before = readBytes(dir / NewSampleFile);
  fs::remove(dir / PreviousSampleFile);
  EXPECT_THROW(writeSampleDatabases(dir, {.drivers = 5, .seed = 2}), std::runtime_error);
  EXPECT_TRUE(before == readBytes(dir / NewSampleFile));
  EXPECT_FALSE(fs::exists(dir / PreviousSampleFile));
  EXPECT_THROW(writeSampleDatabases(dir_ / "bad", {.drivers = -1}), std::invalid_argument);
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().extension(), ".mdb") << entry.path();
}

// Rows, companies, links, distributors and responses of the new database are those planned and
// refer to rows that exist.
TEST_F(SampleDatabases, NewDatabaseHoldsThePlannedRowsWithWorkingReferences) {
  const int drivers = 400;
  const NewDatabasePlan plan = planNewDatabase(5, drivers);
  jet::Database db = openRead(write("new", drivers, 5) / NewSampleFile);
  jet::Table woofers = db.table("woofers"), tweeters = db.table("tweeters"), companies = db.table("companies");
  EXPECT_EQ(woofers.rowCount() + tweeters.rowCount(), drivers);
  EXPECT_EQ(woofers.rowCount(), plan.wooferRows);
  ASSERT_EQ(companies.rowCount(), static_cast<std::int64_t>(plan.companies.size()));
  EXPECT_LE(companies.rowCount(), 900);

  std::map<std::int32_t, std::string> companyNames;  // "" for the unnamed company
  for (companies.moveFirst(); !companies.eof(); companies.moveNext())
    companyNames[companies.get("ID").as<std::int32_t>()] = companies.get("Company").isNull() ? "" : companies.get("Company").as<std::string>();
  int known = 0;
  for (const auto& [id, name] : companyNames) known += qbm::ShortCompanyName(name) != name;
  EXPECT_EQ(known, 86) << "every maker of the short-name table is there, named as the table names it";

  std::map<std::int32_t, std::string> tweeterModels, wooferModels;
  for (tweeters.moveFirst(); !tweeters.eof(); tweeters.moveNext())
    tweeterModels[tweeters.get("ID").as<std::int32_t>()] = tweeters.get("Model").as<std::string>();
  int sections = 0, withDistributors = 0, acoustic = 0;
  for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) {
    const std::string model = woofers.get("Model").as<std::string>();
    wooferModels[woofers.get("ID").as<std::int32_t>()] = model;
    EXPECT_TRUE(companyNames.count(woofers.get("Company ID").as<std::int32_t>())) << model;
    for (std::string_view dist : qbm::fields::Dist)
      if (!woofers.get(dist).isNull()) {
        EXPECT_TRUE(companyNames.count(woofers.get(dist).as<std::int32_t>())) << model;
        ++withDistributors;
      }
    acoustic += woofers.get("Acoustic") == Value(true);
    if (!model.ends_with(" - LF")) {
      EXPECT_TRUE(woofers.get("Tweeter ID").isNull() && woofers.get("Mid ID").isNull()) << model;
      continue;
    }
    ++sections;
    const std::string base = model.substr(0, model.size() - 5);
    EXPECT_EQ(tweeterModels[woofers.get("Tweeter ID").as<std::int32_t>()], base + " - HF");
    const std::int16_t type = woofers.get("Type").as<std::int16_t>();
    if (type == 3) {
      EXPECT_EQ(tweeterModels[woofers.get("Mid ID").as<std::int32_t>()], base + " - MF");
    } else {
      EXPECT_TRUE(type == 1 || type == 2) << model;
    }
  }
  EXPECT_GT(sections, 0);
  EXPECT_GT(withDistributors, 0);
  for (tweeters.moveFirst(); !tweeters.eof(); tweeters.moveNext()) {
    const std::string model = tweeters.get("Model").as<std::string>();
    if (!model.ends_with(" - HF") && !model.ends_with(" - MF")) continue;
    EXPECT_EQ(wooferModels[tweeters.get("Woofer ID").as<std::int32_t>()], model.substr(0, model.size() - 5) + " - LF");
  }

  // A response row for exactly the drivers flagged Acoustic, each under its driver's ID.
  jet::Table response = db.table("woofer-response");
  EXPECT_EQ(response.rowCount(), acoustic);
  for (response.moveFirst(); !response.eof(); response.moveNext())
    EXPECT_TRUE(wooferModels.count(response.get("Driver ID").as<std::int32_t>()));
}

// The parameters of every woofer agree with each other as the Thiele/Small relations say.
TEST_F(SampleDatabases, WooferParametersAreConsistent) {
  jet::Database db = openRead(write("params", 300, 11) / NewSampleFile);
  jet::Table w = db.table("woofers");
  int checked = 0;
  for (w.moveFirst(); !w.eof(); w.moveNext()) {
    const double fs = number(w, "Fs"), mms = number(w, "Mms"), cms = number(w, "Cms"), vas = number(w, "Vas");
    const double sd = number(w, "Sd"), qes = number(w, "Qes"), qms = number(w, "Qms"), re = number(w, "Re");
    if (fs <= 0) continue;
    SCOPED_TRACE(w.get("Model").toString());
    const double twoPiFs = 2 * 3.141592653589793 * fs;
    EXPECT_TRUE(near(cms, 1 / (twoPiFs * twoPiFs * mms), 0.02)) << "Cms " << cms;
    EXPECT_TRUE(near(vas, 1.184 * 346.1 * 346.1 * sd * sd * cms, 0.02)) << "Vas " << vas;
    EXPECT_TRUE(near(number(w, "Qts"), qes * qms / (qes + qms), 0.02));
    EXPECT_TRUE(near(std::pow(number(w, "BL"), 2), twoPiFs * mms * re / qes, 0.02));
    EXPECT_TRUE(near(number(w, "Rms"), twoPiFs * mms / qms, 0.02));
    EXPECT_GT(number(w, "SPL1"), 75);
    EXPECT_LT(number(w, "SPL1"), 105);
    EXPECT_LT(re, number(w, "Z"));
    EXPECT_GT(number(w, "Xmech"), number(w, "Xlin"));
    if (w.get("Dual") == Value(true)) {
      EXPECT_TRUE(near(number(w, "Res"), 4 * number(w, "Rep"), 0.02));
      EXPECT_TRUE(near(number(w, "BLs"), 2 * number(w, "BLp"), 0.02));
    }
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

// Every code is one the code tables name; dates fall in the catalogue's years; some notes fill
// pages of their own, some rows hold Nulls where real rows do.
TEST_F(SampleDatabases, CodesDatesAndTextsAreThoseOfRealRows) {
  jet::Database db = openRead(write("codes", 1500, 12) / NewSampleFile);
  for (qbm::DriverTable kind : {qbm::DriverTable::Woofers, qbm::DriverTable::Tweeters}) {
    jet::Table t = db.table(kind == qbm::DriverTable::Woofers ? "woofers" : "tweeters");
    std::size_t longestNotes = 0;
    int nullDates = 0, nullSerials = 0;
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
      SCOPED_TRACE(t.get("Model").toString());
      auto code = [&](std::string_view field) { return t.get(field).as<std::int16_t>(); };
      EXPECT_FALSE(qbm::AvailableText(code("Available")).empty());
      EXPECT_FALSE(qbm::TypeText(code("Type")).empty());
      EXPECT_FALSE(qbm::ShapeText(code("Shape"), kind).empty());
      EXPECT_FALSE(qbm::PistonTypeText(code("Piston Type"), kind).empty());
      const Value date = t.get("Date");
      if (date.isNull()) {
        ++nullDates;
      } else {
        EXPECT_GE(date.as<jet::DateTime>().days, jet::toDateTime(1996, 1, 1, 0, 0, 0).days);
        EXPECT_LE(date.as<jet::DateTime>().days, jet::toDateTime(2004, 12, 31, 0, 0, 0).days);
      }
      nullSerials += t.get("Serial No").isNull();
      if (!t.get("Notes").isNull()) longestNotes = std::max(longestNotes, t.get("Notes").as<std::string>().size());
    }
    EXPECT_GT(longestNotes, 4096u) << "no notes longer than a page";
    EXPECT_GT(nullDates, 0);
    EXPECT_GT(nullSerials, 0);
  }
}

// The previous-format database: the planned rows, every Company ID naming the company the new
// database has for the same driver, and the user-entered rows as the plan says.
TEST_F(SampleDatabases, PreviousDatabaseIsAnOlderStateOfTheNewOne) {
  const int drivers = 400;
  const NewDatabasePlan plan = planNewDatabase(9, drivers);
  const PreviousDatabasePlan old = planPreviousDatabase(plan);
  const fs::path dir = write("old", drivers, 9);
  jet::Database db = openRead(dir / PreviousSampleFile);
  jet::Table woofers = db.table("woofers");
  EXPECT_EQ(woofers.rowCount(), old.wooferRows);
  EXPECT_EQ(db.table("tweeters").rowCount(), old.tweeterRows);
  std::map<OldEntry, int> entries;
  for (const OldUnit& u : old.units) ++entries[u.entry];
  for (OldEntry e : {OldEntry::Older, OldEntry::SameAsNew, OldEntry::ChangedByUser, OldEntry::AddedByUser})
    EXPECT_GT(entries[e], 0) << static_cast<int>(e);

  std::map<std::int32_t, std::string> oldNames;
  jet::Table companies = db.table("companies");
  for (companies.moveFirst(); !companies.eof(); companies.moveNext())
    oldNames[companies.get("ID").as<std::int32_t>()] = companies.get("Company").toString();
  woofers.setIndex("ID");
  for (const OldUnit& u : old.units) {
    if (u.entry == OldEntry::AddedByUser || u.unit.wooferId == 0) continue;
    ASSERT_TRUE(woofers.seek(Value(u.unit.wooferId)));
    const std::int32_t newCompany = plan.units[u.index].companyId;
    const auto& newName = plan.companies[static_cast<std::size_t>(newCompany - 1)].name;
    EXPECT_EQ(oldNames[woofers.get("Company ID").as<std::int32_t>()], newName ? *newName : "");
    EXPECT_EQ(woofers.get("User Entry"), Value(u.entry != OldEntry::Older));
    const SampleRow fresh = sampleRow(plan, u.index, sectionsOf(u.unit).front());
    if (u.entry == OldEntry::SameAsNew) {
      EXPECT_EQ(number(woofers, "Fs"), fresh.driver.Fs);
    } else if (u.entry == OldEntry::ChangedByUser) {
      EXPECT_EQ(woofers.get("Comment"), Value("User measurement"));
    }
  }
}

// Legacy rows: the rule cases are all there, rows keep the older units, unusable rows are there.
TEST_F(SampleDatabases, LegacyDatabaseCoversEveryMatchingRule) {
  const int drivers = 500;
  const NewDatabasePlan plan = planNewDatabase(4, drivers);
  const std::vector<LegacyRowPlan> rows = planLegacyDatabase(plan);
  std::set<LegacyCase> cases;
  for (const LegacyRowPlan& r : rows) cases.insert(r.rule);
  EXPECT_EQ(cases.size(), 11u) << "a legacy rule has no sample row";

  jet::Database db = openRead(write("legacy", drivers, 4) / LegacySampleFile);
  jet::Table t = db.table(qbm::legacy::Table);
  ASSERT_EQ(t.rowCount(), static_cast<std::int64_t>(rows.size()));
  std::size_t i = 0;
  int zeroOrLess = 0;
  for (t.moveFirst(); !t.eof(); t.moveNext(), ++i) {
    const LegacyRowPlan& planned = rows[i];
    EXPECT_EQ(t.get("Model"), planned.model ? Value(*planned.model) : Value(jet::Null{})) << i;
    zeroOrLess += t.get("Index").as<std::int32_t>() <= 0;
    if (planned.newUnit < 0 || t.get("Vas").isNull()) continue;
    // Litres, not cubic metres; centimetres, not metres.
    const SampleRow fresh = sampleRow(plan, static_cast<std::size_t>(planned.newUnit), planned.section);
    EXPECT_TRUE(near(number(t, "Vas"), fresh.driver.Vas * 1000, 0.06)) << *planned.model;
    EXPECT_TRUE(near(number(t, "Dia"), fresh.driver.PDia * 100, 0.001)) << *planned.model;
  }
  EXPECT_EQ(zeroOrLess, 2);
}

// Run once by hand with a large number (QBM_SAMPLE_DRIVERS=100000) to see that big files are sound;
// the time it takes is recorded in docs/benchmarks.md, not checked here.
TEST_F(SampleDatabases, LargeSamplesAreSound) {
  const char* drivers = std::getenv("QBM_SAMPLE_DRIVERS");
  if (!drivers) GTEST_SKIP() << "set QBM_SAMPLE_DRIVERS to write and check samples of that size";
  const fs::path dir = write("large", std::atoi(drivers), 1);
  for (std::string_view name : {NewSampleFile, PreviousSampleFile, LegacySampleFile}) {
    const fs::path file = dir / name;
    EXPECT_EQ(qbm::test::problemsOf(file), "") << name;
    if (!qbm::test::haveProgram("mdb-export")) continue;
    jet::Database db = openRead(file);
    for (const std::string& table : db.tableNames()) {
      std::string theirs;
      ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(file.string()) + " " + quoted(table), &theirs));
      EXPECT_EQ(static_cast<std::int64_t>(qbm::test::parseCsv(theirs).size()) - 1, db.table(table).rowCount())
          << name << " " << table;
    }
  }
}

}  // namespace
