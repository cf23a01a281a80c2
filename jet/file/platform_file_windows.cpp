// PlatformFile for Windows. The lock is a LockFileEx range lock over the whole file, held by the
// handle: a second open of the file conflicts with it even in this process. Offsets go through
// OVERLAPPED, so reads and writes never move a shared file pointer.
#ifdef _WIN32

#include "jet/file/platform_file.h"

#include <cstring>
#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>

#include "jet/error.h"
#include "jet/path_text.h"

namespace jet {

namespace {

std::string reason() {
  DWORD code = GetLastError();
  char buffer[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                           sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
  return text.empty() ? "system error " + std::to_string(code) : text;
}

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

void writeAll(HANDLE h, const std::uint8_t* data, std::size_t length, std::uint64_t offset,
              const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < length) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1u << 30));
    OVERLAPPED o = at(offset + done);
    DWORD written = 0;
    if (!WriteFile(h, data + done, chunk, &written, &o))
      throw Error(ErrorCode::Io, "cannot write " + utf8Of(path) + ": " + reason());
    done += written;
  }
}

HANDLE openHandle(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  // Sharing is left open; the lock below decides who may use the file.
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void lockHandle(HANDLE h, FileLock lock, const std::filesystem::path& path) {
  if (lock == FileLock::None) return;
  OVERLAPPED o{};
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (lock == FileLock::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  if (!LockFileEx(h, flags, 0, MAXDWORD, MAXDWORD, &o)) {
    bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
    std::string why = reason();
    CloseHandle(h);
    if (busy) throw Error(ErrorCode::Locked, utf8Of(path) + " is in use by another program or window");
    throw Error(ErrorCode::Io, "cannot lock " + utf8Of(path) + ": " + why);
  }
}

}  // namespace

std::unique_ptr<PlatformFile> PlatformFile::open(const std::filesystem::path& path, FileAccess access,
                                                 FileLock lock) {
  DWORD mode = access == FileAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw Error(ErrorCode::Io, "cannot open " + utf8Of(path) + ": it is a folder, not a file");
  HANDLE h = openHandle(path, mode, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) {
    bool denied = access == FileAccess::ReadWrite && GetLastError() == ERROR_ACCESS_DENIED;
    throw Error(ErrorCode::Io, "cannot open " + utf8Of(path) + (denied ? " for writing: " : ": ") + reason());
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    throw Error(ErrorCode::Io, "cannot open " + utf8Of(path) + ": not a regular file");
  }
  lockHandle(h, lock, path);
  return std::unique_ptr<PlatformFile>(
      new PlatformFile(path, reinterpret_cast<std::intptr_t>(h), access == FileAccess::ReadWrite));
}

std::unique_ptr<PlatformFile> PlatformFile::create(const std::filesystem::path& path, FileLock lock,
                                                   const FileOwnership&) {
  // A new file inherits the access list of its folder, as the database beside it did.
  HANDLE h = openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  if (h == INVALID_HANDLE_VALUE) throw Error(ErrorCode::Io, "cannot create " + utf8Of(path) + ": " + reason());
  lockHandle(h, lock, path);
  return std::unique_ptr<PlatformFile>(new PlatformFile(path, reinterpret_cast<std::intptr_t>(h), true));
}

PlatformFile::~PlatformFile() {
  if (handle_ != -1) CloseHandle(handleOf(handle_));  // closing releases the lock
}

std::uint64_t PlatformFile::size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handleOf(handle_), &size))
    throw Error(ErrorCode::Io, "cannot read the size of " + utf8Of(path_) + ": " + reason());
  return static_cast<std::uint64_t>(size.QuadPart);
}

void PlatformFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    OVERLAPPED o = at(offset + done);
    DWORD read = 0;
    if (!ReadFile(handleOf(handle_), out.data() + done, chunk, &read, &o)) {
      if (GetLastError() == ERROR_HANDLE_EOF)
        throw Error(ErrorCode::Io, "cannot read " + utf8Of(path_) + ": unexpected end of file");
      throw Error(ErrorCode::Io, "cannot read " + utf8Of(path_) + ": " + reason());
    }
    if (read == 0) throw Error(ErrorCode::Io, "cannot read " + utf8Of(path_) + ": unexpected end of file");
    done += read;
  }
}

void PlatformFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (!writable_) Storage::writeAt(offset, data);
  writeAll(handleOf(handle_), data.data(), data.size(), offset, path_);
}

void PlatformFile::truncate(std::uint64_t size) {
  if (!writable_) Storage::truncate(size);
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &end, sizeof end))
    throw Error(ErrorCode::Io, "cannot change the size of " + utf8Of(path_) + ": " + reason());
}

void PlatformFile::sync() {
  if (!writable_) Storage::sync();
  if (!FlushFileBuffers(handleOf(handle_)))
    throw Error(ErrorCode::Io, "cannot flush " + utf8Of(path_) + " to disk: " + reason());
}

std::chrono::system_clock::time_point PlatformFile::lastModified(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info))
    throw Error(ErrorCode::Io, "cannot read the time of " + utf8Of(path) + ": " + reason());
  // 100-nanosecond intervals since 1601-01-01.
  std::uint64_t ticks = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                        info.ftLastWriteTime.dwLowDateTime;
  constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ull;
  using namespace std::chrono;
  auto since1970 = duration<std::int64_t, std::ratio<1, 10000000>>(static_cast<std::int64_t>(ticks - kTicksFrom1601To1970));
  return system_clock::time_point(duration_cast<system_clock::duration>(since1970));
}

bool PlatformFile::exists(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PlatformFile::remove(const std::filesystem::path& path) {
  // The deletion is durable once it returns: NTFS logs the directory change before it completes.
  if (!DeleteFileW(path.c_str())) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return;
    throw Error(ErrorCode::Io, "cannot delete " + utf8Of(path) + ": " + reason());
  }
}

void PlatformFile::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw Error(ErrorCode::Io, "cannot rename " + utf8Of(from) + " to " + utf8Of(to) + ": " + reason());
}

namespace {

BY_HANDLE_FILE_INFORMATION informationOf(HANDLE h, const std::filesystem::path& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info))
    throw Error(ErrorCode::Io, "cannot examine " + utf8Of(path) + ": " + reason());
  return info;
}

FileIdentity identityIn(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// "\\?\C:\x" -> "C:\x", "\\?\UNC\server\share" -> "\\server\share": the final path as people
// write it, which every call of the engine takes.
std::wstring withoutLongPathPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

}  // namespace

std::filesystem::path PlatformFile::finalPath() const {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(handleOf(handle_), buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) throw Error(ErrorCode::Io, "cannot find where " + utf8Of(path_) + " is: " + reason());
    if (n < buffer.size()) return std::filesystem::path(withoutLongPathPrefix(std::wstring(buffer.data(), n)));
    buffer.resize(n + 1);
  }
}

FileIdentity PlatformFile::identity() const { return identityIn(informationOf(handleOf(handle_), path_)); }

std::uint32_t PlatformFile::linkCount() const { return informationOf(handleOf(handle_), path_).nNumberOfLinks; }

FileOwnership PlatformFile::ownership() const { return {}; }

std::optional<FileIdentity> PlatformFile::identityOf(const std::filesystem::path& path) {
  // No access asked for, so any file opens; FILE_FLAG_BACKUP_SEMANTICS lets a folder open too.
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!known) return std::nullopt;
  return identityIn(info);
}

std::optional<FileOwnership> PlatformFile::ownershipOf(const std::filesystem::path& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return FileOwnership{};
}

void PlatformFile::restrictPermissions(const std::filesystem::path&, const FileOwnership&) {}

}  // namespace jet

#endif  // _WIN32
