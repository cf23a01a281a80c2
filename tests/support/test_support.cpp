#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jet/database.h"
#include "jet/table/database_core.h"

namespace qbm::test {
namespace fs = std::filesystem;

fs::path sharedDir() {
  fs::path dir = QBM_SHARED_DIR;
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

fs::path copyShared(const std::string& relative, const fs::path& dir) {
  fs::path from = sharedDir() / relative;
  fs::path to = dir / fs::path(relative).filename();
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return to;
}

void leaveInterruptedChange(const fs::path& database) {
  pid_t child = fork();
  if (child == 0) {
    try {
      jet::Database db = jet::Database::open(database);
      jet::PageFile& file = jet::detail::coreOf(db).file();
      file.setSpillLimit(16);  // so that changed pages reach the file
      db.begin();
      const std::uint32_t pages = file.pageCount();
      for (std::uint32_t page = 1; page < pages && page <= 40; ++page) {
        std::vector<std::uint8_t> bytes = file.copyPage(page);
        // The catalog (its definition on page 2, its data and index pages, the usage maps on page
        // 1 and on pages of no table) is left alone, so that the half-written file still opens when
        // its journal is not applied.
        const std::uint32_t owner = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<std::uint32_t>(bytes[7]) << 24;
        if (page <= 2 || ((bytes[0] == 1 || bytes[0] == 3 || bytes[0] == 4) && owner <= 2)) continue;
        bytes.back() ^= 0xFF;
        file.writePage(page, std::move(bytes));
      }
      // Pages added at the end, so that even a small file has more changed pages than wait in
      // memory.
      for (int added = 0; added < 20; ++added) file.appendPage(std::vector<std::uint8_t>(file.pageSize(), 0));
      _exit(0);  // no commit, no clean-up: the database is never closed
    } catch (...) {
      _exit(3);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the interrupted change could not be made";
  ASSERT_TRUE(fs::exists(jet::journalPathFor(database)));
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFileBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

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

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int runCommand(const std::string& command, std::string* out) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    if (out) out->append(buffer.data(), n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveProgram(const std::string& name) {
  return runCommand("command -v " + name + " >/dev/null 2>&1", nullptr) == 0;
}

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
