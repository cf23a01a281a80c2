#pragma once
// The operating system's file: open with a lock held for as long as the object lives, read and write
// at an offset, size, flush to disk, truncate; and the few whole-file operations the engine needs
// (create, delete, rename, last-modified time). This header is portable; each platform has its own
// .cpp (platform_file_posix.cpp; platform_file_windows.cpp, which is built and tested only on
// Windows). No other file of the engine calls the operating system.
//
// Fault injection (tests of crash safety): when the environment variable QBM_JET_KILL_AFTER_WRITES
// holds a number k, the process kills itself (SIGKILL, no clean-up) right after its k-th call of
// writeAt on any PlatformFile; with QBM_JET_TORN_WRITE=1 the k-th write is cut in half first. The
// count of writes so far is writeCount().

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "jet/file/storage.h"

namespace jet {

enum class FileAccess { ReadOnly, ReadWrite };
// Exclusive: no other open of the file may exist (in this process or another).
// Shared: other shared opens may exist, an exclusive one may not.
// None: no lock (for files that a lock on another file already covers, such as a journal).
enum class FileLock { Shared, Exclusive, None };

class PlatformFile final : public Storage {
 public:
  // Opens an existing regular file and takes the lock without waiting. Throws Error(Locked) when
  // another open holds a conflicting lock, Error(Io) when the file cannot be opened (message names
  // the path and the system's reason: no such file, not writable, a folder, a named pipe, a
  // device...). Never waits on a named pipe or device, and never holds a file on a standard
  // descriptor (0-2 on POSIX): were one closed, the program's own output would reach the file.
  static std::unique_ptr<PlatformFile> open(const std::filesystem::path& path, FileAccess access,
                                            FileLock lock);
  // Makes a new, empty file, opened read-write with the lock taken. Throws Error(Io) when the file
  // exists already or cannot be made.
  static std::unique_ptr<PlatformFile> create(const std::filesystem::path& path, FileLock lock);
  ~PlatformFile() override;  // releases the lock and closes
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;

  std::uint64_t size() const override;
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
  bool writable() const override { return writable_; }
  // Each throws Error(Io) naming the path and the system's reason; Error(ReadOnly) when opened
  // read-only.
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  void truncate(std::uint64_t size) override;
  void sync() override;  // fsync / FlushFileBuffers
  const std::filesystem::path& path() const { return path_; }

  // Last-modified time of a file by path. Throws Error(Io) when the file is not there.
  static std::chrono::system_clock::time_point lastModified(const std::filesystem::path& path);
  static bool exists(const std::filesystem::path& path);
  // Deletes the file and makes the deletion durable (the folder is flushed too where the system
  // needs it). A missing file is not an error. Throws Error(Io).
  static void remove(const std::filesystem::path& path);
  // Renames from to to, replacing to, durably. Throws Error(Io).
  static void rename(const std::filesystem::path& from, const std::filesystem::path& to);

  // Calls of writeAt made by this process so far (all files).
  static std::uint64_t writeCount();
  // Test hook, as the environment variables above: the process kills itself right after the
  // writes-th call of writeAt from now (0: never); torn cuts that write in half first.
  static void killAfterWrites(std::uint64_t writes, bool torn);

 private:
  PlatformFile(std::filesystem::path path, std::intptr_t handle, bool writable)
      : path_(std::move(path)), handle_(handle), writable_(writable) {}
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
  bool writable_ = false;
};

}  // namespace jet
