#include "common/list_order.h"

#include <string>

namespace qbm {
namespace {

// Character classes at the first level, in their order.
enum Class : std::uint32_t { Symbol = 1, Digit = 2, Letter = 3 };

constexpr std::uint32_t weight(Class c, std::uint32_t value) { return (c << 24) | value; }

// Beyond every character, so that a passed-over hyphen or apostrophe decides late and sorts last.
constexpr std::uint32_t kPassedOver = 0x110000;

// Decodes one character at text[i], advancing i. Invalid UTF-8 yields the byte as Latin-1.
char32_t decode(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length <= 1 || i + length > text.size()) {
    ++i;
    return lead;
  }
  char32_t cp = lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return lead;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return cp;
}

char32_t foldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c == 0x130) return 'i';
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

// Base letters of the lower-case Latin-1 letters U+00E0..U+00FF ('?' = not a letter; '1' = "ae").
constexpr std::string_view kLatin1Bases = "aaaaaa1ceeeeiiiidnooooo?ouuuuy\xFEy";
// Base letters of U+0100..U+017F after folding ('2' = "ij", '3' = "oe").
constexpr std::string_view kLatinExtendedBases =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii22jjkkkllllllllllnnnnnnnnnoooooo33rrrrrr"
    "ssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatin1Bases.size() == 0x20 && kLatinExtendedBases.size() == 0x80);

struct Weights {
  std::vector<std::uint32_t> primary, accent, tie;
};

void addLetters(Weights& w, std::string_view bases, char32_t accented) {
  for (char b : bases) {
    w.primary.push_back(weight(Letter, static_cast<unsigned char>(b)));
    w.accent.push_back(accented);
  }
}

void addCharacter(Weights& w, char32_t c) {
  c = foldCase(c);
  if (c == '-' || c == '\'') {
    w.tie.push_back(kPassedOver + c);
    return;
  }
  w.tie.push_back(c);
  if (c >= '0' && c <= '9') {
    w.primary.push_back(weight(Digit, c - '0'));
    w.accent.push_back(0);
  } else if (c >= 'a' && c <= 'z') {
    addLetters(w, std::string(1, static_cast<char>(c)), 0);
  } else if (c == 0xB2 || c == 0xB3 || c == 0xB9) {  // superscript two, three, one
    w.primary.push_back(weight(Digit, c == 0xB9 ? 1 : c - 0xB0));
    w.accent.push_back(c);
  } else if (c == 0xDF) {  // sharp s
    addLetters(w, "ss", c);
  } else if (c >= 0xE0 && c <= 0xFF && kLatin1Bases[c - 0xE0] != '?') {
    const char base = kLatin1Bases[c - 0xE0];
    addLetters(w, base == '1' ? "ae" : std::string(1, base), c);
  } else if (c >= 0x100 && c <= 0x17F) {
    const char base = kLatinExtendedBases[c - 0x100];
    addLetters(w, base == '2' ? "ij" : base == '3' ? "oe" : std::string(1, base), c);
  } else if (c == 0xB5 || c >= 0x250) {  // micro sign and the letters of other scripts
    w.primary.push_back(weight(Letter, c == 0xB5 ? 0x3BC : c));
    w.accent.push_back(0);
  } else {
    w.primary.push_back(weight(Symbol, c));
    w.accent.push_back(0);
  }
}

}  // namespace

ListSortKey listSortKey(std::string_view text) {
  Weights w;
  for (std::size_t i = 0; i < text.size();) addCharacter(w, decode(text, i));
  ListSortKey key = std::move(w.primary);
  key.push_back(0);
  key.insert(key.end(), w.accent.begin(), w.accent.end());
  key.push_back(0);
  key.insert(key.end(), w.tie.begin(), w.tie.end());
  return key;
}

int compareListText(std::string_view a, std::string_view b) {
  const ListSortKey ka = listSortKey(a), kb = listSortKey(b);
  return ka < kb ? -1 : kb < ka ? 1 : 0;
}

}  // namespace qbm
