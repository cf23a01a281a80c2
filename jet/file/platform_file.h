#pragma once
// The operating system's file: open with a lock held for as long as the object lives, read and write
// at an offset, size, flush to disk, truncate; what tells the file apart from others (its identity,
// its names, its owner and permissions); and the few whole-file operations the engine needs
// (create, delete, rename, last-modified time). This header is portable; each platform has its own
// .cpp (platform_file_posix.cpp; platform_file_windows.cpp, which is built and tested only on
// Windows). No other file of the engine calls the operating system.
//
// Nothing here injects faults: tests that crash a program in the middle of its writes wrap the
// files a database opens in a Storage of their own (Database::open with a StorageWrapper).

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "jet/file/storage.h"

namespace jet {

enum class FileAccess { ReadOnly, ReadWrite };
// Exclusive: no other open of the file may exist (in this process or another).
// Shared: other shared opens may exist, an exclusive one may not.
// None: no lock (for files that a lock on another file already covers, such as a journal).
enum class FileLock { Shared, Exclusive, None };

// What tells one file from another under any of its names: device and inode number on POSIX
// systems, volume serial number and file ID on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Who owns a file and who may write it: the POSIX user and group IDs and permission bits. Windows
// keeps access in lists the engine does not judge: there known is false and nothing is compared.
struct FileOwnership {
  bool known = false;
  std::uint32_t user = 0;
  std::uint32_t group = 0;
  std::uint32_t mode = 0;  // the permission bits (0777)
};

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
  // exists already or cannot be made. With `like` known, the file is made private first and then
  // given like's permission bits (whatever the umask) and, where the program may set them, like's
  // owner and group: it is never readable by anyone who may not read like's file.
  static std::unique_ptr<PlatformFile> create(const std::filesystem::path& path, FileLock lock,
                                              const FileOwnership& like = {});
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
  // The path the file was opened by, as given.
  const std::filesystem::path& path() const { return path_; }
  // The file's path with every symbolic link resolved (on Windows the final path of the handle):
  // the same for every name of the file but its hard links. Throws Error(Io) when it cannot be
  // found, or when the path found is no longer this file.
  std::filesystem::path finalPath() const;
  FileIdentity identity() const;
  // How many names (hard links) the file has.
  std::uint32_t linkCount() const;
  FileOwnership ownership() const;

  // The identity of the file at path (symbolic links followed); nothing when there is none or it
  // cannot be examined.
  static std::optional<FileIdentity> identityOf(const std::filesystem::path& path);
  // The owner and permissions of what is at path itself (a symbolic link is not followed: its own
  // owner counts); nothing when there is nothing there. Unknown (known false) on Windows.
  static std::optional<FileOwnership> ownershipOf(const std::filesystem::path& path);
  // Takes away every permission bit of the file at path that `like` does not have. Throws Error(Io)
  // when the system refuses (the file belongs to another user, say). Nothing on Windows.
  static void restrictPermissions(const std::filesystem::path& path, const FileOwnership& like);

  // Last-modified time of a file by path. Throws Error(Io) when the file is not there.
  static std::chrono::system_clock::time_point lastModified(const std::filesystem::path& path);
  static bool exists(const std::filesystem::path& path);
  // Deletes the file and makes the deletion durable (the folder is flushed too where the system
  // needs it). A missing file is not an error. Throws Error(Io).
  static void remove(const std::filesystem::path& path);
  // Renames from to to, replacing to, durably. Throws Error(Io).
  static void rename(const std::filesystem::path& from, const std::filesystem::path& to);

 private:
  PlatformFile(std::filesystem::path path, std::intptr_t handle, bool writable)
      : path_(std::move(path)), handle_(handle), writable_(writable) {}
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
  bool writable_ = false;
};

}  // namespace jet
