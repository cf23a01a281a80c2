#pragma once
// UTF-8, the text of every value and name the engine hands out.

#include <string>

namespace jet {

// Appends code point cp to out as UTF-8; a surrogate or a value past U+10FFFF becomes U+FFFD.
void appendUtf8(std::string& out, char32_t cp);

}  // namespace jet
