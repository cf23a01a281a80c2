#pragma once
// Little-endian appends to bytes being built (a row, an index entry, a table definition, a
// property block, a journal record). With bytes::put* (writes into bytes already there, checked by
// requireRoom), this is the engine's one integer encoder: a field takes the low bytes of its value,
// so a caller narrows a value on purpose (static_cast) before handing it over, never here.

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/file/bytes.h"

namespace jet::bytes {

class Appender {
 public:
  explicit Appender(std::vector<std::uint8_t>& out) : out_(&out) {}

  void u8(std::uint8_t v) { out_->push_back(v); }
  void u16(std::uint16_t v) { little(v, 2); }
  void u24(std::uint32_t v) { little(v, 3); }
  void u32(std::uint32_t v) { little(v, 4); }
  void u64(std::uint64_t v) { little(v, 8); }
  void raw(ByteSpan b) { out_->insert(out_->end(), b.begin(), b.end()); }
  void raw(std::string_view b) { out_->insert(out_->end(), b.begin(), b.end()); }
  // size zero bytes, to be filled in through the span (valid until the next append).
  MutableByteSpan zeros(std::size_t size) {
    out_->resize(out_->size() + size, 0);
    return MutableByteSpan(*out_).subspan(out_->size() - size, size);
  }
  std::size_t size() const { return out_->size(); }
  // The low `width` bytes of v (1 to 8).
  void little(std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) out_->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }

 private:
  std::vector<std::uint8_t>* out_;
};

}  // namespace jet::bytes
