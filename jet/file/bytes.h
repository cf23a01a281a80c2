#pragma once
// Bounds-checked little-endian reads from byte ranges taken out of a file. Every structure the file
// holds is read through these, so an offset or length that points outside its page or row becomes
// Error(Damaged) instead of a read out of bounds.

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "jet/error.h"

namespace jet {

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

namespace bytes {

inline void require(ByteSpan b, std::size_t offset, std::size_t length) {
  if (offset > b.size() || length > b.size() - offset)
    throwDamaged("a structure reaches past the end of its page or row");
}

inline std::uint8_t u8(ByteSpan b, std::size_t offset) {
  require(b, offset, 1);
  return b[offset];
}
inline std::uint16_t u16(ByteSpan b, std::size_t offset) {
  require(b, offset, 2);
  return static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
}
inline std::uint32_t u24(ByteSpan b, std::size_t offset) {
  require(b, offset, 3);
  return b[offset] | (b[offset + 1] << 8) | (static_cast<std::uint32_t>(b[offset + 2]) << 16);
}
inline std::uint32_t u32(ByteSpan b, std::size_t offset) {
  require(b, offset, 4);
  return b[offset] | (b[offset + 1] << 8) | (b[offset + 2] << 16) |
         (static_cast<std::uint32_t>(b[offset + 3]) << 24);
}
inline std::uint64_t u64(ByteSpan b, std::size_t offset) {
  require(b, offset, 8);
  return u32(b, offset) | (static_cast<std::uint64_t>(u32(b, offset + 4)) << 32);
}
inline std::int16_t i16(ByteSpan b, std::size_t offset) { return static_cast<std::int16_t>(u16(b, offset)); }
inline std::int32_t i32(ByteSpan b, std::size_t offset) { return static_cast<std::int32_t>(u32(b, offset)); }
inline std::int64_t i64(ByteSpan b, std::size_t offset) { return static_cast<std::int64_t>(u64(b, offset)); }
inline float f32(ByteSpan b, std::size_t offset) {
  std::uint32_t bits = u32(b, offset);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline double f64(ByteSpan b, std::size_t offset) {
  std::uint64_t bits = u64(b, offset);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
// The eight bytes at p as a little-endian word, unchecked: for loops that have already made sure
// eight bytes are there and read a word at a time (one load where the machine is little-endian).
inline std::uint64_t word64(const std::uint8_t* p) {
  std::uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, p, sizeof word);
  } else {
    for (int i = 0; i < 8; ++i) word |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  }
  return word;
}
// The length bytes at offset, checked.
inline ByteSpan slice(ByteSpan b, std::size_t offset, std::size_t length) {
  require(b, offset, length);
  return b.subspan(offset, length);
}

// Little-endian writes into a page or row being built. An offset outside the buffer is a fault of
// the writer, not of the file: Error(InvalidState).
inline void requireRoom(MutableByteSpan b, std::size_t offset, std::size_t length) {
  if (offset > b.size() || length > b.size() - offset)
    throw Error(ErrorCode::InvalidState, "a write reaches past the end of its page or row");
}
inline void put8(MutableByteSpan b, std::size_t offset, std::uint8_t v) {
  requireRoom(b, offset, 1);
  b[offset] = v;
}
inline void put16(MutableByteSpan b, std::size_t offset, std::uint16_t v) {
  requireRoom(b, offset, 2);
  b[offset] = static_cast<std::uint8_t>(v);
  b[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put24(MutableByteSpan b, std::size_t offset, std::uint32_t v) {
  requireRoom(b, offset, 3);
  for (int i = 0; i < 3; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put32(MutableByteSpan b, std::size_t offset, std::uint32_t v) {
  requireRoom(b, offset, 4);
  for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put64(MutableByteSpan b, std::size_t offset, std::uint64_t v) {
  requireRoom(b, offset, 8);
  for (int i = 0; i < 8; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putF32(MutableByteSpan b, std::size_t offset, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put32(b, offset, bits);
}
inline void putF64(MutableByteSpan b, std::size_t offset, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put64(b, offset, bits);
}

}  // namespace bytes
}  // namespace jet
