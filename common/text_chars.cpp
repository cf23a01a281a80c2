#include "common/text_chars.h"

#include <cstdint>

#include "jet/utf8.h"

namespace qbm {

void AppendCharacter(std::string& out, char32_t cp) { jet::appendUtf8(out, cp); }

char32_t CharacterAt(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t need = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return lead;
  }
  if (at + need >= text.size()) return lead;  // the sequence runs past the end
  for (std::size_t i = 1; i <= need; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) return lead;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return lead;
  length = need + 1;
  return cp;
}

namespace {

// Latin Extended-A pairs: the lower-case letter of each pair sits right after its upper case,
// starting at an even code point in the first and third runs and at an odd one in the others.
// The dotless i (U+0131) and the long s (U+017F) are left alone: they would become ASCII letters.
char32_t upperLatinExtendedA(char32_t cp) {
  const bool evenPairs = (cp >= 0x0100 && cp <= 0x0137) || (cp >= 0x014A && cp <= 0x0177);
  const bool oddPairs = (cp >= 0x0139 && cp <= 0x0148) || (cp >= 0x0179 && cp <= 0x017E);
  if (evenPairs && (cp % 2) == 1 && cp != 0x0131) return cp - 1;
  if (oddPairs && (cp % 2) == 0) return cp - 1;
  return cp;
}

char32_t upperChar(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 0x20;
  if (cp < 0x80) return cp;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
  if (cp == 0xFF) return 0x0178;
  if (cp >= 0x0100 && cp <= 0x017F) return upperLatinExtendedA(cp);
  if (cp >= 0x03B1 && cp <= 0x03C9 && cp != 0x03C2) return cp - 0x20;  // Greek
  if (cp == 0x03C2) return 0x03A3;                                      // final sigma
  if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;                   // Cyrillic
  if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;
  return cp;
}

}  // namespace

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    CharacterAt(text, at, length);
    ++count;
  }
  return count;
}

std::string UpperCase(std::string_view text) {
  std::string upper;
  upper.reserve(text.size());
  for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
    const char32_t cp = CharacterAt(text, at, length);
    if (cp < 0x80 && (cp < 'a' || cp > 'z')) {
      upper.push_back(static_cast<char>(cp));
      continue;
    }
    AppendCharacter(upper, upperChar(cp));
  }
  return upper;
}

bool EndsWithAsciiNoCase(std::string_view text, std::string_view asciiSuffix) {
  if (text.size() < asciiSuffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - asciiSuffix.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = tail[i], b = asciiSuffix[i];
    if (a >= 'a' && a <= 'z') a -= 32;
    if (b >= 'a' && b <= 'z') b -= 32;
    if (a != b) return false;
  }
  return true;
}

}  // namespace qbm
