#pragma once
// Where a database's bytes live: a file on disk (PlatformFile) or a buffer in memory (used by the
// fuzzer and by tests that build hostile files). The page layer reads through this interface only.

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

class Storage {
 public:
  virtual ~Storage() = default;
  // Current size in bytes.
  virtual std::uint64_t size() const = 0;
  // Fills out with the bytes at offset. Throws Error(Io) when the range is not all there.
  virtual void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

// Storage over a byte buffer it owns.
class MemoryStorage final : public Storage {
 public:
  explicit MemoryStorage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace jet
