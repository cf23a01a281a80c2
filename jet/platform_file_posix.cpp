// PlatformFile for POSIX systems. The lock is a flock() lock: it belongs to the open file
// description, so a second open of the same file conflicts with it even in this process (fcntl
// record locks would not: they are per process and vanish when any descriptor of the file closes).
#ifndef _WIN32

#include "jet/platform_file.h"

#include <cerrno>
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

}  // namespace

std::unique_ptr<PlatformFile> PlatformFile::open(const std::filesystem::path& path,
                                                 FileAccess access, FileLock lock) {
  int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int handle;
  do {
    handle = ::open(path.c_str(), flags);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) throw Error(ErrorCode::Io, "cannot open " + path.string() + ": " + reason());
  struct stat info {};
  if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(handle);
    throw Error(ErrorCode::Io, "cannot open " + path.string() + ": not a regular file");
  }
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
  return std::unique_ptr<PlatformFile>(new PlatformFile(path, handle));
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

}  // namespace jet

#endif  // _WIN32
