#include "common/list_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qbm {
namespace {

struct Entry {
  std::string text;
  int itemData;
};

std::string textOf(const Entry& e) { return e.text; }

std::vector<std::string> sortedTexts(std::vector<std::string> texts) {
  std::vector<Entry> entries;
  for (size_t i = 0; i < texts.size(); ++i) entries.push_back({texts[i], static_cast<int>(i)});
  sortListEntries(entries, textOf);
  std::vector<std::string> out;
  for (const Entry& e : entries) out.push_back(e.text);
  return out;
}

TEST(ListOrder, LetterCaseNeverCounts) {
  EXPECT_LT(compareListText("[audax]  x", "[Beyma]  x"), 0);
  EXPECT_GT(compareListText("[Beyma]  x", "[audax]  x"), 0);
  EXPECT_EQ(compareListText("[PEERLESS]  SD211", "[Peerless]  sd211"), 0);
  EXPECT_EQ(sortedTexts({"b", "B", "a", "A"}), (std::vector<std::string>{"a", "A", "b", "B"}));
}

TEST(ListOrder, EntriesThatShareAPlaceKeepTheOrderTheyWereAdded) {
  std::vector<Entry> entries = {{"[X]  m  (ob)", 3}, {"[a]  z  (ob)", 1}, {"[x]  M  (ob)", 2},
                                {"[X]  m  (ob)", 1}};
  sortListEntries(entries, textOf);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].itemData, 1);
  EXPECT_EQ(entries[1].itemData, 3);
  EXPECT_EQ(entries[2].itemData, 2);
  EXPECT_EQ(entries[3].itemData, 1);
  EXPECT_EQ(entries[3].text, "[X]  m  (ob)");

  // A new entry goes after every entry it ties with.
  EXPECT_EQ(listInsertPosition(entries, "[X]  M  (ob)", textOf), 4u);
  EXPECT_EQ(listInsertPosition(entries, "[A]  Z  (ob)", textOf), 1u);
  EXPECT_EQ(listInsertPosition(entries, "[]  model  (ob)", textOf), 0u);
  EXPECT_EQ(listInsertPosition(std::vector<Entry>{}, "x", textOf), 0u);
}

TEST(ListOrder, SymbolsBeforeDigitsBeforeLetters) {
  // In byte order "{" and "~" would follow the letters and "_" would sit between the cases.
  EXPECT_EQ(sortedTexts({"a", "1", "{", "~", "_", " ", "Z", "9"}),
            (std::vector<std::string>{" ", "_", "{", "~", "1", "9", "a", "Z"}));
  // An empty maker sorts before every named one.
  EXPECT_LT(compareListText("[]  Model  (ob)", "[3M]  Model  (ob)"), 0);
  EXPECT_LT(compareListText("[3M]  Model  (ob)", "[ADG]  Model  (ob)"), 0);
}

TEST(ListOrder, ShorterTextSortsBeforeItsContinuation) {
  EXPECT_LT(compareListText("[Seas]  P17", "[Seas]  P17 - LF"), 0);
  EXPECT_LT(compareListText("", "a"), 0);
  EXPECT_EQ(compareListText("", ""), 0);
}

TEST(ListOrder, AccentedLettersSortWithTheirBaseLetter) {
  EXPECT_EQ(sortedTexts({"f", "\xC3\xA9tude", "e", "\xC3\x89" "a", "ez"}),
            (std::vector<std::string>{"e", "\xC3\x89" "a", "\xC3\xA9tude", "ez", "f"}));
  // The accent decides only between otherwise equal texts: the plain one first.
  EXPECT_LT(compareListText("resume", "r\xC3\xA9sum\xC3\xA9"), 0);
  EXPECT_EQ(compareListText("\xC3\x89TUDE", "\xC3\xA9tude"), 0);  // upper- and lower-case e-acute
  // Sharp s counts as "ss".
  EXPECT_LT(compareListText("strasse", "stra\xC3\x9F" "e"), 0);
  EXPECT_LT(compareListText("stra\xC3\x9F" "e", "strasset"), 0);
  // Latin Extended-A letters fold and sort with their base letter.
  EXPECT_EQ(compareListText("\xC5\x81\xC3\x93\xC5\xB9", "\xC5\x82\xC3\xB3\xC5\xBA"), 0);
  EXPECT_LT(compareListText("\xC5\x82od", "lom"), 0);
  EXPECT_LT(compareListText("loc", "\xC5\x82od"), 0);
  // The ligatures count as their two letters: ij between ii and ik, oe between od and of.
  EXPECT_LT(compareListText("ii", "\xC4\xB3"), 0);
  EXPECT_LT(compareListText("\xC4\xB3", "ik"), 0);
  EXPECT_LT(compareListText("od", "\xC5\x93"), 0);
  EXPECT_LT(compareListText("\xC5\x93", "of"), 0);
}

TEST(ListOrder, HyphensAndApostrophesDecideLast) {
  EXPECT_EQ(sortedTexts({"cop", "co-op", "coop", "con"}),
            (std::vector<std::string>{"con", "coop", "co-op", "cop"}));
  EXPECT_LT(compareListText("CW100-8", "CW1008a"), 0);
  EXPECT_LT(compareListText("its", "it's"), 0);
}

TEST(ListOrder, InvalidUtf8IsOrderedWithoutFailing) {
  const std::string broken = "\xC3(\xFF\xE2\x82";
  EXPECT_EQ(compareListText(broken, broken), 0);
  EXPECT_NE(compareListText(broken, "abc"), 0);
  // A stray byte counts as its Latin-1 letter.
  EXPECT_EQ(compareListText("caf\xE9", "caf\xC3\xA9"), 0);
}

// Keys are bytes: every weight that is not plain ASCII takes an escape byte, which must fall between
// its neighbours in the order; each case pins one side of one escape.
TEST(ListOrder, CharactersBeyondAsciiKeepTheirPlaceInTheKey) {
  // Symbols above ASCII (multiplication sign U+00D7): after every ASCII symbol, before digits.
  EXPECT_LT(compareListText("~", "\xC3\x97"), 0);
  EXPECT_LT(compareListText("\x7F", "\xC3\x97"), 0);
  EXPECT_LT(compareListText("\xC3\x97", "0"), 0);
  EXPECT_LT(compareListText("\xC3\x97", "\xC3\xB7"), 0);  // U+00F7 division sign
  // Superscripts are digits, decided by their accent after the plain digit.
  EXPECT_LT(compareListText("1", "\xC2\xB2"), 0);
  EXPECT_LT(compareListText("2", "\xC2\xB2"), 0);
  EXPECT_LT(compareListText("\xC2\xB2", "3"), 0);
  EXPECT_LT(compareListText("9", "a"), 0);
  // Letters above 'z': thorn, then other scripts (alpha U+03B1, then the micro sign as mu U+03BC).
  EXPECT_LT(compareListText("z", "\xC3\xBE"), 0);
  EXPECT_LT(compareListText("zz", "\xC3\xBE"), 0);
  EXPECT_LT(compareListText("\xC3\xBE", "\xCE\xB1"), 0);
  EXPECT_LT(compareListText("\xCE\xB1", "\xC2\xB5"), 0);
  // The micro sign sorts as mu, the character itself deciding only last; nu (U+03BD) comes after.
  EXPECT_LT(compareListText("\xC2\xB5", "\xCE\xBC"), 0);
  EXPECT_LT(compareListText("\xCE\xBC", "\xC2\xB5" "a"), 0);
  EXPECT_LT(compareListText("\xC2\xB5" "a", "\xCE\xBD"), 0);
  // Accents on both sides of the one-byte limit: a-acute (U+00E1), a-ring (U+00E5), a-macron (U+0101).
  EXPECT_EQ(sortedTexts({"a\xC4\x81", "a\xC3\xA5", "aa", "a\xC3\xA1"}),
            (std::vector<std::string>{"aa", "a\xC3\xA1", "a\xC3\xA5", "a\xC4\x81"}));
  // A sort of many entries agrees with the pairwise comparison.
  std::vector<std::string> texts;
  for (const char* t : {"a", "\xC3\xA1", "A-", "\xC3\x97", "~", "1", "\xC2\xB9", "\xCE\xB1", "\xC3\xBE", "a'",
                        "", "\xC4\x81" "b", "ab"})
    texts.push_back(t);
  const std::vector<std::string> sorted = sortedTexts(texts);
  for (std::size_t i = 1; i < sorted.size(); ++i)
    EXPECT_LE(compareListText(sorted[i - 1], sorted[i]), 0) << sorted[i - 1] << " / " << sorted[i];
}

}  // namespace
}  // namespace qbm
