#pragma once
// Shared helpers for the tests: where the shared test data lives, scratch files, and running commands.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/path_text.h"

namespace qbm::test {

// ../shared (interop/ and fixtures/) as configured at build time; empty path when it does not exist.
std::filesystem::path sharedDir();

// ../shared as the environment variable QBM_SHARED_DIR names it, else as configured at build time
// (a cross-built test program run elsewhere, e.g. under Wine, is given the path in its own form).
std::filesystem::path sharedDirSetting();

// Skips the current test, with a line that says why, when ../shared is absent. Use as
//   QBM_REQUIRE_SHARED();
#define QBM_REQUIRE_SHARED()                                                                      \
  do {                                                                                            \
    if (::qbm::test::sharedDir().empty())                                                         \
      GTEST_SKIP() << "shared test data not found (expected at "                                  \
                   << ::qbm::test::sharedDirSetting().string()                                    \
                   << "); interop checks need ../shared beside the project";                      \
  } while (0)

// The databases of ../shared as "interop/NAME.mdb" and "fixtures/NAME.mdb", sorted; one entry
// "(shared data absent)" when the folder is missing, so that parameterized tests still run and skip.
std::vector<std::string> sharedDatabases();
// A name for a parameterized test made from a shared database's relative path.
std::string testNameOf(const std::string& sharedPath);

// A fresh, empty folder for one test, removed again by the destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Copies the file, replacing what is at `to`.
void copyFileOver(const std::filesystem::path& from, const std::filesystem::path& to);
// Copies a file of ../shared (e.g. "interop/testV2000.mdb") into dir, under its own name or the
// one given, and returns the copy's path. A copy already there with the same bytes is kept.
std::filesystem::path copyShared(const std::string& relative, const std::filesystem::path& dir,
                                 const std::string& as = "");

// The programs the tests run, found beside the running test program (build/tests/): the
// command-line program (build/cli/qbmerge-cli) and the tests' child program (qbm_test_child, see
// tests/support/test_child.cpp).
std::filesystem::path cliProgram();
std::filesystem::path testChildProgram();

// Leaves the database as a program killed in the middle of a transaction would: pages of the file
// changed (the last byte of each of its first pages flipped, empty pages added at the end) and
// the originals in the journal beside it (beside the file its symbolic links lead to). Runs the
// transaction in a child process that ends without commit or clean-up.
void leaveInterruptedChange(const std::filesystem::path& database);

// The file's bytes; writing replaces the file's contents. textOf: the same as text ("" when the
// file is missing), the file closed again (Windows removes no open file).
std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path);
std::string textOf(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Makes a file that may not be written, as an immutable file or one on a read-only mount is: the
// immutable attribute where the tests run as root (who may write any file), the permissions
// otherwise. effective() tells whether a write open now fails; the destructor undoes it.
class UnwritableFile {
 public:
  explicit UnwritableFile(std::filesystem::path path);
  ~UnwritableFile();
  UnwritableFile(const UnwritableFile&) = delete;
  UnwritableFile& operator=(const UnwritableFile&) = delete;
  bool effective() const;

 private:
  std::filesystem::path path_;
  bool immutable_ = false;
};

// The text as one word for the shell runCommand uses: in single quotes for sh (a quote inside
// becomes '\''), in double quotes for cmd.exe on Windows.
std::string quoted(const std::string& text);
inline std::string quoted(const char* text) { return quoted(std::string(text)); }
inline std::string quoted(const std::filesystem::path& path) { return quoted(jet::utf8Of(path)); }

// The null device for redirections ("/dev/null", or "NUL" on Windows).
const char* nullDevice();

// Runs a shell command (sh, or cmd.exe on Windows); returns its exit status (128 + the signal's
// number for a program a signal ended) and fills out with its standard output.
int runCommand(const std::string& command, std::string* out);
// Runs the program with these arguments, each quoted, and standard input from the null device.
int runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               std::string* out = nullptr, const std::string& redirections = "");
// The command, ended when it runs longer than that (timeout(1); on Windows the command as it is).
std::string withTimeLimit(int seconds, const std::string& command);
// True for the status of a test child the fault injection killed (qbm_test_child's own kill).
bool killedByFaultInjection(int status);

// True when a program of that name is on PATH.
bool haveProgram(const std::string& name);

// Every user table of the database as the engine reads it: the table's name, then one line per
// row with its values in column order (text quoted, Null as Null), the rows sorted. Files of the
// same contents may keep their rows in another physical order (an Access 97 page holds half what
// an Access 2000 page does), so two files compare equal here when their tables hold the same rows.
std::string tablesReadBack(jet::Database& db);
// What the integrity check finds in the file, one "where: what" line per problem ("" when sound).
std::string problemsOf(const std::filesystem::path& database);

// The command-line program as one word of a command for runCommand.
const std::string& cliCommand();

// The script that reads a database with the independent JavaScript reader (tests/interop/node).
std::string nodeReaderScript();

// The first line where two texts differ, with its number, for a failure message ("none" if equal).
std::string firstDifferentLine(const std::string& a, const std::string& b);

}  // namespace qbm::test
