// Jet 4 compressed text as the row writer stores it: every reader splits such text at each 0x00
// byte, in either mode, so text mixing one-byte and two-byte characters must read back whole when
// split that way, as well as through the engine's own reader.

#include <gtest/gtest.h>

#include "jet/table/row_writer.h"
#include "jet/text/text_codec.h"

namespace {

// A reader that splits at every 0x00 byte: segments alternate between one byte and two bytes per
// character, starting with one.
std::u16string splitAtEveryZero(const jet::Bytes& bytes) {
  std::u16string out;
  bool narrow = true;
  std::size_t start = 2;
  for (std::size_t i = 2; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != 0x00) continue;
    if (narrow) {
      for (std::size_t k = start; k < i; ++k) out.push_back(bytes[k]);
    } else {
      if ((i - start) % 2) out.push_back(u'\uFFFD');  // a pair cut in half
      for (std::size_t k = start; k + 1 < i; k += 2) out.push_back(static_cast<char16_t>(bytes[k] | (bytes[k + 1] << 8)));
    }
    narrow = !narrow;
    start = i + 1;
  }
  return out;
}

std::u16string utf16(const std::string& utf8) {
  std::u16string out;
  for (char32_t c : jet::decodeUtf8(utf8)) out.push_back(static_cast<char16_t>(c));
  return out;
}

TEST(CompressedText, MixedTextReadsBackWhenSplitAtEveryZeroByte) {
  const char* texts[] = {"alpha “quoted” Œuvre alpha", "“quoted” ﬁne", "Straße “quoted” ﬁne alpha",
                         "x Ω y Ж z 中 w", "ΩΩ a ΩΩ ab ΩΩ abc ΩΩ", "plain ascii text only", "Жук Жук Жук a"};
  for (const char* text : texts) {
    jet::Bytes stored = jet::encodeText(text, jet::Format::Jet4, 1252, true);
    EXPECT_EQ(jet::decodeJet4Text(stored), text);
    if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE) {
      EXPECT_EQ(splitAtEveryZero(stored), utf16(text)) << text;
    }
  }
  // Mostly narrow text does get the compressed form.
  jet::Bytes stored = jet::encodeText("Straße “quoted” ﬁne alpha", jet::Format::Jet4, 1252, true);
  EXPECT_EQ(stored[0], 0xFF);
  EXPECT_LT(stored.size(), 2 * utf16("Straße “quoted” ﬁne alpha").size());
}

// The compressed form is taken only when it is shorter than plain UCS-2: at equal length (two
// narrow characters: marker + 2 bytes against 4) the text stays plain. Pinned for ASCII and for
// other one-byte characters, which take different paths.
TEST(CompressedText, OnlyWhenStrictlyShorterThanPlain) {
  struct Case {
    const char* text;
    bool compressed;
  };
  for (const Case& c : {Case{"ab", false}, Case{"abc", true}, Case{"\u00e9\u00e9", false}, Case{"\u00e9\u00e9\u00e9", true},
                        Case{"a\u03a9", false}, Case{"abcde\u03a9", true}}) {
    jet::Bytes stored = jet::encodeText(c.text, jet::Format::Jet4, 1252, true);
    const bool isCompressed = stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
    EXPECT_EQ(c.compressed, isCompressed) << c.text;
    EXPECT_LE(stored.size(), 2 * utf16(c.text).size()) << c.text;
    EXPECT_EQ(c.text, jet::decodeJet4Text(stored));
  }
}

TEST(CompressedText, TextWithAZeroLowByteStaysUncompressed) {
  // U+0100 would be stored with a 0x00 byte, which reads as a mode switch.
  jet::Bytes stored = jet::encodeText("aaaa \u0100 aaaa", jet::Format::Jet4, 1252, true);
  EXPECT_FALSE(stored[0] == 0xFF && stored[1] == 0xFE);
  EXPECT_EQ(jet::decodeJet4Text(stored), "aaaa \u0100 aaaa");
}

}  // namespace
