// PlatformFile for POSIX systems. The lock is a flock() lock: it belongs to the open file
// description, so a second open of the same file conflicts with it even in this process (fcntl
// record locks would not: they are per process and vanish when any descriptor of the file closes).
#ifndef _WIN32

#include "jet/file/platform_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jet/error.h"

namespace jet {

namespace {

std::string reason() { return std::strerror(errno); }

int fd(std::intptr_t handle) { return static_cast<int>(handle); }

void writeAll(int handle, const std::uint8_t* data, std::size_t length, std::uint64_t offset,
              const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < length) {
    ssize_t n = ::pwrite(handle, data + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Error(ErrorCode::Io, "cannot write " + path.string() + ": " + reason());
    done += static_cast<std::size_t>(n);
  }
}

int openHandle(const std::filesystem::path& path, int flags, mode_t mode = 0666) {
  int handle;
  do {
    handle = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (handle < 0 && errno == EINTR);
  return handle;
}

// A file must never sit on descriptor 0, 1 or 2: when the program was started with one of them
// closed, the next open takes it, and the program's own output would then be written into the
// database. The file moves to a higher descriptor and the null device takes the standard one, so
// that nothing else lands there either. Returns the descriptor to use, or -1 (errno set) after
// closing the handle.
int awayFromStandardDescriptors(int handle) {
  if (handle < 0 || handle > 2) return handle;
  int moved = ::fcntl(handle, F_DUPFD_CLOEXEC, 3);
  if (moved < 0) {
    int error = errno;
    ::close(handle);
    errno = error;
    return -1;
  }
  int null = ::open("/dev/null", O_RDWR);
  if (null >= 0 && null != handle) {
    ::dup2(null, handle);  // closes the file's low descriptor; `moved` keeps it open
    if (null > 2) ::close(null);
  } else {
    ::close(handle);
  }
  return moved;
}

// What a path that is not a regular file is, for messages.
std::string kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder, not a file";
  if (S_ISFIFO(mode)) return "it is a named pipe (FIFO), not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
  if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
  return "it is not a regular file";
}

// Takes the lock; closes the handle and throws when it cannot.
void lockHandle(int handle, FileLock lock, const std::filesystem::path& path) {
  if (lock == FileLock::None) return;
  int operation = (lock == FileLock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  int result;
  do {
    result = ::flock(handle, operation);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    bool busy = errno == EWOULDBLOCK;
    std::string why = reason();
    ::close(handle);
    if (busy) throw Error(ErrorCode::Locked, path.string() + " is in use by another program or window");
    throw Error(ErrorCode::Io, "cannot lock " + path.string() + ": " + why);
  }
}

void syncFolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  int handle = openHandle(folder, O_RDONLY | O_DIRECTORY);
  if (handle < 0) return;  // some systems do not let folders be opened; nothing more can be done
  ::fsync(handle);
  ::close(handle);
}

}  // namespace

std::unique_ptr<PlatformFile> PlatformFile::open(const std::filesystem::path& path,
                                                 FileAccess access, FileLock lock) {
  const bool write = access == FileAccess::ReadWrite;
  // Only regular files are opened: opening a named pipe would wait for a writer, and opening a
  // device may do something. The type is checked before the open and again on what was opened,
  // which non-blocking mode keeps from waiting should the path have changed in between.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw Error(ErrorCode::Io, "cannot open " + path.string() + ": " + kindOf(info.st_mode));
  int handle = openHandle(path, (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY);
  if (handle < 0) {
    bool denied = write && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY);
    throw Error(ErrorCode::Io, "cannot open " + path.string() + (denied ? " for writing: " : ": ") + reason());
  }
  if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
    std::string why = kindOf(info.st_mode);
    ::close(handle);
    throw Error(ErrorCode::Io, "cannot open " + path.string() + ": " + why);
  }
  ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
  handle = awayFromStandardDescriptors(handle);
  if (handle < 0) throw Error(ErrorCode::Io, "cannot open " + path.string() + ": " + reason());
  lockHandle(handle, lock, path);
  return std::unique_ptr<PlatformFile>(new PlatformFile(path, handle, write));
}

std::unique_ptr<PlatformFile> PlatformFile::create(const std::filesystem::path& path, FileLock lock,
                                                   const FileOwnership& like) {
  // Private from the start; like's permissions come once its owner and group are set.
  int handle = awayFromStandardDescriptors(openHandle(path, O_RDWR | O_CREAT | O_EXCL | O_NOCTTY, like.known ? 0600 : 0666));
  if (handle < 0) throw Error(ErrorCode::Io, "cannot create " + path.string() + ": " + reason());
  if (like.known) {
    // Only a privileged program may give a file away; a group it is a member of will do too. A
    // group that could not be set keeps no permissions, so the file is never more open than like's.
    struct stat made {};
    if (::fchown(handle, like.user, like.group) != 0) (void)::fchown(handle, static_cast<uid_t>(-1), like.group);
    std::uint32_t mode = like.mode & 0777;
    if (::fstat(handle, &made) == 0 && made.st_gid != like.group) mode &= ~0070u;
    (void)::fchmod(handle, mode);  // a failure leaves it at 0600, which is stricter still
  }
  lockHandle(handle, lock, path);
  return std::unique_ptr<PlatformFile>(new PlatformFile(path, handle, true));
}

PlatformFile::~PlatformFile() {
  if (handle_ >= 0) ::close(fd(handle_));  // closing the last descriptor releases the flock
}

std::uint64_t PlatformFile::size() const {
  struct stat info {};
  if (::fstat(fd(handle_), &info) != 0)
    throw Error(ErrorCode::Io, "cannot read the size of " + path_.string() + ": " + reason());
  return static_cast<std::uint64_t>(info.st_size);
}

void PlatformFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd(handle_), out.data() + done, out.size() - done,
                        static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Error(ErrorCode::Io, "cannot read " + path_.string() + ": " + reason());
    if (n == 0) throw Error(ErrorCode::Io, "cannot read " + path_.string() + ": unexpected end of file");
    done += static_cast<std::size_t>(n);
  }
}

void PlatformFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (!writable_) Storage::writeAt(offset, data);
  writeAll(fd(handle_), data.data(), data.size(), offset, path_);
}

void PlatformFile::truncate(std::uint64_t size) {
  if (!writable_) Storage::truncate(size);
  int result;
  do {
    result = ::ftruncate(fd(handle_), static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  if (result != 0) throw Error(ErrorCode::Io, "cannot change the size of " + path_.string() + ": " + reason());
}

void PlatformFile::sync() {
  if (!writable_) Storage::sync();
#if defined(__APPLE__)
  int result = ::fcntl(fd(handle_), F_FULLFSYNC);  // fsync alone does not reach the disk there
  if (result != 0) result = ::fsync(fd(handle_));
#else
  int result = ::fsync(fd(handle_));
#endif
  if (result != 0) throw Error(ErrorCode::Io, "cannot flush " + path_.string() + " to disk: " + reason());
}

std::chrono::system_clock::time_point PlatformFile::lastModified(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    throw Error(ErrorCode::Io, "cannot read the time of " + path.string() + ": " + reason());
  using namespace std::chrono;
#if defined(__APPLE__)
  const auto& time = info.st_mtimespec;
#else
  const auto& time = info.st_mtim;
#endif
  return system_clock::time_point(duration_cast<system_clock::duration>(seconds(time.tv_sec) +
                                                                        nanoseconds(time.tv_nsec)));
}

bool PlatformFile::exists(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

void PlatformFile::remove(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) != 0) {
    if (errno == ENOENT) return;
    throw Error(ErrorCode::Io, "cannot delete " + path.string() + ": " + reason());
  }
  syncFolderOf(path);
}

void PlatformFile::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw Error(ErrorCode::Io, "cannot rename " + from.string() + " to " + to.string() + ": " + reason());
  syncFolderOf(to);
}

namespace {

struct stat statusOf(int handle, const std::filesystem::path& path) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) throw Error(ErrorCode::Io, "cannot examine " + path.string() + ": " + reason());
  return info;
}

FileIdentity identityIn(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

FileOwnership ownershipIn(const struct stat& info) {
  return {true, static_cast<std::uint32_t>(info.st_uid), static_cast<std::uint32_t>(info.st_gid),
          static_cast<std::uint32_t>(info.st_mode & 0777)};
}

}  // namespace

std::filesystem::path PlatformFile::finalPath() const {
  char* resolved = ::realpath(path_.c_str(), nullptr);
  if (!resolved) throw Error(ErrorCode::Io, "cannot find where " + path_.string() + " is: " + reason());
  std::filesystem::path real(resolved);
  std::free(resolved);
  if (identityOf(real) != identity())
    throw Error(ErrorCode::Io, "cannot find where " + path_.string() + " is: it was moved or replaced while it was opened");
  return real;
}

FileIdentity PlatformFile::identity() const { return identityIn(statusOf(fd(handle_), path_)); }

std::uint32_t PlatformFile::linkCount() const {
  return static_cast<std::uint32_t>(statusOf(fd(handle_), path_).st_nlink);
}

FileOwnership PlatformFile::ownership() const { return ownershipIn(statusOf(fd(handle_), path_)); }

std::optional<FileIdentity> PlatformFile::identityOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return identityIn(info);
}

std::optional<FileOwnership> PlatformFile::ownershipOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return ownershipIn(info);
}

void PlatformFile::restrictPermissions(const std::filesystem::path& path, const FileOwnership& like) {
  struct stat info {};
  if (!like.known || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const mode_t mode = info.st_mode & 0777 & like.mode;
  if (mode != (info.st_mode & 0777) && ::chmod(path.c_str(), mode) != 0)
    throw Error(ErrorCode::Io, "cannot change the permissions of " + path.string() + ": " + reason());
}

}  // namespace jet

#endif  // _WIN32
