// Text as the files store it: Jet 4 UCS-2 with its compressed form, Jet 3 single-byte code pages,
// and case-insensitive names.

#include <gtest/gtest.h>

#include "jet/text/text_codec.h"

namespace {

jet::ByteSpan span(const std::vector<std::uint8_t>& v) { return jet::ByteSpan(v.data(), v.size()); }

TEST(Jet4Text, PlainUcs2) {
  std::vector<std::uint8_t> text{'A', 0, 0xE9, 0, 0xAC, 0x20};  // "Aé€"
  EXPECT_EQ("A\xC3\xA9\xE2\x82\xAC", jet::decodeJet4Text(span(text)));
  EXPECT_EQ("", jet::decodeJet4Text({}));
}

TEST(Jet4Text, CompressedRunsSwitchAtEveryZeroByte) {
  std::vector<std::uint8_t> oneByte{0xFF, 0xFE, 'a', 'b', 'c'};
  EXPECT_EQ("abc", jet::decodeJet4Text(span(oneByte)));
  // "a", then two-byte characters Ł (U+0141) and € (U+20AC), then back to one byte for "z".
  std::vector<std::uint8_t> mixed{0xFF, 0xFE, 'a', 0x00, 0x41, 0x01, 0xAC, 0x20, 0x00, 'z'};
  EXPECT_EQ("a\xC5\x81\xE2\x82\xAC" "z", jet::decodeJet4Text(span(mixed)));
  std::vector<std::uint8_t> endsTwoByte{0xFF, 0xFE, 0x00, 0xAC, 0x20};
  EXPECT_EQ("\xE2\x82\xAC", jet::decodeJet4Text(span(endsTwoByte)));
}

TEST(Jet4Text, SurrogatePairsJoinAndBrokenUnitsBecomeReplacementCharacters) {
  std::vector<std::uint8_t> pair{0x3D, 0xD8, 0x00, 0xDE};  // U+1F600
  EXPECT_EQ("\xF0\x9F\x98\x80", jet::decodeJet4Text(span(pair)));
  std::vector<std::uint8_t> lone{0x3D, 0xD8, 'a', 0};
  EXPECT_EQ("\xEF\xBF\xBD" "a", jet::decodeJet4Text(span(lone)));
  std::vector<std::uint8_t> odd{'a', 0, 'b'};
  EXPECT_EQ("a\xEF\xBF\xBD", jet::decodeJet4Text(span(odd)));
  std::vector<std::uint8_t> cutPair{0xFF, 0xFE, 0x00, 0x41};  // two-byte run ends after one byte
  EXPECT_EQ("\xEF\xBF\xBD", jet::decodeJet4Text(span(cutPair)));
  // A high surrogate left by a two-byte run breaks on the one-byte run after it; the rest reads.
  std::vector<std::uint8_t> highThenOneByte{0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'a', 'b', 0xE9};
  EXPECT_EQ("\xEF\xBF\xBD" "ab\xC3\xA9", jet::decodeJet4Text(span(highThenOneByte)));
}

TEST(Jet4Text, Ucs2EncodingReadsBack) {
  std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";
  std::string encoded = jet::encodeUcs2(text);
  std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
  EXPECT_EQ(text, jet::decodeJet4Text(span(bytes)));
}

TEST(CodePageText, Windows1252AndItsUndefinedBytes) {
  std::vector<std::uint8_t> text{'P', 0xE4, 0x80, 0xA3, 0x81};
  EXPECT_EQ("P\xC3\xA4\xE2\x82\xAC\xC2\xA3\xC2\x81", jet::decodeCodePage(span(text), 1252));
  EXPECT_EQ(jet::decodeCodePage(span(text), 1252), jet::decodeCodePage(span(text), 0));
}

TEST(CodePageText, OtherWindowsCodePages) {
  std::vector<std::uint8_t> cyrillic{0xC0, 0xE1};
  EXPECT_EQ("\xD0\x90\xD0\xB1", jet::decodeCodePage(span(cyrillic), 1251));  // "Аб"
  std::vector<std::uint8_t> greek{0xC1};
  EXPECT_EQ("\xCE\x91", jet::decodeCodePage(span(greek), 1253));  // "Α"
  std::vector<std::uint8_t> central{0xA3};
  EXPECT_EQ("\xC5\x81", jet::decodeCodePage(span(central), 1250));  // "Ł"
  EXPECT_TRUE(jet::isSupportedCodePage(874));
  EXPECT_FALSE(jet::isSupportedCodePage(932));
}

TEST(CodePageText, EveryByteOfEverySupportedCodePageReadsBackUnchanged) {
  for (std::uint16_t cp : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    std::vector<std::uint8_t> all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    std::optional<std::string> back = jet::encodeCodePage(jet::decodeCodePage(span(all), cp), cp);
    ASSERT_TRUE(back.has_value()) << cp;
    EXPECT_EQ(std::string(all.begin(), all.end()), *back) << cp;
  }
  EXPECT_EQ("\x88", jet::encodeCodePage("\xE2\x82\xAC", 1251).value());  // the euro sign
  EXPECT_FALSE(jet::encodeCodePage("\xE4\xB8\xAD", 1252).has_value());  // a CJK character
}

TEST(Names, CompareWithoutRegardToCase) {
  EXPECT_TRUE(jet::namesEqual("Woofer-Response", "woofer-response"));
  EXPECT_TRUE(jet::namesEqual("\xC3\x84rger", "\xC3\xA4RGER"));                // Ärger / äRGER
  EXPECT_TRUE(jet::namesEqual("\xD0\x94\xD0\xB8", "\xD0\xB4\xD0\x98"));        // Ди / дИ
  EXPECT_FALSE(jet::namesEqual("Model", "Models"));
  EXPECT_FALSE(jet::namesEqual("ID", "1D"));
  // ASCII first, letters beyond ASCII after it.
  EXPECT_TRUE(jet::namesEqual("Gr\xC3\x96\xC3\x9F" "e", "gr\xC3\xB6\xC3\x9F" "E"));  // GrÖße / größE
  EXPECT_FALSE(jet::namesEqual("Gr\xC3\xB6", "Gr"));
  EXPECT_FALSE(jet::namesEqual("Gr", "Gr\xC3\xB6"));
  EXPECT_FALSE(jet::namesEqual("Ab\xC3\xB6", "Ac\xC3\xB6"));
  EXPECT_FALSE(jet::namesEqual("\xC3\xB6x", "\xC3\xB6y"));
}

}  // namespace
