#include "jet/storage.h"

#include <cstring>

#include "jet/error.h"

namespace jet {

void MemoryStorage::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
    throw Error(ErrorCode::Io, "read past the end of the in-memory database");
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

}  // namespace jet
