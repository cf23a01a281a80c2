#pragma once
// Text as the files store it, to and from UTF-8: Jet 3 text is single-byte in the database's Windows
// code page; Jet 4 text is UCS-2 (little-endian), optionally in the compressed form that starts
// with 0xFF 0xFE.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/file/bytes.h"
#include "jet/file/code_page_tables.h"  // isSupportedCodePage
#include "jet/utf8.h"

namespace jet {


// Jet 3 text in the given code page, as UTF-8. REQUIRES: isSupportedCodePage(codePage).
std::string decodeCodePage(ByteSpan bytes, std::uint16_t codePage);
// The same appended to out (for callers that decode many texts into one buffer).
void appendCodePageText(std::string& out, ByteSpan bytes, std::uint16_t codePage);
// UTF-8 text in the given code page; nullopt when a character has no byte in it.
std::optional<std::string> encodeCodePage(std::string_view utf8, std::uint16_t codePage);
// The characters of UTF-8 text that have no byte in the code page, each once, in the order they
// first come; empty when encodeCodePage would take the text.
std::u32string charactersOutsideCodePage(std::string_view utf8, std::uint16_t codePage);

// Jet 4 text, plain UCS-2 or compressed (0xFF 0xFE, then runs that switch between one byte per
// character and two at each 0x00 byte), as UTF-8. Surrogate pairs are joined; a lone surrogate or
// an odd trailing byte becomes U+FFFD.
std::string decodeJet4Text(ByteSpan bytes);
void appendJet4Text(std::string& out, ByteSpan bytes);
// UTF-8 text as plain UCS-2 little-endian (characters beyond U+FFFF as surrogate pairs; invalid
// UTF-8 as U+FFFD).
std::string encodeUcs2(std::string_view utf8);

// Names (tables, columns, indexes) compare without regard to case: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters fold to lower case; other characters compare as they are.
char32_t foldCase(char32_t cp);
bool namesEqual(std::string_view a, std::string_view b);
// The name with every letter folded as namesEqual folds it: equal keys for names it finds equal.
std::string foldedName(std::string_view name);

// The code points of UTF-8 text; invalid sequences become U+FFFD.
std::u32string decodeUtf8(std::string_view utf8);

}  // namespace jet
