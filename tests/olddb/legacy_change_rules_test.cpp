#include "olddb/legacy_change_rules.h"

#include <gtest/gtest.h>

#include "olddb/model_names.h"

namespace qbm {
namespace {

// A small new woofers table in index order, with its company names.
class LegacyRules : public ::testing::Test {
 protected:
  LegacyRules() {
    full.set(1, "Peerless Fabrikkerne, Ltd.");
    shortNames.set(1, "Peerless");
    full.set(2, "Dayton Audio");
    shortNames.set(2, "Dayton Audio");
    full.set(3, "Bostwick Speakers");
    shortNames.set(3, "Bostwick Speakers");
    full.set(4, "Cerwin Vega Inc.");
    shortNames.set(4, "Cerwin Vega");
    full.set(5, "Xtasy Audio Labs");
    shortNames.set(5, "Xtasy Audio Labs");
  }

  bool listed(std::string model, std::string maker, std::vector<NewWooferRow> rows) {
    const NewWooferLookup lookup(std::move(rows), jet::Collation::General2000, full, shortNames);
    return LegacyDriverNeedsMerge(SplitWiringSuffix(model).model, maker, lookup);
  }

  static NewWooferRow row(std::string model, std::int32_t company, std::int32_t id = 7) {
    return {std::move(model), company, id};
  }

  CompanyNameTable full, shortNames;
};

TEST_F(LegacyRules, DirectMatchNeedsAValidRowOfAMatchingCompany) {
  EXPECT_FALSE(listed("SD211-8", "PEERLESS", {row("sd211-8", 1)}));
  EXPECT_FALSE(listed("SD211-8 - PARALLEL", "peerless", {row("SD211-8", 1)}));
  EXPECT_TRUE(listed("SD211-8", "SEAS", {row("SD211-8", 1)}));
  EXPECT_FALSE(listed("SD951", "XTASY AUDIO", {row("SD951", 5)}));
  // A found row of another company: the fuzzy match over the whole table still runs.
  EXPECT_FALSE(listed("SD211", "PEERLESS", {row("SD211", 2), row("SD2119", 1)}));
  // Only the first row of equal models is looked at; an invalid first row sends to the fuzzy match,
  // which takes the valid one.
  EXPECT_FALSE(listed("SD211", "PEERLESS", {row("SD211", 1, 0), row("sd211", 1)}));
  EXPECT_TRUE(listed("SD211", "PEERLESS", {row("SD211", 901), row("SD211", 950)}));
}

// Company IDs 1 and 900 are the first and last slots; 0 and 901 have none (a row of 901 taken as
// valid would also index past the per-company table of the fuzzy match).
TEST_F(LegacyRules, OnlyCompanyIdsOneTo900MakeAWooferValid) {
  for (const auto& [company, valid] :
       {std::pair{0, false}, std::pair{1, true}, std::pair{900, true}, std::pair{901, false}}) {
    EXPECT_EQ(IsValidNewWoofer(row("P508", company)), valid) << company;
    // A found Dayton row of any valid company makes the driver present.
    EXPECT_EQ(listed("P508", "DAYTON", {row("P508", company)}), !valid) << company;
  }
}

TEST_F(LegacyRules, DaytonIsPresentWhenFoundValidOrNotFoundAtAll) {
  EXPECT_FALSE(listed("Whatever 10", "DAYTON", {}));
  EXPECT_FALSE(listed("P508", "DAYTON", {row("P508", 1)}));  // any company of a valid row
  // Found but invalid: only the fuzzy match can clear it, with a Dayton company.
  EXPECT_TRUE(listed("P508", "DAYTON", {row("P508", 1, -1)}));
  EXPECT_FALSE(listed("P508", "DAYTON", {row("P508", 1, -1), row("P-508", 2)}));
  // The maker as stored, blanks included, is what is compared.
  EXPECT_TRUE(listed("P508", "DAYTON ", {}));
}

TEST_F(LegacyRules, ModelExceptionsCountAsPresentWhenNotFound) {
  EXPECT_FALSE(listed("Beta 10", "INFINITY", {}));
  EXPECT_FALSE(listed("BETAX", "Infinity", {}));
  EXPECT_TRUE(listed("Beta", "INFINITY", {}));  // longer than 4 characters
  EXPECT_FALSE(listed("6-403-8", "CADENCE", {}));
  EXPECT_TRUE(listed("6-403-8 ", "CADENCE", {}));  // compared exactly
  EXPECT_FALSE(listed("CW10-502-4u DVC", "CADENCE", {}));
  EXPECT_TRUE(listed("CW10-502-4U DVC", "CADENCE", {}));  // case counts
  EXPECT_FALSE(listed("8-30", "ETI SOUND SYSTEMS", {}));
  EXPECT_FALSE(listed("6326", "McCauley", {}));
  EXPECT_FALSE(listed("MDM85", "MOREL", {}));
  EXPECT_FALSE(listed("TP165R (831599)", "PEERLESS", {}));
  for (const char* model : {"8", "10", "12", "15"}) EXPECT_FALSE(listed(model, "THRUSTER", {}));
  EXPECT_TRUE(listed("18", "THRUSTER", {}));
  EXPECT_TRUE(listed("MDM85", "SEAS", {}));
}

TEST_F(LegacyRules, FuzzyMatchComparesNormalisedPrefixesOfTheSameMaker) {
  // The new form is cut to the old one's length: one more letter still matches.
  EXPECT_FALSE(listed("CW 200/4", "PEERLESS", {row("CW2004X", 1)}));
  EXPECT_TRUE(listed("CW2004X", "PEERLESS", {row("CW 200/4", 1)}));  // not the reverse
  EXPECT_TRUE(listed("CW2004", "PEERLESS", {row("CW2004X", 2)}));     // another maker
  // Only separators: "" begins every model, so the first valid row of the maker matches.
  EXPECT_FALSE(listed("- / =", "PEERLESS", {row("A", 1, 0), row("Z", 1)}));
  EXPECT_TRUE(listed("- / =", "PEERLESS", {row("A", 2)}));
  // A new section row is compared without its suffix (exact case only) and whole, so an old row
  // of the same section matches it too, but not one of another section.
  EXPECT_FALSE(listed("B200", "PEERLESS", {row("B200 - LF", 1)}));
  EXPECT_FALSE(listed("B200 - LF", "PEERLESS", {row("B200 - LF", 2), row("B200 - LF", 1)}));
  EXPECT_FALSE(listed("B200LF", "PEERLESS", {row("B200 - lf", 1)}));
  EXPECT_TRUE(listed("B200 - HF", "PEERLESS", {row("B200 - LF", 1)}));
}

TEST_F(LegacyRules, AnEmptyMakerNamesOnlyCompaniesWithoutAName) {
  full.set(6, "");
  shortNames.set(6, "");
  EXPECT_FALSE(listed("N1", "", {row("N1", 6)}));
  EXPECT_FALSE(listed("N", "", {row("N1", 1), row("N1", 6)}));
  EXPECT_TRUE(listed("N1", "", {row("N1", 1)}));  // a named company
  EXPECT_TRUE(listed("N1", "", {row("N1", 9)}));  // an ID without a company
}

TEST_F(LegacyRules, BostwickAndCerwinVegaModelsAreComparedInTheirNewSpelling) {
  EXPECT_FALSE(listed("BOXP988-8", "BOSTWICK", {row("P988-8", 3)}));
  EXPECT_FALSE(listed("bos-p988", "Bostwick", {row("P988", 3)}));
  EXPECT_TRUE(listed("BOX", "BOSTWICK", {row("BOX", 3, 0), row("X", 3)}));  // nothing after BOX
  EXPECT_FALSE(listed("SW285", "CERWIN VEGA", {row("Stealth W285", 4)}));
  EXPECT_TRUE(listed("SW285", "CERWIN VEGA", {row("SW285", 4, 0)}));
  EXPECT_TRUE(listed("BOXP988", "PEERLESS", {row("P988", 1)}));  // the rule is BOSTWICK's only
}

TEST_F(LegacyRules, WithoutNewWoofersOnlyTheExceptionsArePresent) {
  const NewWooferLookup none;
  EXPECT_TRUE(LegacyDriverNeedsMerge("SD211-8", "PEERLESS", none));
  EXPECT_FALSE(LegacyDriverNeedsMerge("anything", "DAYTON", none));
  EXPECT_FALSE(LegacyDriverNeedsMerge("12", "THRUSTER", none));
}

TEST(LegacyMakerKey, UpperCasesAndReadsXtasyAudioAsXtasy) {
  EXPECT_EQ(LegacyMakerKey("Xtasy Audio"), "XTASY");
  EXPECT_EQ(LegacyMakerKey("XTASY AUDIO LABS"), "XTASY AUDIO LABS");
  EXPECT_EQ(LegacyMakerKey("peerless"), "PEERLESS");
}

}  // namespace
}  // namespace qbm
