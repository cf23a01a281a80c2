#pragma once
// Character weights of the "General" sort order that Access uses for text index keys, for Access 97
// (Jet 3) and for Access 2000-2003 (Jet 4). The tables are data (general_sort_weights.cpp); the key
// encoder in sort_key.cpp turns a text into key bytes with them.
//
// Every character has a kind and up to three weights:
//   primary   - the bytes written in order for the character; equal for upper and lower case, so
//               text keys never distinguish letter case;
//   secondary - an accent weight, collected after the primary bytes;
//   tertiary  - (Jet 4 only) a two-bit flag for width/kana distinctions, collected after that.

#include <cstddef>
#include <cstdint>

namespace jet::collation {

enum class WeightKind : std::uint8_t {
  Ignored,    // contributes nothing to the key
  Plain,      // primary weight only
  Accented,   // primary weight plus a secondary weight
  Letter,     // Jet 3: primary weight only, but counts as a position for later secondary weights
  Marked,     // Jet 4: primary weight, optional secondary weight, and a tertiary flag
  Modifier,   // Jet 4: no primary weight; its secondary value is added to the previous secondary
  Ignorable,  // Jet 4: no primary weight; recorded with its position at the end of the key
  Surrogate,  // Jet 4: UTF-16 surrogate halves, whose weights are computed
};

// A run of consecutive UTF-16 code units with the same kind and secondary/tertiary weights.
// Code unit first+i has the primary weight primary + i * step (primaryLength big-endian bytes).
// Ignorable keeps its one-byte code in secondary; Modifier keeps the amount it adds there.
struct WeightRun {
  std::uint16_t first;
  std::uint16_t count;
  WeightKind kind;
  std::uint8_t primaryLength;    // 0..4
  std::uint32_t primary;
  std::uint8_t step;             // 0 or 1
  std::uint8_t secondaryLength;  // 0..2
  std::uint16_t secondary;
  std::uint8_t tertiary;         // Marked: 2 or 3; else 0
};

// Access 97 keys are built from code page 1252 bytes; these Unicode characters beyond Latin-1 have
// a byte there (the rest of them are ignored).
struct CodePageMapping {
  std::uint16_t unicode;
  std::uint8_t byte;
};

// Runs in ascending order of first, covering 0..0xFFFF (Jet 4) and 0..0xFF (Jet 3) without gaps.
extern const WeightRun kGeneral2000Runs[];
extern const std::size_t kGeneral2000RunsCount;
extern const WeightRun kGeneral97Runs[];
extern const std::size_t kGeneral97RunsCount;
// Sorted by unicode.
extern const CodePageMapping kGeneral97Mappings[];
extern const std::size_t kGeneral97MappingsCount;

// The weights of one character (fields as in WeightRun, the primary weight its own).
struct CharWeights {
  WeightKind kind;
  std::uint8_t primaryLength;
  std::uint32_t primary;
  std::uint8_t secondaryLength;
  std::uint16_t secondary;
  std::uint8_t tertiary;
};

// The Access 2000 weights of UTF-16 code unit c (surrogates: kind Surrogate, weights computed by
// the caller).
CharWeights general2000Weights(char16_t c);
// The Access 97 weights of the character c, a Unicode code unit: characters that code page 1252
// cannot hold are Ignored.
CharWeights general97Weights(char16_t c);

}  // namespace jet::collation
