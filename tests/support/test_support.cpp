#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <process.h>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "jet/check.h"
#include "jet/database.h"
#include "jet/file/journal.h"

namespace qbm::test {
namespace fs = std::filesystem;

fs::path sharedDirSetting() {
  const char* dir = std::getenv("QBM_SHARED_DIR");
  return dir && *dir ? fs::path(dir) : fs::path(QBM_SHARED_DIR);
}

fs::path sharedDir() {
  fs::path dir = sharedDirSetting();
  std::error_code ec;
  if (fs::is_directory(dir / "interop", ec) && fs::is_directory(dir / "fixtures", ec)) return dir;
  return {};
}

std::vector<std::string> sharedDatabases() {
  fs::path dir = sharedDir();
  if (dir.empty()) return {"(shared data absent)"};
  std::vector<std::string> names;
  for (const char* sub : {"interop", "fixtures"})
    for (const auto& entry : fs::directory_iterator(dir / sub))
      if (entry.path().extension() == ".mdb") names.push_back(std::string(sub) + "/" + entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string testNameOf(const std::string& sharedPath) {
  std::string name = sharedPath;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

ScratchDir::ScratchDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
  for (char& c : name)
    if (c == '/') c = '_';
  path_ = fs::temp_directory_path() /
          ("qbm-" + name + "-" + std::to_string(rd()) + "-" + std::to_string(counter++));
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void copyFileOver(const fs::path& from, const fs::path& to) {
  // Not copy_options::overwrite_existing: MinGW's library takes any two files on Windows for the
  // same file (no inode numbers there) and refuses with "File exists".
  fs::remove(to);
  fs::copy_file(from, to);
}

fs::path copyShared(const std::string& relative, const fs::path& dir, const std::string& as) {
  fs::path from = sharedDir() / relative;
  fs::path to = dir / (as.empty() ? fs::path(relative).filename() : fs::path(as));
  // A copy that is still the same is left as it is: it may be open (the same file opened again),
  // and Windows replaces no open file.
  if (fs::exists(to) && fileBytes(to) == fileBytes(from)) return to;
  copyFileOver(from, to);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return to;
}

namespace {

// The folder of the running program.
fs::path programDir() {
#ifdef _WIN32
  std::wstring name(32768, L'\0');
  name.resize(GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
  return fs::path(name).parent_path();
#else
  return fs::read_symlink("/proc/self/exe").parent_path();
#endif
}

#ifdef _WIN32
constexpr const char* kExe = ".exe";
#else
constexpr const char* kExe = "";
#endif

}  // namespace

fs::path cliProgram() { return programDir().parent_path() / "cli" / (std::string("qbmerge-cli") + kExe); }

fs::path testChildProgram() { return programDir() / (std::string("qbm_test_child") + kExe); }

void leaveInterruptedChange(const fs::path& database) {
  std::string out;
  ASSERT_EQ(0, runProgram(testChildProgram(), {"interrupt", database.string()}, &out))
      << "the interrupted change could not be made: " << out;
  ASSERT_TRUE(fs::exists(jet::journalPathFor(fs::canonical(database)))) << "the journal lives beside the real file";
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string textOf(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

#ifdef _WIN32

// Windows has no immutable attribute; the read-only attribute keeps every writer out.
UnwritableFile::UnwritableFile(fs::path path) : path_(std::move(path)) {
  fs::permissions(path_, fs::perms::owner_write, fs::perm_options::remove);
}

UnwritableFile::~UnwritableFile() { fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add); }

bool UnwritableFile::effective() const {
  HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return h == INVALID_HANDLE_VALUE;
}

#else

namespace {

// Sets or clears the immutable attribute; false when the file system does not have it.
bool setImmutable(const fs::path& path, bool on) {
  int handle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (handle < 0) return false;
  int flags = 0;
  bool done = ::ioctl(handle, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ::ioctl(handle, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(handle);
  return done;
}

}  // namespace

UnwritableFile::UnwritableFile(fs::path path) : path_(std::move(path)) {
  if (::geteuid() == 0)
    immutable_ = setImmutable(path_, true);
  else
    fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

UnwritableFile::~UnwritableFile() {
  if (immutable_)
    setImmutable(path_, false);
  else
    fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add);
}

bool UnwritableFile::effective() const {
  int handle = ::open(path_.c_str(), O_RDWR);
  if (handle >= 0) ::close(handle);
  return handle < 0;
}

#endif

#ifdef _WIN32

// Double quotes, as the C runtime splits a command line: backslashes before a quote are doubled
// and the quote escaped. (The tests' texts hold no % or ^ that cmd.exe would expand.)
std::string quoted(const std::string& text) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

const char* nullDevice() { return "NUL"; }

// cmd.exe started by hand rather than through _popen: Wine's _pclose now and then gives -1 instead
// of the exit code of a command that ran.
int runCommand(const std::string& command, std::string* out) {
  std::fflush(nullptr);
  // cmd.exe /s /c drops the first and the last quote of the line: the command is wrapped in a pair
  // of its own. The command is UTF-8, as every text here; cmd.exe takes it as UTF-16.
  const std::string line = "cmd.exe /s /c \"" + command + "\"";
  std::wstring wide(line.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(), static_cast<int>(wide.size()))));
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  PROCESS_INFORMATION process{};
  // Wine now and then fails to start a process at the first try (nothing has run then, so trying
  // again cannot repeat a command's effects).
  for (int attempt = 1;; ++attempt) {
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    const BOOL started = CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    const DWORD error = started ? 0 : GetLastError();
    CloseHandle(writeEnd);  // the child holds the only write end: reading ends when it does
    if (started) break;
    CloseHandle(readEnd);
    if (attempt == 3) {
      std::fprintf(stderr, "runCommand: cmd.exe could not be started (error %lu)\n", static_cast<unsigned long>(error));
      return -1;
    }
    Sleep(200);
  }
  std::string text;
  std::array<char, 65536> buffer;
  DWORD n = 0;
  while (ReadFile(readEnd, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
    text.append(buffer.data(), n);
  CloseHandle(readEnd);
  if (out) {  // read as text, as on POSIX: CR LF becomes LF
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) *out += text[i];
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::string withTimeLimit(int, const std::string& command) { return command; }

bool killedByFaultInjection(int status) { return status == 9; }  // TerminateProcess(…, 9)

bool haveProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ';');)
    for (const char* extension : {"", ".exe", ".cmd", ".bat"}) {
      std::error_code ec;
      if (!folder.empty() && fs::is_regular_file(fs::path(folder) / (name + extension), ec)) return true;
    }
  return false;
}

#else

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

const char* nullDevice() { return "/dev/null"; }

int runCommand(const std::string& command, std::string* out) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    if (out) out->append(buffer.data(), n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::string withTimeLimit(int seconds, const std::string& command) {
  return "timeout " + std::to_string(seconds) + " " + command;
}

bool killedByFaultInjection(int status) { return status == 128 + SIGKILL; }

bool haveProgram(const std::string& name) {
  return runCommand("command -v " + name + " >/dev/null 2>&1", nullptr) == 0;
}

#endif

int runProgram(const fs::path& program, const std::vector<std::string>& arguments, std::string* out,
               const std::string& redirections) {
#ifdef _WIN32
  // Started directly (no cmd.exe) when there is nothing to redirect or capture: one process fewer
  // for each of the crash tests' hundreds of runs.
  if (!out && redirections.empty()) {
    std::vector<std::wstring> words{L"\"" + program.wstring() + L"\""};
    for (const std::string& argument : arguments) {
      const std::string word = quoted(argument);
      std::wstring wide(word.size() + 1, L'\0');
      wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, word.data(), static_cast<int>(word.size()),
                                                               wide.data(), static_cast<int>(wide.size()))));
      words.push_back(std::move(wide));
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& word : words) argv.push_back(word.c_str());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    return static_cast<int>(_wspawnv(_P_WAIT, program.c_str(), argv.data()));
  }
#endif
  std::string command = quoted(program);
  for (const std::string& argument : arguments) command += " " + quoted(argument);
  return runCommand(command + " <" + nullDevice() + (redirections.empty() ? "" : " " + redirections), out);
}

std::string problemsOf(const fs::path& database) {
  std::string text;
  for (const jet::Problem& p : jet::check(database)) text += p.where + ": " + p.what + "\n";
  return text;
}

const std::string& cliCommand() {
  static const std::string command = quoted(cliProgram());
  return command;
}

std::string nodeReaderScript() { return std::string(QBM_SOURCE_DIR) + "/tests/interop/node/read.mjs"; }

std::string tablesReadBack(jet::Database& db) {
  std::string out;
  for (const std::string& name : db.tableNames()) {
    jet::Table table = db.table(name);
    const int columns = static_cast<int>(table.columns().size());
    std::vector<std::string> rows;
    for (table.moveFirst(); !table.eof(); table.moveNext()) {
      std::string row;
      for (int c = 0; c < columns; ++c) {
        const jet::Value v = table.get(c);
        row += c ? "," : "";
        row += v.isNull() ? "Null" : v.is<std::string>() ? "\"" + v.as<std::string>() + "\"" : v.toString();
      }
      rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
    out += name + "\n";
    for (const std::string& row : rows) out += row + "\n";
  }
  return out;
}

std::string firstDifferentLine(const std::string& a, const std::string& b) {
  std::istringstream as(a), bs(b);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(as, la)), moreB = static_cast<bool>(std::getline(bs, lb));
    if (!moreA && !moreB) return "none";
    if (la != lb || moreA != moreB)
      return "line " + std::to_string(line) + ": " + (moreA ? la : "(end)") + "\n  vs " + (moreB ? lb : "(end)");
  }
}

}  // namespace qbm::test
