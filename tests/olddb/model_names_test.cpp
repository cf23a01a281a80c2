#include "olddb/model_names.h"

#include <gtest/gtest.h>

#include "olddb/company_match.h"

namespace qbm {
namespace {

TEST(NormalizeModel, DropsSeparatorsAndUpperCases) {
  EXPECT_EQ(NormalizeModel("cw-10 / 4=8"), "CW1048");
  EXPECT_EQ(NormalizeModel("- = /"), "");
  EXPECT_EQ(NormalizeModel("sd.211_8"), "SD.211_8");  // only the four separators go
  EXPECT_EQ(NormalizeModel("écho-1"), "ÉCHO1");
}

TEST(WiringSuffix, EachSuffixIsRemovedInTurnWhenTheNameIsLonger) {
  EXPECT_EQ(SplitWiringSuffix("NE433-8 - parallel").model, "NE433-8");
  EXPECT_EQ(SplitWiringSuffix("NE433-8 - parallel").DualMode, ParallelWiring);
  EXPECT_EQ(SplitWiringSuffix("W - SERIES").model, "W");
  EXPECT_EQ(SplitWiringSuffix("W - SERIES").DualMode, SeriesWiring);
  EXPECT_EQ(SplitWiringSuffix("CW560 (Par)").DualMode, ParallelWiring);

  // A name made only of the suffix keeps it: the length must exceed the suffix.
  const ModelWiring bare = SplitWiringSuffix(" - PARALLEL");
  EXPECT_EQ(bare.model, " - PARALLEL");
  EXPECT_EQ(bare.DualMode, SingleWiring);
  EXPECT_FALSE(bare.suffixRemoved);

  // " (SER)" then " - SERIES": both go, and the wiring is series.
  const ModelWiring both = SplitWiringSuffix("X (SER) - SERIES");
  EXPECT_EQ(both.model, "X");
  EXPECT_EQ(both.DualMode, SeriesWiring);
  // " - SERIES" is looked for before " (PAR)", so the parallel tail of what is left wins.
  const ModelWiring mixed = SplitWiringSuffix("X (PAR) - SERIES");
  EXPECT_EQ(mixed.model, "X");
  EXPECT_EQ(mixed.DualMode, ParallelWiring);
  // Only at the end, and not in the middle.
  EXPECT_EQ(SplitWiringSuffix("X - SERIES 2").model, "X - SERIES 2");
  EXPECT_FALSE(SplitWiringSuffix("plain").suffixRemoved);
}

TEST(SectionSuffix, OnlyTheExactUpperCaseSuffixOfALongerNameIsDropped) {
  EXPECT_EQ(DropSectionSuffix("B200 - LF"), "B200");
  EXPECT_EQ(DropSectionSuffix("B200 - MF"), "B200");
  EXPECT_EQ(DropSectionSuffix("B200 - HF"), "B200");
  EXPECT_EQ(DropSectionSuffix("B200 - lf"), "B200 - lf");
  EXPECT_EQ(DropSectionSuffix(" - LF"), " - LF");
  EXPECT_EQ(DropSectionSuffix("B - LF"), "B");
}

TEST(SectionSuffix, ANewRowMatchesItsModelWithoutTheSuffixOrWhole) {
  const NewModelKeys section = NewModelKeysOf("b200 - HF");
  EXPECT_EQ(section.withoutSection, "B200");
  EXPECT_EQ(section.whole, "B200HF");
  EXPECT_TRUE(section.matches("B200") && section.matches("B200HF"));
  EXPECT_FALSE(section.matches("B200LF") || section.matches("B20") || section.matches(""));
  const NewModelKeys plain = NewModelKeysOf("B200 - hf");  // not a suffix in this case
  EXPECT_EQ(plain.withoutSection, plain.whole);
  EXPECT_FALSE(plain.matches("B200"));
}

TEST(CompanyTest, TheOldNameMustBeginTheFullOrShortNameInAnyCase) {
  EXPECT_TRUE(CompanyNameBegins("PEERLESS", "Peerless Fabrikkerne, Ltd.", "Peerless"));
  EXPECT_TRUE(CompanyNameBegins("XTASY", "Xtasy Audio Labs", "Xtasy Audio Labs"));
  EXPECT_TRUE(CompanyNameBegins("EV", "Electro-Voice, Inc.", "EV"));  // through the short name
  EXPECT_FALSE(CompanyNameBegins("PEERLESS S", "Peerless", "Peerless"));  // a shorter name fails
  EXPECT_TRUE(CompanyNameBegins("PEERLESS", "Peerless", "Peerless"));     // unless they are equal
  EXPECT_FALSE(CompanyNameBegins("SEAS", "Scan-Speak A/S", "Scan-Speak"));
  EXPECT_TRUE(CompanyNameBegins("", "", ""));  // an empty maker begins every name
  EXPECT_TRUE(CompanyNameBegins("ÉCL", "éclair", ""));
  EXPECT_FALSE(CompanyNameBegins("DAYTONA", "Dayton Audio", "Dayton Audio"));
}

}  // namespace
}  // namespace qbm
