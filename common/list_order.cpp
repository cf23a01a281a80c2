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

// A key is three runs of weights, each weight written as bytes that compare as the weights do and
// of which none is the beginning of another, so that keys compare byte by byte as the weight
// sequences compare element by element (a sequence that is the beginning of another sorts first):
// the primary weights, a 0 byte, the accents, a 0 byte, the tie-breakers. Two texts reach the
// accents only with equal primary runs, so with as many accents: trailing "no accent" weights are
// left out (a run with fewer accents then sorts first, as zeros would), and accents are written one
// above their value so that the 0 byte after them sorts below any accent.

// Primary weights: 0 is never one (it is the separator); ASCII symbols, digits and letters take
// one byte each, others an escape byte and three bytes big-endian. In order: ASCII symbols
// 0x01..0x80, other symbols 0x81, digits 0x82..0x8B, letters below 'a' 0x8C, 'a'..'z' 0x8D..0xA6,
// letters above 'z' 0xA7.
void putThreeBytes(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void putPrimary(std::string& out, Class c, std::uint32_t v) {
  switch (c) {
    case Symbol:
      if (v < 0x80) {
        out.push_back(static_cast<char>(0x01 + v));
      } else {
        out.push_back(static_cast<char>(0x81));
        putThreeBytes(out, v);
      }
      return;
    case Digit:
      out.push_back(static_cast<char>(0x82 + v));  // 0..9
      return;
    case Letter:
      if (v >= 'a' && v <= 'z') {
        out.push_back(static_cast<char>(0x8D + (v - 'a')));
      } else {
        out.push_back(static_cast<char>(v < 'a' ? 0x8C : 0xA7));
        putThreeBytes(out, v);
      }
      return;
  }
}

// Accents and tie-breakers (any 32-bit value, 0 included): below 0xF0 one byte, up to 0xFFFF 0xF0
// and two bytes, above that 0xF1 and four bytes, big-endian.
void putWeight(std::string& out, std::uint32_t v) {
  if (v < 0xF0) {
    out.push_back(static_cast<char>(v));
  } else if (v <= 0xFFFF) {
    out.push_back(static_cast<char>(0xF0));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
  } else {
    out.push_back(static_cast<char>(0xF1));
    out.push_back(static_cast<char>(v >> 24));
    putThreeBytes(out, v);
  }
}

struct Weights {
  std::string primary, accent, tie;
  std::size_t accentEnd = 0;  // the accent run's length up to its last accent that is not 0
  void clear() {
    primary.clear();
    accent.clear();
    tie.clear();
    accentEnd = 0;
  }
  // Accents are written one above their value, so that no accent is a 0 byte.
  void addAccent(std::uint32_t v) {
    putWeight(accent, v + 1);
    if (v != 0) accentEnd = accent.size();
  }
};

void addLetters(Weights& w, std::string_view bases, char32_t accented) {
  for (char b : bases) {
    putPrimary(w.primary, Letter, static_cast<unsigned char>(b));
    w.addAccent(accented);
  }
}

void addCharacter(Weights& w, char32_t c) {
  c = foldCase(c);
  if (c == '-' || c == '\'') {
    putWeight(w.tie, kPassedOver + c);
    return;
  }
  putWeight(w.tie, c);
  if (c >= '0' && c <= '9') {
    putPrimary(w.primary, Digit, c - '0');
    w.addAccent(0);
  } else if (c >= 'a' && c <= 'z') {
    putPrimary(w.primary, Letter, c);
    w.addAccent(0);
  } else if (c == 0xB2 || c == 0xB3 || c == 0xB9) {  // superscript two, three, one
    putPrimary(w.primary, Digit, c == 0xB9 ? 1 : c - 0xB0);
    w.addAccent(c);
  } else if (c == 0xDF) {  // sharp s
    addLetters(w, "ss", c);
  } else if (c >= 0xE0 && c <= 0xFF && kLatin1Bases[c - 0xE0] != '?') {
    const char base = kLatin1Bases[c - 0xE0];
    addLetters(w, base == '1' ? std::string_view("ae") : std::string_view(&base, 1), c);
  } else if (c >= 0x100 && c <= 0x17F) {
    const char base = kLatinExtendedBases[c - 0x100];
    addLetters(w, base == '2' ? std::string_view("ij") : base == '3' ? std::string_view("oe") : std::string_view(&base, 1), c);
  } else if (c == 0xB5 || c >= 0x250) {  // micro sign and the letters of other scripts
    putPrimary(w.primary, Letter, c == 0xB5 ? 0x3BC : c);
    w.addAccent(0);
  } else {
    putPrimary(w.primary, Symbol, c);
    w.addAccent(0);
  }
}

}  // namespace

void appendListSortKey(std::string& out, std::string_view text) {
  thread_local Weights w;  // reused: no allocation per key once warm
  w.clear();
  for (std::size_t i = 0; i < text.size();) addCharacter(w, decode(text, i));
  out.reserve(out.size() + w.primary.size() + w.accent.size() + w.tie.size() + 2);
  out.append(w.primary);
  out.push_back('\0');
  out.append(w.accent, 0, w.accentEnd);
  out.push_back('\0');
  out.append(w.tie);
}

ListSortKey listSortKey(std::string_view text) {
  ListSortKey key;
  appendListSortKey(key, text);
  return key;
}

int compareListText(std::string_view a, std::string_view b) {
  const ListSortKey ka = listSortKey(a), kb = listSortKey(b);
  return ka < kb ? -1 : kb < ka ? 1 : 0;
}

}  // namespace qbm
