#pragma once
// Byte-to-Unicode tables of the single-byte Windows code pages (874, 1250-1258).

#include <cstdint>

namespace jet::detail {

// The 128 code points of bytes 0x80..0xFF in the given code page, or nullptr when the code page is
// not a single-byte Windows code page known here. Bytes below 0x80 are ASCII in all of them.
const std::uint16_t* codePageUpperHalf(std::uint16_t codePage);

}  // namespace jet::detail

namespace jet {

// True when the code page is a single-byte Windows code page this engine can convert (874,
// 1250-1258), or 0 (read as 1252).
bool isSupportedCodePage(std::uint16_t codePage);

}  // namespace jet
