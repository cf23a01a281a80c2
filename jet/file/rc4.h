#pragma once
// RC4 key stream, as Jet uses it to mask the header page and to encode the pages of a database that
// has a database key. Applying it twice with the same key restores the input.

#include <cstdint>
#include <span>

namespace jet {

// XORs data in place with the RC4 key stream of key. REQUIRES: 1 <= key.size() <= 256.
void applyRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace jet
