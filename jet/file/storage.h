#pragma once
// Where a database's bytes live: a file on disk (PlatformFile) or a buffer in memory (used by the
// fuzzer and by tests that build hostile files). The page layer reads and writes through this
// interface only.

#include <cstdint>
#include <functional>
#include <memory>
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

  // Whether the write operations below may be used; the others throw Error(ReadOnly).
  virtual bool writable() const { return false; }
  // Writes data at offset, growing the storage when it reaches past the end (a gap reads as zeros).
  virtual void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data);
  // Cuts the storage to size bytes (or grows it with zeros).
  virtual void truncate(std::uint64_t size);
  // Returns once everything written so far is durable (on disk, for a file).
  virtual void sync();
};

// Storage over a byte buffer it owns; writable unless made read-only.
class MemoryStorage final : public Storage {
 public:
  explicit MemoryStorage(std::vector<std::uint8_t> bytes, bool writable = false)
      : bytes_(std::move(bytes)), writable_(writable) {}
  std::uint64_t size() const override { return bytes_.size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  bool writable() const override { return writable_; }
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  void truncate(std::uint64_t size) override;
  void sync() override {}
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  bool writable_;
};

// Puts a Storage of its own around each file a database opens (the database file and its
// journals), as LevelDB's tests wrap its Env: how tests make a program crash in the middle of its
// writes. The engine itself wraps nothing; an empty wrapper leaves the files as they are.
using StorageWrapper = std::function<std::unique_ptr<Storage>(std::unique_ptr<Storage>)>;

}  // namespace jet
