// The merge walk on purpose-made databases: the company match, the model match, the overwrite
// question, companies added once, drivers whose company or old row is missing, and a merge that
// adds more woofers than the 901 slots the rules once had.

#include "merge/apply_merge_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "db/driver_fields.h"
#include "merge/overwrite_question.h"
#include "samples/driver_table_definitions.h"
#include "tests/merge/merge_sides.h"

namespace qbm {
namespace {

using test::MergeSides;
using test::NewRow;
using test::tweeterEntry;
using test::wooferEntry;

// A previous-format old woofer or tweeter of the company, listed as user entry.
samples::RowValues oldDriver(const std::string& model, std::int32_t company) {
  return {{"Model", model}, {"Company ID", company}, {"User Entry", true}, {"Fs", 25.0}};
}

class DriverMergeTest : public ::testing::Test {
 protected:
  MergeSides sides;
};

TEST_F(DriverMergeTest, OfTheCompaniesTheOldNameBeginsTheHighestHoldingTheModelIsTaken) {
  auto& n = sides.newDb();
  n.addCompany({{"ID", 3}, {"Company", "Peerless Fabrikkerne, Ltd."}});
  n.addCompany({{"ID", 9}, {"Company", "PEERLESS audio"}});
  n.addCompany({{"ID", 12}, {"Company", "Peer"}});  // shorter than the old name: no match
  const std::int32_t held = n.addWoofer({{"Model", "X2"}, {"Company ID", 3}});
  n.addWoofer({{"Model", "X2"}, {"Company ID", 12}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "peerless"}});
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(oldDriver("X1", c))),
                                          wooferEntry(o.addWoofer(oldDriver("x-2", c)))};
  sides.open();
  sides.ui.answers.push_back(true);
  const MergeSummary s = sides.merge(entries);
  EXPECT_EQ(s.companiesAdded, 0);
  ASSERT_EQ(sides.withModel(DriverTable::Woofers, "X1").size(), 1u);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "X1").front().companyId, 9);  // none holds it
  EXPECT_EQ(s.woofers.replaced, 1);
  EXPECT_EQ(sides.woofer(held)->driver.Model, "x-2");
}

TEST_F(DriverMergeTest, AMissingCompanyIsAddedOnceForAllItsDrivers) {
  sides.newDb().addCompany({{"Company", "Other"}});
  auto& o = sides.oldDb();
  // Every field the copy writes holds its own value: each text, the type, a first and a last link.
  samples::RowValues company{{"Type", 2}, {"CompanyLink2", 1}, {"CompanyLink7", 3}};
  for (const auto& f : CompanyTextFields)
    company.add(f.field, f.field == fields::Company ? "Newco Audio" : std::string(f.field) + "!");
  const std::int32_t c = o.addCompany(company);
  const std::int32_t a = o.addWoofer(oldDriver("A", c));
  const std::int32_t b = o.addTweeter(oldDriver("B", c));
  sides.open();
  const MergeSummary s = sides.merge({wooferEntry(a), tweeterEntry(b)});
  EXPECT_EQ(s.companiesAdded, 1);
  const std::int32_t added = sides.withModel(DriverTable::Woofers, "A").front().companyId;
  EXPECT_EQ(sides.withModel(DriverTable::Tweeters, "B").front().companyId, added);
  jet::Table& companies = *sides.db().New.Companies;
  companies.setIndex(indexes::ID);
  ASSERT_TRUE(companies.seek(jet::Value{added}));
  for (const auto& [field, value] : company.values())
    EXPECT_EQ(companies.get(field).toString(), value.toString()) << field;
  EXPECT_EQ(companies.get("User Entry"), jet::Value{true});
  EXPECT_TRUE(companies.get("CompanyLink1").isNull());  // a link of 0 is stored as Null
  EXPECT_EQ(sides.state().companyNames.NewCompanyFull[added], "Newco Audio");
  EXPECT_EQ(sides.state().companyNames.NewCompanyShort[added], "Newco Audio");
}

// Company IDs on both sides of 900 (the tables once had 900 slots, so every driver of a company
// above it copied the company again, merge after merge).
TEST_F(DriverMergeTest, CompaniesAboveNineHundredAreFoundAndAnAddedOneIsFoundAgain) {
  auto& n = sides.newDb();
  n.addCompany({{"ID", 900}, {"Company", "Last Slot"}});
  n.addCompany({{"ID", 901}, {"Company", "First Past"}});
  n.addCompany({{"ID", 5000}, {"Company", "Far away"}});
  const std::int32_t held = n.addWoofer({{"Model", "F"}, {"Company ID", 5000}});
  auto& o = sides.oldDb();
  std::vector<ListEntry> entries;
  for (const auto& [company, model] : {std::pair{"Last Slot", "L"}, std::pair{"First Past", "P"},
                                       std::pair{"Far away", "F"}, std::pair{"Newco", "N"}})
    entries.push_back(wooferEntry(o.addWoofer(oldDriver(model, o.addCompany({{"Company", company}})))));
  sides.open();
  sides.ui.answers.push_back(true);
  const MergeSummary first = sides.merge(entries);
  EXPECT_EQ(first.companiesAdded, 1);
  EXPECT_EQ(first.woofers.added, 3);
  EXPECT_EQ(first.woofers.replaced, 1);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "L").front().companyId, 900);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "P").front().companyId, 901);
  EXPECT_EQ(sides.woofer(held)->driver.CompanyID, 5000);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "N").front().companyId, 5001);
  EXPECT_EQ(sides.state().companyNames.NewCompanyFull[5001], "Newco");

  sides.ui.answers.push_back(true);
  const MergeSummary second = sides.merge(entries);
  EXPECT_EQ(second.companiesAdded, 0);
  EXPECT_EQ(second.woofers.added, 0);
  EXPECT_EQ(second.woofers.replaced, 4);
  EXPECT_EQ(sides.woofers().size(), 4u);
}

TEST_F(DriverMergeTest, ANamelessMakerNamesTheNewCompaniesWithoutAName) {
  auto& n = sides.newDb();
  n.addCompany({{"ID", 1}, {"Company", "Alpha"}});
  n.addCompany({{"ID", 4}});                     // Null name
  n.addCompany({{"ID", 6}, {"Company", ""}});
  n.addCompany({{"ID", 900}, {"Company", "Zed"}});
  const std::int32_t held = n.addWoofer({{"Model", "C"}, {"Company ID", 4}});
  auto& o = sides.oldDb();
  const std::int32_t alpha = o.addCompany({{"Company", "Alpha"}});
  const std::int32_t nameless = o.addCompany({{"City", "Nowhere"}});
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(oldDriver("A", alpha))),
                                          wooferEntry(o.addWoofer(oldDriver("B", 77))),  // no row 77
                                          wooferEntry(o.addWoofer(oldDriver("C", nameless)))};
  sides.open();
  sides.ui.answers.push_back(true);
  const MergeSummary s = sides.merge(entries);
  EXPECT_EQ(s.companiesAdded, 0);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "A").front().companyId, 1);  // not inherited
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "B").front().companyId, 6);  // the highest
  EXPECT_EQ(s.woofers.replaced, 1);  // C, in the nameless company that holds it
  EXPECT_EQ(sides.woofer(held)->companyId, 4);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "C").size(), 1u);
}

TEST_F(DriverMergeTest, ANamelessMakerIsCopiedOnceAndFoundByEveryLaterDriverAndMerge) {
  sides.newDb().addCompany({{"ID", 5}, {"Company", "Zed"}});
  auto& o = sides.oldDb();
  const std::int32_t first = o.addCompany({{"City", "Here"}});
  const std::int32_t second = o.addCompany({{"Company", ""}, {"City", "There"}});
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(oldDriver("B", 77))),
                                          tweeterEntry(o.addTweeter(oldDriver("C", first))),
                                          wooferEntry(o.addWoofer(oldDriver("D", second)))};
  sides.open();
  const MergeSummary s = sides.merge(entries);
  EXPECT_EQ(s.companiesAdded, 1);
  EXPECT_EQ(s.woofers.added + s.tweeters.added, 3);
  const std::int32_t copy = sides.withModel(DriverTable::Woofers, "B").front().companyId;
  EXPECT_EQ(copy, 6);
  EXPECT_EQ(test::readCompanyName(*sides.db().New.Companies, copy), "");
  EXPECT_EQ(sides.withModel(DriverTable::Tweeters, "C").front().companyId, copy);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "D").front().companyId, copy);

  sides.ui.answers.push_back(true);
  const MergeSummary again = sides.merge(entries);
  EXPECT_EQ(again.companiesAdded, 0);
  EXPECT_EQ(again.woofers.added + again.tweeters.added, 0);
  EXPECT_EQ(again.woofers.replaced + again.tweeters.replaced, 3);
}

TEST_F(DriverMergeTest, ModelsMatchIgnoringCaseAndSeparatorsButOnlyInFull) {
  auto& n = sides.newDb();
  const std::int32_t nc = n.addCompany({{"Company", "Maker"}});
  const std::int32_t stored = n.addWoofer({{"Model", "CW-100 8"}, {"Company ID", nc}});
  const std::int32_t section = n.addWoofer({{"Model", "Duo 10 - LF"}, {"Company ID", nc}});
  const std::int32_t own = n.addWoofer({{"Model", "Trio 12 - LF"}, {"Company ID", nc}});
  n.addWoofer({{"Model", "Nomodel"}, {"Company ID", 0}});  // no company: never matched
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "maker"}});
  const std::vector<std::int32_t> ids = {
      o.addWoofer(oldDriver("cw=100/8", c)),      // matches CW-100 8
      o.addWoofer(oldDriver("CW100", c)),         // a beginning only: added
      o.addWoofer(oldDriver("CW1008X", c)),       // longer: added
      o.addWoofer(oldDriver("duo 10", c)),        // matches the low section without its suffix
      o.addWoofer(oldDriver("trio 12 - LF", c)),  // matches its own section whole
      o.addWoofer(oldDriver("Trio 12 - HF", c)),  // another section: added
  };
  sides.open();
  std::vector<ListEntry> entries;
  for (std::int32_t id : ids) entries.push_back(wooferEntry(id));
  sides.ui.answers.push_back(true);
  const MergeSummary s = sides.merge(entries);
  EXPECT_EQ(s.woofers.replaced, 3);
  EXPECT_EQ(s.woofers.added, 3);
  EXPECT_EQ(sides.woofer(stored)->driver.Model, "cw=100/8");  // replaced in place
  EXPECT_EQ(sides.woofer(section)->driver.Model, "duo 10");
  EXPECT_EQ(sides.woofer(own)->driver.Model, "trio 12 - LF");
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "Trio 12 - HF").size(), 1u);
}

TEST_F(DriverMergeTest, NumbersArriveAsStoredAndNarrowOnceIntoASingleField) {
  {  // A new database whose "Fs" and "Qts" are Single and whose levels are Double.
    jet::Database db = jet::Database::create(sides.newPath());
    for (jet::TableDefinition t : samples::driverDatabaseTableDefinitions()) {
      for (jet::ColumnDefinition& c : t.columns)
        if (c.name == "Fs" || c.name == "Qts")
          c.type = jet::ColumnType::Single;
        else if (c.type == jet::ColumnType::Single)
          c.type = jet::ColumnType::Double;
      db.createTable(t);
    }
  }
  auto& o = sides.oldDb();
  // Just above half-way between 1 and the next single: nearest is that next single (rounding
  // through 7 digits of text would give 1).
  const double aboveHalf = std::nextafter(1.0 + std::ldexp(1.0, -24), 2.0);
  const float level = 84.15571594238281f;  // its 7-digit text is the next single's
  const std::int32_t w = o.addWoofer({{"Model", "X"}, {"Company ID", o.addCompany({{"Company", "Maker"}})},
                                      {"Acoustic", true}, {"Fs", aboveHalf}, {"Qts", 0.1}, {"Vas", 0.1 + 0.2}});
  o.addWooferResponse(w, test::flatResponse(level));
  sides.open();
  sides.merge({wooferEntry(w)});
  jet::Table& t = *sides.db().New.Woofers;
  t.moveFirst();
  EXPECT_EQ(t.get("Fs"), jet::Value{std::nextafter(1.0f, 2.0f)});
  EXPECT_EQ(t.get("Qts"), jet::Value{0.1f});
  EXPECT_EQ(t.get("Vas"), jet::Value{0.1 + 0.2});  // the same type: the same bits
  jet::Table& r = *sides.db().New.WooferResponse;
  r.moveFirst();
  EXPECT_EQ(r.get("A 5"), jet::Value{static_cast<double>(level)});  // widened exactly
}

TEST_F(DriverMergeTest, OfEqualModelsTheFirstInIndexOrderIsReplaced) {
  auto& n = sides.newDb();
  const std::int32_t nc = n.addCompany({{"Company", "Maker"}});
  const std::int32_t first = n.addWoofer({{"Model", "Twin"}, {"Company ID", nc}});
  const std::int32_t second = n.addWoofer({{"Model", "Twin"}, {"Company ID", nc}});
  const std::int32_t otherCompany = n.addCompany({{"Company", "Other"}});
  n.addWoofer({{"ID", 0}, {"Model", "Twin"}, {"Company ID", nc}});  // ID 0: never matched
  n.addWoofer({{"Model", "Twin"}, {"Company ID", otherCompany}});
  auto& o = sides.oldDb();
  const std::int32_t w = o.addWoofer(oldDriver("TWIN", o.addCompany({{"Company", "Maker"}})));
  sides.open();
  sides.ui.answers.push_back(true);
  sides.merge({wooferEntry(w)});
  EXPECT_EQ(sides.woofer(first)->driver.Model, "TWIN");
  EXPECT_EQ(sides.woofer(second)->driver.Model, "Twin");
}

TEST_F(DriverMergeTest, TheQuestionIsAskedOnceAndOnlyForRowsThisMergeDidNotAdd) {
  auto& n = sides.newDb();
  const std::int32_t nc = n.addCompany({{"Company", "Maker"}});
  n.addWoofer({{"Model", "W1"}, {"Company ID", nc}});
  n.addTweeter({{"Model", "T1"}, {"Company ID", nc}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Maker"}});
  const std::int32_t newWoofer = o.addWoofer(oldDriver("W2", c));
  const std::int32_t newTweeter = o.addTweeter(oldDriver("T2", c));
  const std::int32_t w1 = o.addWoofer(oldDriver("W1", c));
  const std::int32_t t1 = o.addTweeter(oldDriver("T1", c));
  sides.open();

  // A woofer written twice: the second matches the row the first added: no question.
  MergeSummary s = sides.merge({wooferEntry(newWoofer), wooferEntry(newWoofer)});
  EXPECT_EQ(sides.questions(), 0);
  EXPECT_EQ(s.woofers.added, 1);
  EXPECT_EQ(s.woofers.replaced, 1);

  // A tweeter written twice: tweeter rows added are not recorded, so it asks.
  sides.ui.answers.push_back(true);
  s = sides.merge({tweeterEntry(newTweeter), tweeterEntry(newTweeter), wooferEntry(w1), tweeterEntry(t1)});
  EXPECT_EQ(sides.questions(), 1);  // once, for all three matches
  EXPECT_EQ(sides.ui.events.back(), "progress 4/4");
  EXPECT_EQ(s.tweeters.added, 1);
  EXPECT_EQ(s.tweeters.replaced, 2);
  EXPECT_EQ(s.woofers.replaced, 1);
  EXPECT_TRUE(s.asked);
  EXPECT_FALSE(s.refused);
}

TEST_F(DriverMergeTest, NoKeepsLaterMatchesOutButStillAddsNewDrivers) {
  auto& n = sides.newDb();
  const std::int32_t nc = n.addCompany({{"Company", "Maker"}});
  n.addWoofer({{"Model", "W1"}, {"Company ID", nc}, {"Fs", 11.0}});
  n.addTweeter({{"Model", "T1"}, {"Company ID", nc}, {"Fs", 12.0}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Maker"}});
  const std::int32_t w1 = o.addWoofer(oldDriver("W1", c));
  const std::int32_t t1 = o.addTweeter(oldDriver("T1", c));
  const std::int32_t w2 = o.addWoofer(oldDriver("W2", c));
  sides.open();
  sides.ui.answers.push_back(false);
  const MergeSummary s = sides.merge({wooferEntry(w1), wooferEntry(w2), tweeterEntry(t1), wooferEntry(w2)});
  EXPECT_EQ(sides.questions(), 1);
  EXPECT_TRUE(s.refused);
  EXPECT_EQ(s.woofers.added, 1);
  EXPECT_EQ(s.woofers.replaced, 0);
  EXPECT_EQ(s.woofers.skipped, 2);  // W1, and the second W2, which matches the row the first added
  EXPECT_EQ(s.tweeters.skipped, 1);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "W1").front().driver.Fs, 11.0);
  EXPECT_EQ(sides.withModel(DriverTable::Tweeters, "T1").front().driver.Fs, 12.0);
}

TEST_F(DriverMergeTest, EntriesWhoseOldRowIsGoneAreSkippedAndCounted) {
  sides.newDb();
  auto& o = sides.oldDb();
  const std::int32_t w = o.addWoofer(oldDriver("W", o.addCompany({{"Company", "Maker"}})));
  sides.open();
  const MergeSummary s = sides.merge({wooferEntry(999), {"[x]  m  (zz)", w}, tweeterEntry(w), wooferEntry(w)});
  EXPECT_EQ(s.oldRowsMissing, 2);  // 999 and the tweeter w; "(zz)" names no table
  EXPECT_EQ(s.woofers.skipped, 2);
  EXPECT_EQ(s.tweeters.skipped, 1);
  EXPECT_EQ(s.woofers.added, 1);
  EXPECT_EQ(sides.ui.events.back(), "progress 4/4");
}

TEST_F(DriverMergeTest, MoreAddedWoofersThanNineHundredAndOneAreAllRecognised) {
  sides.newDb();
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Maker"}});
  std::vector<ListEntry> entries;
  o.database().begin();
  for (int i = 0; i < 1000; ++i) entries.push_back(wooferEntry(o.addWoofer(oldDriver("M" + std::to_string(i), c))));
  o.database().commit();
  const std::size_t n = entries.size();
  for (std::size_t i = 0; i < n; ++i) entries.push_back(entries[i]);  // each driver again
  sides.open();
  const MergeSummary s = sides.merge(entries);
  EXPECT_EQ(sides.questions(), 0);  // every second write is over a row this merge added
  EXPECT_EQ(s.woofers.added, 1000);
  EXPECT_EQ(s.woofers.replaced, 1000);
}

// An Access 97 NEW database keeps its text in code page 1252. A driver with a character outside
// it ("Ω", "日") in one of its texts, or in its company's when that is to be added, is left out
// whole (a matched row keeps what it held; no company is added), each such field a write problem
// naming the driver, the field and the characters; the code page's own characters beyond Latin-1
// ("€", "Œ") are written. An Access 2000 NEW database takes every one of them.
class UnstorableTextMerge : public DriverMergeTest, public testing::WithParamInterface<jet::Format> {};

TEST_P(UnstorableTextMerge, DriversWithTextTheNewDatabaseCannotStoreAreLeftOutAndReported) {
  const bool jet3 = GetParam() == jet::Format::Jet3;
  const std::string ohms = "8 \xCE\xA9, 16 \xCE\xA9", nippon = "\xE6\x97\xA5\xE6\x9C\xAC Audio";  // "Ω", "日本"
  const std::string euro = "\xE2\x82\xAC \xC5\x92";                                                  // "€ Œ"
  sides.newFormat = GetParam();
  auto& n = sides.newDb();
  const std::int32_t maker = n.addCompany({{"Company", "Maker"}});
  const std::int32_t held = n.addWoofer({{"Model", "W1"}, {"Company ID", maker}, {"Notes", "as it was"}});
  auto& o = sides.oldDb();
  const std::int32_t oldMaker = o.addCompany({{"Company", "Maker"}});
  const std::int32_t far = o.addCompany({{"Company", nippon}});  // not in the new database
  samples::RowValues a = oldDriver("A", oldMaker), e = oldDriver("E", oldMaker), w1 = oldDriver("W1", oldMaker);
  a.set("Notes", ohms);
  e.set("Comment", euro).set("PartNo3", euro);
  w1.set("Serial No", "\xE6\x97\xA5").set("PartNo3", "\xCE\xA9-3").set("Notes", "new");
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(a)), tweeterEntry(o.addTweeter(oldDriver("T", far))),
                                          wooferEntry(o.addWoofer(e)), wooferEntry(o.addWoofer(w1))};
  sides.open();
  sides.ui.answers.push_back(true);
  const MergeSummary s = sides.merge(entries);

  const std::string cannot = ", which the new database (code page 1252) cannot store";
  const std::vector<WriteProblem> expected = {
      {"[Maker]  A  (ob)", "not written: its \"Notes\" holds \"\xCE\xA9\" (U+03A9)" + cannot},
      {"[" + nippon + "]  T  (sb)",
       "not written: its company's \"Company\" holds \"\xE6\x97\xA5\" (U+65E5), \"\xE6\x9C\xAC\" (U+672C)" + cannot},
      {"[Maker]  W1  (ob)", "not written: its \"Serial No\" holds \"\xE6\x97\xA5\" (U+65E5)" + cannot},
      {"[Maker]  W1  (ob)", "not written: its \"PartNo3\" holds \"\xCE\xA9\" (U+03A9)" + cannot}};
  EXPECT_EQ(s.problems.all(), jet3 ? expected : std::vector<WriteProblem>{});
  EXPECT_EQ(s.woofers.added, jet3 ? 1 : 2);
  EXPECT_EQ(s.woofers.replaced, jet3 ? 0 : 1);
  EXPECT_EQ(s.woofers.skipped, jet3 ? 2 : 0);
  EXPECT_EQ(s.tweeters.added + s.tweeters.skipped, 1);
  EXPECT_EQ(s.tweeters.skipped, jet3 ? 1 : 0);
  EXPECT_EQ(s.companiesAdded, jet3 ? 0 : 1);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "A").size(), jet3 ? 0u : 1u);
  ASSERT_EQ(sides.withModel(DriverTable::Woofers, "E").size(), 1u);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "E").front().driver.Comment, euro);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "E").front().driver.PartNo[2], euro);
  EXPECT_EQ(sides.woofer(held)->driver.Notes, jet3 ? "as it was" : "new");
}

INSTANTIATE_TEST_SUITE_P(NewFormats, UnstorableTextMerge, testing::Values(jet::Format::Jet3, jet::Format::Jet4),
                         [](const auto& info) { return info.param == jet::Format::Jet3 ? "Jet3" : "Jet4"; });

}  // namespace
}  // namespace qbm
