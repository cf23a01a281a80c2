// The merge's company match through the sorted names gives exactly what comparing every company
// gives, IDs on both sides of 900 included, also after companies are added during a merge.

#include "merge/company_matcher.h"

#include <gtest/gtest.h>

#include <random>

#include "common/text_chars.h"
#include "tests/merge/literal_rules.h"

namespace qbm {
namespace {

constexpr int kHighestId = 1500;  // companies on both sides of 900

class Names {
 public:
  explicit Names(unsigned seed) : random_(seed) {}

  std::string name() {
    static const std::vector<std::string> starts = {"Peerless", "PEER", "peer", "Pe", "Scan-Speak",
                                                    "Scan", "Vifa", "VIFA-Speak A/S", "Öhlins",
                                                    "öh", "Ω Audio", "ω", "A", "a", "Éclair", "X"};
    static const std::vector<std::string> tails = {"", "", " Ltd.", " Fabrikkerne, Ltd.", "s",
                                                   " A/S", "-Speak", " GmbH", "é", "ẞ"};
    return pick(starts) + pick(tails);
  }
  // An old name: a prefix of a known name in another case, or a name of its own.
  std::string oldName(const CompanyNameTable& full) {
    const std::string known = full[number(1, kHighestId)];
    if (chance(5)) return "";
    if (known.empty() || chance(30)) return name();
    std::string cut = test::firstCharacters(known, static_cast<std::size_t>(number(1, 12)));
    return chance(50) ? UpperCase(cut) : cut;
  }
  void fill(CompanyNameTable& full, CompanyNameTable& shortNames, int companies) {
    for (int i = 0; i < companies; ++i) {
      const std::int32_t id = number(1, kHighestId);
      const std::string n = chance(5) ? "" : name();
      full.set(id, n);
      shortNames.set(id, chance(50) ? n : test::firstCharacters(n, 4));
    }
  }
  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(int percent) { return number(1, 100) <= percent; }

 private:
  const std::string& pick(const std::vector<std::string>& items) {
    return items[static_cast<std::size_t>(number(0, static_cast<int>(items.size()) - 1))];
  }
  std::mt19937 random_;
};

TEST(CompanyMatcher, GivesTheSlotsTheLiteralComparisonGives) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    Names gen(seed);
    CompanyNameTable full, shortNames;
    gen.fill(full, shortNames, gen.number(0, 300));
    CompanyMatcher matcher(full, shortNames);
    for (int q = 0; q < 200; ++q) {
      const std::string old = gen.oldName(full);
      ASSERT_EQ(matcher.Matches(UpperCase(old)), test::literalCompanyMatches(old, full, shortNames))
          << "seed " << seed << " old name \"" << old << "\"";
      if (gen.chance(10)) {  // a company added by the merge, or a slot renamed
        const std::int32_t id = gen.number(1, kHighestId);
        RecordAddedCompany(id, gen.chance(20) ? "" : gen.name(), full, shortNames);
        matcher.refresh(id);
      }
    }
  }
}

TEST(CompanyMatcher, ComparesWholeOldNamesAsPrefixesIgnoringCase) {
  CompanyNameTable full, shortNames;
  full.set(14, "Peerless Fabrikkerne, Ltd.");
  shortNames.set(14, "Peerless");
  full.set(20, "peerless audio");
  shortNames.set(20, "peerless audio");
  full.set(0, "Peerless Zero");    // no company: never stored
  full.set(-4, "Peerless Minus");
  CompanyMatcher matcher(full, shortNames);
  using Ids = std::vector<std::int32_t>;
  EXPECT_EQ(matcher.Matches("PEERLESS"), (Ids{20, 14}));  // both begin with it, the higher first
  EXPECT_EQ(matcher.Matches("PEERLESS FAB"), Ids{14});    // through the full name only
  EXPECT_EQ(matcher.Matches("PEERLESS FABRIKKERNE, LTD. X"), Ids{});  // longer
  EXPECT_EQ(matcher.Matches("EERLESS"), Ids{});  // not a beginning
  // An empty name matches only a company that exists without a name, not an empty slot.
  EXPECT_EQ(matcher.Matches(""), Ids{});

  RecordAddedCompany(30, "Peerless", full, shortNames);
  matcher.refresh(30);
  EXPECT_EQ(matcher.Matches("PEERLESS"), (Ids{30, 20, 14}));
  RecordAddedCompany(901, "Peerless Extra", full, shortNames);  // past 900, as large files have
  matcher.refresh(901);
  EXPECT_EQ(matcher.Matches("PEERLESS"), (Ids{901, 30, 20, 14}));
  EXPECT_EQ(matcher.Matches("PEERLESS A"), Ids{20});
  RecordAddedCompany(5, "", full, shortNames);
  matcher.refresh(5);
  EXPECT_EQ(matcher.Matches(""), Ids{5});
}

}  // namespace
}  // namespace qbm
