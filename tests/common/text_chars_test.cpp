#include "common/text_chars.h"

#include <gtest/gtest.h>

#include <utility>

namespace qbm {
namespace {

TEST(TextChars, UpperCaseMapsEachCharacterToOne) {
  EXPECT_EQ(UpperCase("abc-xyz 09"), "ABC-XYZ 09");
  EXPECT_EQ(UpperCase("éàöÿ"), "ÉÀÖŸ");
  EXPECT_EQ(UpperCase("ß÷µ"), "ß÷µ");        // no single upper-case letter, or no letter
  EXPECT_EQ(UpperCase("šœžł"), "ŠŒŽŁ");      // Latin Extended-A
  EXPECT_EQ(UpperCase("ķĸĺňŉŋŷźž"), "ĶĸĹŇŉŊŶŹŽ");  // the ends of its runs of pairs
  EXPECT_EQ(UpperCase("ĀĶĹŇŊŶŸŽ"), "ĀĶĹŇŊŶŸŽ");  // upper case already
  EXPECT_EQ(UpperCase("ıſ"), "ıſ");          // would become ASCII: left alone
  EXPECT_EQ(UpperCase("αβς жё"), "ΑΒΣ ЖЁ");
  // An invalid byte counts as its Latin-1 character and comes out as valid UTF-8.
  EXPECT_EQ(UpperCase("caf\xE9"), "CAFÉ");
  for (const char* text : {"éàöÿ", "caf\xE9", "ß", "x\xF0\x9F\x98\x80y"})
    EXPECT_EQ(CharacterCount(UpperCase(text)), CharacterCount(text)) << text;
}

TEST(TextChars, CharacterCountCountsCodePoints) {
  EXPECT_EQ(CharacterCount(""), 0u);
  EXPECT_EQ(CharacterCount("abc"), 3u);
  EXPECT_EQ(CharacterCount("é€😀"), 3u);
  EXPECT_EQ(CharacterCount("\xC3"), 1u);     // a sequence cut short
  EXPECT_EQ(CharacterCount("\xE2\x82"), 2u);
  EXPECT_EQ(CharacterCount("\xF4\x8F\xBF\xBF"), 1u);  // U+10FFFF, the last code point
  EXPECT_EQ(CharacterCount("\xF4\x90\x80\x80"), 4u);  // one past it: four invalid bytes
}

TEST(TextChars, AsciiSuffixIgnoresCase) {
  EXPECT_TRUE(EndsWithAsciiNoCase("x - parallel", " - PARALLEL"));
  EXPECT_FALSE(EndsWithAsciiNoCase("PARALLEL", " - PARALLEL"));
  EXPECT_TRUE(EndsWithAsciiNoCase("X - PARALLEL", " - parallel"));
  // a and z, and the characters either side of a..z, 32 above those of A..Z: either way round.
  for (auto [lower, upper] : {std::pair{"az", "AZ"}, std::pair{"`", "@"}, std::pair{"{", "["}}) {
    EXPECT_EQ(EndsWithAsciiNoCase(lower, upper), *lower == 'a') << lower;
    EXPECT_EQ(EndsWithAsciiNoCase(upper, lower), *lower == 'a') << lower;
  }
  EXPECT_TRUE(EndsWithAsciiNoCase("", ""));
}

}  // namespace
}  // namespace qbm
