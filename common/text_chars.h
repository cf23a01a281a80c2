#pragma once
// UTF-8 text as a sequence of characters: the character count and upper-casing that the model and
// company comparisons use. A byte that is not part of valid UTF-8 counts as the Latin-1 character
// it codes (as in list_order.h), so every text has a well-defined character sequence.

#include <cstddef>
#include <string>
#include <string_view>

namespace qbm {

// The character that starts at text[at] (at < text.size()), and its length in bytes. A byte
// that does not start a valid UTF-8 sequence is one character of one byte whose value is the
// byte: so a value of 0x80 or more with a length of 1 marks an invalid byte.
char32_t CharacterAt(std::string_view text, std::size_t at, std::size_t& length);

// Appends the character as UTF-8; a value that is no character (a surrogate half, or above
// U+10FFFF) as U+FFFD.
void AppendCharacter(std::string& out, char32_t character);

// Number of characters in the text.
std::size_t CharacterCount(std::string_view text);

// The text upper-cased character by character, as the user's system upper-cases names: ASCII and
// Latin-1 letters, Latin Extended-A, Greek and Cyrillic. Every character maps to exactly one
// character, so the result has as many characters as the input; no other character becomes an
// ASCII letter. The result is valid UTF-8.
std::string UpperCase(std::string_view text);

// True when the text's last bytes equal the ASCII suffix without regard to ASCII letter case.
bool EndsWithAsciiNoCase(std::string_view text, std::string_view asciiSuffix);

}  // namespace qbm
