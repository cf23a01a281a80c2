#pragma once
// The operating system's file: open with a lock held for as long as the object lives, read at an
// offset, size, last-modified time. This header is portable; each platform has its own .cpp
// (platform_file_posix.cpp here). No other file of the engine calls the operating system.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "jet/storage.h"

namespace jet {

enum class FileAccess { ReadOnly, ReadWrite };
// Exclusive: no other open of the file may exist (in this process or another).
// Shared: other shared opens may exist, an exclusive one may not.
enum class FileLock { Shared, Exclusive };

class PlatformFile final : public Storage {
 public:
  // Opens an existing file and takes the lock without waiting. Throws Error(Locked) when another
  // open holds a conflicting lock, Error(Io) when the file cannot be opened (message names the
  // path and the system's reason).
  static std::unique_ptr<PlatformFile> open(const std::filesystem::path& path, FileAccess access,
                                            FileLock lock);
  ~PlatformFile() override;  // releases the lock and closes
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;

  std::uint64_t size() const override;
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  const std::filesystem::path& path() const { return path_; }

  // Last-modified time of a file by path. Throws Error(Io) when the file is not there.
  static std::chrono::system_clock::time_point lastModified(const std::filesystem::path& path);

 private:
  PlatformFile(std::filesystem::path path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
};

}  // namespace jet
