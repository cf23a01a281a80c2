// WriteDriver on purpose-made new databases: every field of a new row, a replacement in place, the
// dual-coil rule, the Acoustic flag and the response row, section links, and what happens to
// values and rows the database refuses.

#include "merge/driver_writer.h"

#include <gtest/gtest.h>

#include "common/date_text.h"
#include "merge/load_new_driver.h"
#include "merge/section_links.h"
#include "samples/driver_table_definitions.h"
#include "samples/row_values.h"
#include "tests/merge/merge_sides.h"
#include "tests/support/driver_compare.h"

namespace qbm {
namespace {

using test::MergeSides;
using test::NewRow;
using test::sampleDriver;

class WriteDriverTest : public ::testing::Test {
 protected:
  // Writes the driver as a new row of the company.
  std::optional<jet::Bookmark> add(WorkingDriver& d, DriverTable t, std::int32_t company) {
    return write(d, t, DriverPlacement{company, std::nullopt});
  }
  // Writes the driver over the row of that ID.
  std::optional<jet::Bookmark> replace(WorkingDriver& d, DriverTable t, std::int32_t id, std::int32_t company) {
    jet::Table& table = t == DriverTable::Woofers ? *sides.db().New.Woofers : *sides.db().New.Tweeters;
    table.setIndex(indexes::ID);
    EXPECT_TRUE(table.seek(jet::Value{id}));
    return write(d, t, DriverPlacement{company, MergeRow{id, table.bookmark()}});
  }
  std::optional<jet::Bookmark> write(WorkingDriver& d, DriverTable t, const DriverPlacement& where) {
    if (!lookups) lookups = std::make_unique<IndexedDriverMatcher>(sides.db(), sides.state().companyNames);
    NewDatabaseWriter writer(sides.db(), sides.state().companyNames, *lookups, problems);
    const std::optional<MergeRow> written = WriteDriver(t, d, where, writer, currentUserLocale());
    if (!written) return std::nullopt;
    (t == DriverTable::Woofers ? merge.MergeWooferRow : merge.MergeTweeterRow) = *written;
    return written->bookmark;
  }
  // The row of the ID, which must exist.
  NewRow row(DriverTable t, std::int32_t id) {
    std::optional<NewRow> r = t == DriverTable::Woofers ? sides.woofer(id) : sides.tweeter(id);
    EXPECT_TRUE(r) << "no row " << id;
    return r ? *r : NewRow{};
  }
  jet::Value rawField(DriverTable t, std::int32_t id, std::string_view field) {
    jet::Table& table = t == DriverTable::Woofers ? *sides.db().New.Woofers : *sides.db().New.Tweeters;
    table.setIndex(indexes::ID);
    EXPECT_TRUE(table.seek(jet::Value{id}));
    return table.get(field);
  }

  MergeSides sides;
  std::unique_ptr<IndexedDriverMatcher> lookups;
  struct {
    MergeRow MergeWooferRow, MergeTweeterRow;  // the last row written to each table
  } merge;
  WriteProblems problems;
};

TEST_F(WriteDriverTest, ANewRowHoldsEveryFieldOfTheRecordAndItsResponse) {
  const std::int32_t company = sides.newDb().addCompany({{"Company", "Maker"}});
  sides.open();
  for (DriverTable t : {DriverTable::Woofers, DriverTable::Tweeters}) {
    WorkingDriver d = sampleDriver(t == DriverTable::Woofers ? "W1" : "T1", 3);
    d.Model = "W1 - PARALLEL";  // only CurrentModel is written
    d.Date = formatDayMonthYear(CivilDate{2004, 3, 5}, currentUserLocale());
    d.Acoustic = YesNoFalse;  // as loaded; the response decides
    const std::optional<jet::Bookmark> saved = add(d, t, company);
    ASSERT_TRUE(saved);
    const MergeRow& written = t == DriverTable::Woofers ? merge.MergeWooferRow : merge.MergeTweeterRow;
    EXPECT_GT(written.id, 0);
    EXPECT_EQ(written.bookmark, saved);
    const NewRow r = row(t, written.id);
    WorkingDriver want = d;
    if (t == DriverTable::Tweeters) ClearWooferOnlyMembers(want);
    EXPECT_EQ(test::differences(want, r.driver, t), std::vector<std::string>{});
    EXPECT_TRUE(r.userEntry);
    EXPECT_EQ(r.companyId, company);
    EXPECT_TRUE(r.partner.isNull());  // Type 0: no links
    EXPECT_TRUE(r.mid.isNull());
    EXPECT_EQ(rawField(t, written.id, fields::Date), jet::Value{jet::DateTime{serialFromCivilDate({2004, 3, 5})}});
    EXPECT_EQ(d.Acoustic, YesNoTrue);  // recomputed in the record too
    const auto levels = t == DriverTable::Woofers ? sides.wooferResponse(written.id) : sides.tweeterResponse(written.id);
    ASSERT_TRUE(levels);
    EXPECT_EQ(*levels, std::vector<float>(d.Response.begin(), d.Response.end()));
  }
  EXPECT_TRUE(problems.empty()) << WriteProblemLines(problems, 10);
}

TEST_F(WriteDriverTest, EmptyTextsAndAnEmptyDateAreStoredAsNull) {
  const std::int32_t company = sides.newDb().addCompany({{"Company", "Maker"}});
  sides.open();
  WorkingDriver d = sampleDriver("W1");
  d.Date.clear();
  d.Comment.clear();
  d.PartNo[2].clear();
  add(d, DriverTable::Woofers, company);
  const std::int32_t id = merge.MergeWooferRow.id;
  EXPECT_TRUE(rawField(DriverTable::Woofers, id, fields::Date).isNull());
  EXPECT_TRUE(rawField(DriverTable::Woofers, id, fields::Comment).isNull());
  EXPECT_TRUE(rawField(DriverTable::Woofers, id, fields::PartNo[2]).isNull());
  EXPECT_EQ(rawField(DriverTable::Woofers, id, fields::Dist[2]), jet::Value{std::int32_t{3}});
}

TEST_F(WriteDriverTest, AReplacementEditsTheRowAndItsResponseInPlace) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  const std::int32_t other = b.addWooferRecord(sampleDriver("Other", 7), {{"Company ID", company}});
  b.addWooferResponse(other, test::flatResponse(7.0f));
  const std::int32_t id = b.addWooferRecord(sampleDriver("Old name", 1), {{"Company ID", company}});
  b.addWooferResponse(id, test::flatResponse(1.0f));
  sides.open();

  WorkingDriver d = sampleDriver("new name", 2);
  ASSERT_TRUE(replace(d, DriverTable::Woofers, id, company));
  EXPECT_EQ(merge.MergeWooferRow.id, id);
  EXPECT_EQ(test::countRows(*sides.db().New.Woofers), 2);
  const NewRow r = row(DriverTable::Woofers, id);
  EXPECT_EQ(test::differences(d, r.driver, DriverTable::Woofers), std::vector<std::string>{});
  EXPECT_EQ(test::countRows(*sides.db().New.WooferResponse), 2);
  EXPECT_EQ(*sides.wooferResponse(id), std::vector<float>(d.Response.begin(), d.Response.end()));
  EXPECT_EQ(*sides.wooferResponse(other), test::flatResponse(7.0f));
}

TEST_F(WriteDriverTest, ADualCoilReplacementKeepsStoredValuesItDoesNotGive) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  WorkingDriver stored = sampleDriver("D", 1);
  stored.Qesp = 0.7;
  stored.Rep = 3.5;
  const std::int32_t dual = b.addWooferRecord(stored, {{"Company ID", company}});
  const std::int32_t single = b.addWooferRecord(stored, {{"Company ID", company}});
  sides.open();

  WorkingDriver d = sampleDriver("D", 2);
  d.Dual = YesNoTrue;
  d.Qesp = 0;    // not given: the stored 0.7 stays
  d.Rep = 4.25;  // given: written
  d.Qes = 0;     // not given: the stored plain value stays too
  replace(d, DriverTable::Woofers, dual, company);
  NewRow r = row(DriverTable::Woofers, dual);
  EXPECT_EQ(r.driver.Qesp, 0.7);
  EXPECT_EQ(r.driver.Rep, 4.25);
  EXPECT_EQ(r.driver.Qes, stored.Qes);
  EXPECT_EQ(r.driver.Fs, d.Fs);  // not wiring-dependent: always written

  WorkingDriver s = d;
  s.Dual = YesNoFalse;  // a single-coil replacement writes its zeros
  replace(s, DriverTable::Woofers, single, company);
  r = row(DriverTable::Woofers, single);
  EXPECT_EQ(r.driver.Qesp, 0);
  EXPECT_EQ(r.driver.Qes, 0);

  WorkingDriver n = d;  // a dual-coil driver added as a new row writes its zeros too
  add(n, DriverTable::Woofers, company);
  r = row(DriverTable::Woofers, merge.MergeWooferRow.id);
  EXPECT_EQ(r.driver.Qesp, 0);
  EXPECT_EQ(r.driver.Rep, 4.25);
}

TEST_F(WriteDriverTest, TheResponseDecidesAcousticAndTheResponseRow) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  const std::int32_t a = b.addWooferRecord(sampleDriver("A", 1), {{"Company ID", company}});
  b.addWooferResponse(a, test::flatResponse(1.0f));
  const std::int32_t c = b.addWooferRecord(sampleDriver("C", 1), {{"Company ID", company}});
  b.addWooferResponse(c, test::flatResponse(2.0f));
  sides.open();

  WorkingDriver silent = sampleDriver("A", 2);
  silent.Response = {};
  silent.Acoustic = YesNoTrue;  // loaded with acoustic data, but every level is 0
  replace(silent, DriverTable::Woofers, a, company);
  EXPECT_EQ(row(DriverTable::Woofers, a).driver.Acoustic, YesNoFalse);
  EXPECT_FALSE(sides.wooferResponse(a));  // deleted

  silent.Acoustic = YesNoFalse;  // loaded without: the response row is left alone
  replace(silent, DriverTable::Woofers, c, company);
  EXPECT_EQ(row(DriverTable::Woofers, c).driver.Acoustic, YesNoFalse);
  EXPECT_EQ(*sides.wooferResponse(c), test::flatResponse(2.0f));

  WorkingDriver one = sampleDriver("E", 3);
  one.Response = {};
  one.Response[133] = -0.5f;  // one level is enough
  one.Acoustic = YesNoFalse;
  add(one, DriverTable::Woofers, company);
  EXPECT_EQ(row(DriverTable::Woofers, merge.MergeWooferRow.id).driver.Acoustic, YesNoTrue);
  ASSERT_TRUE(sides.wooferResponse(merge.MergeWooferRow.id));
  EXPECT_EQ(sides.wooferResponse(merge.MergeWooferRow.id)->back(), -0.5f);
}

TEST_F(WriteDriverTest, AResponseRowLeftUnderTheNewIdIsEditedNotAddedAgain) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  const std::int32_t first = b.addWooferRecord(sampleDriver("A", 1), {{"Company ID", company}});
  b.addWooferResponse(first + 1, test::flatResponse(9.0f));  // no driver has this ID yet
  sides.open();
  WorkingDriver d = sampleDriver("B", 2);
  add(d, DriverTable::Woofers, company);
  ASSERT_EQ(merge.MergeWooferRow.id, first + 1);
  EXPECT_EQ(test::countRows(*sides.db().New.WooferResponse), 1);
  EXPECT_EQ(*sides.wooferResponse(first + 1), std::vector<float>(d.Response.begin(), d.Response.end()));
}

TEST_F(WriteDriverTest, SectionsOfAThreeWayUnitLinkToTheRowsAlreadyThere) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  const std::int32_t other = b.addCompany({{"Company", "Another maker"}});
  const std::int32_t mf = b.addTweeter({{"Model", "Tri 12 - MF"}, {"Company ID", other}});
  const std::int32_t hf = b.addTweeter({{"Model", "TRI 12 - hf"}, {"Company ID", company}});
  const std::int32_t twoWayHf = b.addTweeter({{"Model", "Co 8 - HF"}, {"Company ID", company}});
  sides.open();

  WorkingDriver lf = sampleDriver("Tri 12 - lf");  // the suffix test ignores case
  lf.Type = 3;
  add(lf, DriverTable::Woofers, company);
  const std::int32_t lfId = merge.MergeWooferRow.id;
  NewRow r = row(DriverTable::Woofers, lfId);
  EXPECT_EQ(r.partner, jet::Value{hf});  // the company is not compared
  EXPECT_EQ(r.mid, jet::Value{mf});

  WorkingDriver mid = sampleDriver("Tri 12 - MF", 2);
  mid.Type = 3;
  replace(mid, DriverTable::Tweeters, mf, company);
  r = row(DriverTable::Tweeters, mf);
  EXPECT_EQ(r.partner, jet::Value{lfId});
  EXPECT_EQ(r.mid, jet::Value{hf});  // the midrange links to the high section

  WorkingDriver high = sampleDriver("Tri 12 - HF", 3);
  high.Type = 3;
  replace(high, DriverTable::Tweeters, hf, company);
  r = row(DriverTable::Tweeters, hf);
  EXPECT_EQ(r.partner, jet::Value{lfId});
  EXPECT_EQ(r.mid, jet::Value{mf});

  WorkingDriver coax = sampleDriver("Co 8");  // no suffix: its own base
  coax.Type = 1;
  add(coax, DriverTable::Woofers, company);
  r = row(DriverTable::Woofers, merge.MergeWooferRow.id);
  EXPECT_EQ(r.partner, jet::Value{twoWayHf});
  EXPECT_TRUE(r.mid.isNull());

  WorkingDriver plain = sampleDriver("Co 8");  // Type 0: no links even when sections exist
  add(plain, DriverTable::Woofers, company);
  r = row(DriverTable::Woofers, merge.MergeWooferRow.id);
  EXPECT_TRUE(r.partner.isNull());
  EXPECT_TRUE(r.mid.isNull());

  WorkingDriver early = sampleDriver("Solo 5 - LF");  // its tweeter comes later: stays Null
  early.Type = 2;
  add(early, DriverTable::Woofers, company);
  const std::int32_t earlyId = merge.MergeWooferRow.id;
  WorkingDriver late = sampleDriver("Solo 5 - HF");
  late.Type = 2;
  add(late, DriverTable::Tweeters, company);
  EXPECT_TRUE(row(DriverTable::Woofers, earlyId).partner.isNull());
  EXPECT_EQ(row(DriverTable::Tweeters, merge.MergeTweeterRow.id).partner, jet::Value{earlyId});
  EXPECT_TRUE(problems.empty()) << WriteProblemLines(problems, 10);
}

// Only a model longer than 5 characters has a section suffix: 4 and 5 characters are their own
// base, 6 split. Counting bytes instead of characters would be equivalent here: a model that ends
// in a suffix and has 5 characters is the suffix, all ASCII.
TEST(SplitSectionName, ASuffixNeedsAtLeastOneCharacterBeforeIt) {
  const struct {
    const char* model;
    const char* base;
    const char* suffix;
  } cases[] = {{"- LF", "- LF", ""}, {" - lf", " - lf", ""}, {"B - lf", "B", " - LF"}};
  for (const auto& c : cases) {
    const SectionName name = SplitSectionName(c.model);
    EXPECT_EQ(name.base, c.base) << c.model;
    EXPECT_EQ(name.suffix, c.suffix) << c.model;
  }
}

TEST_F(WriteDriverTest, AnUnknownTypeLeavesTheStoredLinksAlone) {
  auto& b = sides.newDb();
  const std::int32_t company = b.addCompany({{"Company", "Maker"}});
  const std::int32_t id = b.addWoofer({{"Model", "X"}, {"Company ID", company}, {"Tweeter ID", 77}, {"Mid ID", 78}});
  sides.open();
  WorkingDriver d = sampleDriver("X");
  d.Type = 5;
  replace(d, DriverTable::Woofers, id, company);
  const NewRow r = row(DriverTable::Woofers, id);
  EXPECT_EQ(r.partner, jet::Value{std::int32_t{77}});
  EXPECT_EQ(r.mid, jet::Value{std::int32_t{78}});
}

// A new database in the driver layout with changes to the woofers table.
template <class Change>
void createNewDatabase(const std::filesystem::path& path, Change change) {
  jet::Database db = jet::Database::create(path);
  for (jet::TableDefinition t : samples::driverDatabaseTableDefinitions()) {
    if (t.name == tables::Woofers) change(t);
    db.createTable(t);
  }
}

TEST_F(WriteDriverTest, RefusedValuesAndMissingFieldsAreReportedAndTheRowStillSaved) {
  createNewDatabase(sides.newPath(), [](jet::TableDefinition& t) {
    std::erase_if(t.columns, [](const jet::ColumnDefinition& c) { return c.name == "Xmech"; });
    for (jet::ColumnDefinition& c : t.columns)
      if (c.name == "Serial No") c.size = 3;
  });
  {
    jet::Database db = jet::Database::open(sides.newPath());
    jet::Table companies = db.table(tables::Companies);
    samples::addRow(companies, {{"Company", "Maker"}}, fields::ID);
  }
  sides.open();
  WorkingDriver d = sampleDriver("W", 1);
  d.company.Company = "Maker";
  d.SerialNo = "ABCDEF";
  ASSERT_TRUE(add(d, DriverTable::Woofers, 1));
  const NewRow r = row(DriverTable::Woofers, merge.MergeWooferRow.id);
  EXPECT_EQ(r.driver.SerialNo, "");  // refused: left Null
  EXPECT_EQ(r.driver.Fs, d.Fs);      // the other fields are written
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems.all()[0].driver, "[Maker]  W  (ob)");
  EXPECT_TRUE(problems.all()[0].what.starts_with("\"Serial No\" not written: ")) << problems.all()[0].what;
  EXPECT_TRUE(problems.all()[1].what.starts_with("\"Xmech\" not written: ")) << problems.all()[1].what;
  EXPECT_TRUE(sides.wooferResponse(merge.MergeWooferRow.id));
}

TEST_F(WriteDriverTest, ANewRowThatCannotBeSavedTouchesNoOtherDriversResponse) {
  // "Serial No" unique: a new driver with the serial number of a stored one cannot be saved.
  createNewDatabase(sides.newPath(), [](jet::TableDefinition& t) {
    t.indexes.push_back({"Serial", {{"Serial No"}}, false, true});
  });
  std::int32_t stored = 0;
  {
    jet::Database db = jet::Database::open(sides.newPath());
    jet::Table companies = db.table(tables::Companies), woofers = db.table(tables::Woofers),
               responses = db.table(tables::WooferResponse);
    samples::addRow(companies, {{"Company", "Maker"}}, fields::ID);
    stored = samples::addRow(woofers, {{"Model", "S"}, {"Company ID", 1}, {"Serial No", "SN1"}}, fields::ID);
    samples::addRow(responses, samples::responseRowOf(stored, test::flatResponse(1.0f), false), fields::DriverID);
  }
  sides.open();
  WorkingDriver same = sampleDriver("S", 4);  // replaces the stored row (and its response)
  same.SerialNo = "SN1";
  ASSERT_TRUE(replace(same, DriverTable::Woofers, stored, 1));
  const std::vector<float> sameLevels(same.Response.begin(), same.Response.end());
  EXPECT_EQ(*sides.wooferResponse(stored), sameLevels);

  WorkingDriver clash = sampleDriver("New one", 5);
  clash.SerialNo = "sn1";
  EXPECT_FALSE(add(clash, DriverTable::Woofers, 1));
  EXPECT_EQ(test::countRows(*sides.db().New.Woofers), 1);
  EXPECT_EQ(test::countRows(*sides.db().New.WooferResponse), 1);
  EXPECT_EQ(*sides.wooferResponse(stored), sameLevels);  // not the unsaved driver's levels
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(problems.all()[0].what.starts_with("the row was not saved: ")) << problems.all()[0].what;
  EXPECT_FALSE(sides.db().New.Woofers->editing());
}

}  // namespace
}  // namespace qbm
