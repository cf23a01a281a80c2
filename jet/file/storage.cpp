#include "jet/file/storage.h"

#include <cstring>

#include "jet/error.h"

namespace jet {

namespace {

[[noreturn]] void readOnly() { throw Error(ErrorCode::ReadOnly, "the database is open read-only"); }

// Memory images are bounded like files: page numbers are 24-bit, pages at most 4096 bytes.
constexpr std::uint64_t kMaxMemorySize = std::uint64_t{1} << 36;

}  // namespace

void Storage::writeAt(std::uint64_t, std::span<const std::uint8_t>) { readOnly(); }
void Storage::truncate(std::uint64_t) { readOnly(); }
void Storage::sync() { readOnly(); }

void MemoryStorage::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
    throw Error(ErrorCode::Io, "read past the end of the in-memory database");
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

void MemoryStorage::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (!writable_) readOnly();
  if (offset > kMaxMemorySize || data.size() > kMaxMemorySize - offset)
    throw Error(ErrorCode::Io, "write past the largest in-memory database");
  std::uint64_t end = offset + data.size();
  if (end > bytes_.size()) bytes_.resize(static_cast<std::size_t>(end));
  if (!data.empty()) std::memcpy(bytes_.data() + offset, data.data(), data.size());
}

void MemoryStorage::truncate(std::uint64_t size) {
  if (!writable_) readOnly();
  if (size > kMaxMemorySize) throw Error(ErrorCode::Io, "the in-memory database cannot grow that large");
  bytes_.resize(static_cast<std::size_t>(size));
}

}  // namespace jet
