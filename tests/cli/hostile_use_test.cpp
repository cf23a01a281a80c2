// qbmerge-cli used as a careless user or a hostile file would use it, with every file compared byte
// for byte before and after: closed standard descriptors, journals pending or foreign, special
// files and unwritable ones, the same file on both sides, control characters in stored text, and
// stop signals in the middle of a merge. Each group prints how many cases it tried, how many the
// program refused or undid, and how many it warned about in a line (docs/hardening.md records them).

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "jet/database.h"
#include "jet/file/journal.h"
#include "tests/interop/csv_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using Bytes = std::vector<std::uint8_t>;


struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs the command line with the shell redirections given (default: no terminal to ask on).
Outcome cli(const std::string& arguments, const std::string& redirections = std::string("<") + test::nullDevice()) {
  static int n = 0;
  static const unsigned run = std::random_device{}();
  const fs::path errFile =
      fs::temp_directory_path() / ("qbm-hostile-err-" + std::to_string(run) + "-" + std::to_string(++n));
  Outcome outcome;
  const bool errClosed = redirections.find("2>&-") != std::string::npos;
  outcome.status = test::runCommand(
      test::withTimeLimit(60, qbm::test::cliCommand() + " " + arguments + " " + redirections + (errClosed ? "" : " 2>" + quoted(errFile))),
      &outcome.out);
  outcome.err = test::textOf(errFile);
  fs::remove(errFile);
  return outcome;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Tried / refused / warned, per group, printed at the end of each test.
struct Tally {
  const char* group;
  int tried = 0, refused = 0, warned = 0;
  ~Tally() {
    std::cout << "[ hostile  ] " << group << ": " << tried << " tried, " << refused << " refused, " << warned
              << " warned\n";
  }
};

class HostileUse : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    fresh();
  }
  // Fresh copies of the new and the old database, without journals.
  void fresh() {
    for (const char* f : {"qbaudio.mdb", "xqbaudio.mdb"}) {
      fs::remove(dir / f);
      fs::remove(jet::journalPathFor(dir / f));
      test::copyShared(std::string("fixtures/") + f, dir.path());
    }
  }
  fs::path newDb() const { return dir / "qbaudio.mdb"; }
  fs::path oldDb() const { return dir / "xqbaudio.mdb"; }
  std::string both() const { return quoted(newDb()) + " " + quoted(oldDb()); }

  // The first driver of the new list, as "<id>ob" or "<id>sb".
  std::string firstNewDriver() {
    const Outcome list = cli("list " + quoted(newDb()));
    const std::string first = list.out.substr(0, list.out.find('\n'));
    return first.substr(0, first.find('\t')) + (first.ends_with("(sb)") ? "sb" : "ob");
  }

  test::ScratchDir dir;
};

// ---- Closed standard descriptors -------------------------------------------------------------------

// Every verb with standard input, output or error closed: the files are as a run with all three
// open leaves them (untouched by the verbs that only read; a sound merged file from merge).
TEST_F(HostileUse, ClosedStandardDescriptorsNeverReachADatabase) {
#ifdef _WIN32
  GTEST_SKIP() << "cmd.exe cannot start a program with a standard handle closed";
#endif
  Tally tally{"closed standard descriptors"};
  const std::string driver = firstNewDriver();
  const fs::path samples = dir / "samples";
  const struct {
    std::string arguments;
    bool writesNew;
  } verbs[] = {
      {"list " + quoted(newDb()), false},
      {"list " + both() + " --all", false},
      {"show " + quoted(newDb()) + " --new " + driver, false},
      {"dump " + quoted(newDb()), false},
      {"dump " + quoted(newDb()) + " --json", false},
      {"check " + quoted(newDb()), false},
      {"recover " + quoted(newDb()), false},
      {"merge " + both() + " --overwrite yes --dry-run", false},
      {"merge " + both() + " --all --overwrite yes", true},
      {"samples " + quoted(samples) + " --drivers 20", false},
  };
  for (const auto& verb : verbs) {
    for (const char* closed : {"<&-", ">&- </dev/null", "2>&- </dev/null"}) {
      SCOPED_TRACE(verb.arguments + " " + closed);
      fresh();
      fs::remove_all(samples);
      const Bytes newBefore = test::fileBytes(newDb()), oldBefore = test::fileBytes(oldDb());
      ++tally.tried;
      const Outcome run = cli(verb.arguments, closed);
      EXPECT_EQ(0, run.status) << run.err;
      EXPECT_EQ(oldBefore, test::fileBytes(oldDb()));
      if (verb.writesNew) {
        EXPECT_NE(newBefore, test::fileBytes(newDb()));
        EXPECT_EQ(0, cli("check " + quoted(newDb())).status) << "the merged file is sound";
      } else {
        EXPECT_EQ(newBefore, test::fileBytes(newDb()));
      }
      EXPECT_FALSE(fs::exists(jet::journalPathFor(newDb())));
      if (fs::exists(samples)) {
        for (const char* made : {"qbaudio.mdb", "xqbaudio.mdb", "spkrbase.mdb"})
          EXPECT_EQ(0, cli("check " + quoted(samples / made)).status) << made;
      }
    }
  }
}

// ---- Journals ------------------------------------------------------------------------------------------

// A change interrupted by a crash: the commands that only read say so and leave the file and its
// journal as they are (check fails, saying how to restore); recover restores; the old database of a
// merge is read as restored and never written.
TEST_F(HostileUse, PendingChangesAreToldAndOnlyRecoverOrTheNewSideApplyThem) {
  Tally tally{"pending journals"};
  const Bytes newOriginal = test::fileBytes(newDb()), oldOriginal = test::fileBytes(oldDb());
  test::leaveInterruptedChange(newDb());
  test::leaveInterruptedChange(oldDb());
  const fs::path newJournal = jet::journalPathFor(newDb()), oldJournal = jet::journalPathFor(oldDb());
  const Bytes newCrashed = test::fileBytes(newDb()), newJournalBytes = test::fileBytes(newJournal);
  const Bytes oldCrashed = test::fileBytes(oldDb()), oldJournalBytes = test::fileBytes(oldJournal);

  const struct {
    std::string arguments;
    int status;
  } readers[] = {{"check " + quoted(newDb()), 1}, {"dump " + quoted(newDb()), 0}, {"dump " + quoted(newDb()) + " --json", 0}};
  for (const auto& reader : readers) {
    SCOPED_TRACE(reader.arguments);
    ++tally.tried;
    const Outcome run = cli(reader.arguments);
    EXPECT_EQ(reader.status, run.status);
    EXPECT_TRUE(contains(run.err, "has an interrupted change pending")) << run.err;
    EXPECT_TRUE(contains(run.err, "\"qbmerge-cli recover " + newDb().string() + "\"")) << run.err;
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << "one line: " << run.err;
    tally.warned += contains(run.err, "pending");
    EXPECT_EQ(newCrashed, test::fileBytes(newDb()));
    EXPECT_EQ(newJournalBytes, test::fileBytes(newJournal));
  }

  // The old side of list and merge: read as restored, never written; told in one line.
  for (const std::string& verb : {"list " + both(), "merge " + both() + " --all --overwrite no"}) {
    SCOPED_TRACE(verb);
    ++tally.tried;
    const Outcome run = cli(verb);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(contains(run.err, "xqbaudio.mdb has an interrupted change pending")) << run.err;
    tally.warned += contains(run.err, "xqbaudio.mdb has an interrupted change pending");
    EXPECT_EQ(oldCrashed, test::fileBytes(oldDb()));
    EXPECT_EQ(oldJournalBytes, test::fileBytes(oldJournal));
    // The new side, opened to be written, was restored by the first of them.
    EXPECT_FALSE(fs::exists(newJournal));
    if (verb.starts_with("list")) {
      EXPECT_TRUE(contains(run.err, "An interrupted change to qbaudio.mdb was undone")) << run.err;
      EXPECT_EQ(newOriginal, test::fileBytes(newDb()));
    }
  }

  // recover restores the file on disk.
  ++tally.tried;
  const Outcome recovered = cli("recover " + quoted(oldDb()));
  EXPECT_EQ(0, recovered.status) << recovered.out << recovered.err;
  EXPECT_TRUE(contains(recovered.out, "an interrupted change was undone")) << recovered.out;
  EXPECT_TRUE(contains(recovered.out, "no problems found")) << recovered.out;
  EXPECT_EQ(oldOriginal, test::fileBytes(oldDb()));
  EXPECT_FALSE(fs::exists(oldJournal));
  EXPECT_EQ(0, cli("check " + quoted(oldDb())).status);
}

// A journal beside the new database that was written for another file: never applied; check
// fails and names it; an open to write sets it aside and says so, the database left as it is.
TEST_F(HostileUse, JournalsOfOtherFilesAreSetAsideNeverApplied) {
  Tally tally{"foreign journals"};
  test::leaveInterruptedChange(oldDb());
  const fs::path journal = jet::journalPathFor(newDb());
  fs::rename(jet::journalPathFor(oldDb()), journal);
  const Bytes before = test::fileBytes(newDb()), journalBytes = test::fileBytes(journal);

  ++tally.tried;
  Outcome run = cli("check " + quoted(newDb()));
  EXPECT_EQ(1, run.status);
  EXPECT_TRUE(contains(run.err, "is not applied to")) << run.err;
  EXPECT_TRUE(contains(run.out, "no problems found")) << run.out;
  tally.warned += contains(run.err, "is not applied to");
  EXPECT_EQ(journalBytes, test::fileBytes(journal));

  ++tally.tried;
  run = cli("list " + quoted(newDb()));
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_TRUE(contains(run.err, "qbaudio.mdb-journal beside qbaudio.mdb was not applied, as it was written for "
                                "another file, or for this file in another state; it was moved to "
                                "qbaudio.mdb-journal.unused"))
      << run.err;
  tally.refused += !fs::exists(journal);
  tally.warned += contains(run.err, "was not applied");
  EXPECT_EQ(before, test::fileBytes(newDb()));
  EXPECT_EQ(journalBytes, test::fileBytes(journal.string() + ".unused"));
  EXPECT_EQ(0, cli("check " + quoted(newDb())).status);
}

// ---- Special files, unwritable files, the same file twice ------------------------------------------------

// Named pipes, folders and devices are refused at once with the precise reason, by every verb
// that reads a database; an unwritable new database, and the new database under another name as
// the old one, are refused naming the reason. Nothing is written anywhere.
TEST_F(HostileUse, SpecialFilesAndTheSameFileTwiceAreRefusedWithTheReason) {
  Tally tally{"special files"};
  const Bytes newBefore = test::fileBytes(newDb()), oldBefore = test::fileBytes(oldDb());
#ifndef _WIN32  // named pipes and devices as POSIX file systems show them
  ASSERT_EQ(0, mkfifo((dir / "pipe.mdb").c_str(), 0600));
  fs::create_directory(dir / "folder.mdb");
  fs::create_symlink("/dev/zero", dir / "zero.mdb");
  const std::map<std::string, std::string> special = {{"pipe.mdb", "it is a named pipe (FIFO), not a database file"},
                                                      {"folder.mdb", "it is a folder, not a database file"},
                                                      {"zero.mdb", "it is a device, not a database file"}};
  for (const auto& [name, reason] : special) {
    const std::string path = quoted(dir / name);
    for (const std::string& arguments :
         {"list " + path, "list " + quoted(newDb()) + " " + path, "check " + path, "dump " + path,
          "recover " + path, "merge " + quoted(newDb()) + " " + path, "merge " + path + " " + quoted(oldDb())}) {
      SCOPED_TRACE(arguments);
      ++tally.tried;
      const Outcome run = cli(arguments);
      EXPECT_EQ(1, run.status) << "refused, and at once (a hang would end in timeout's 124)";
      EXPECT_TRUE(contains(run.err, name + ": " + reason)) << run.err;
      tally.refused += run.status == 1;
    }
  }
  fs::create_symlink(newDb(), dir / "soft.mdb");
#endif

  fs::create_directory(dir / "sub");
  fs::create_hard_link(newDb(), dir / "hard.mdb");
  std::vector<fs::path> sameFile = {newDb(), dir / "sub" / ".." / "qbaudio.mdb", dir / "hard.mdb"};
  if (fs::exists(dir / "soft.mdb")) sameFile.push_back(dir / "soft.mdb");
  for (const fs::path& again : sameFile) {
    SCOPED_TRACE(again);
    ++tally.tried;
    const Outcome run = cli("merge " + quoted(newDb()) + " " + quoted(again) + " --all --overwrite yes");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(contains(run.err, "Sorry, the selected database file cannot be opened. Reason: "));
    EXPECT_TRUE(contains(run.err, "is the file open as the new database")) << run.err;
    tally.refused += run.status == 1;
  }

  {
    test::UnwritableFile unwritable(newDb());
    if (unwritable.effective()) {
      for (const std::string& arguments : {"list " + quoted(newDb()), "merge " + both() + " --all --overwrite yes",
                                           "recover " + quoted(newDb())}) {
        SCOPED_TRACE(arguments);
        ++tally.tried;
        const Outcome run = cli(arguments);
        EXPECT_EQ(1, run.status);
        EXPECT_TRUE(contains(run.err + run.out, "for writing")) << run.err << run.out;
        tally.refused += run.status == 1;
      }
      // Reading needs no writing.
      ++tally.tried;
      EXPECT_EQ(0, cli("check " + quoted(newDb())).status);
      EXPECT_EQ(0, cli("list " + quoted(oldDb()) + " " + quoted(newDb())).status) << "unwritable as the old side";
    } else {
      std::cout << "[ hostile  ] files cannot be made unwritable here; that case is not tried\n";
    }
  }
  EXPECT_EQ(newBefore, test::fileBytes(newDb()));
  EXPECT_EQ(oldBefore, test::fileBytes(oldDb()));
}

// ---- Control characters in stored text -------------------------------------------------------------------

// Text with an escape sequence, a line break, a tab, a NUL and a C1 control, stored as a model
// name: escaped in list and show, exact (and properly quoted) in dump's CSV and JSON.
TEST_F(HostileUse, StoredControlCharactersAreEscapedOnTheTerminalAndExactInDumps) {
  Tally tally{"control characters"};
  const std::string hostile = std::string("Evil\x1b[2J\r\nX\tY") + '\0' + "Z\xc2\x9b" + "1m";
  std::int32_t id = 0;
  {
    jet::Database db = jet::Database::open(newDb());
    jet::Table woofers = db.table("woofers");
    woofers.moveFirst();
    id = woofers.get("ID").as<std::int32_t>();
    woofers.edit();
    woofers.set("Model", jet::Value(hostile));
    woofers.update();
  }
  const std::string escaped = "Evil\\x1B[2J\\r\\nX\\tY\\x00Z\\u009B1m";
  // A report keeps a stored line break as the report box shows it; nothing else gets through.
  const std::string reported = "Evil\\x1B[2J\nX\\tY\\x00Z\\u009B1m";

  ++tally.tried;
  const Outcome list = cli("list " + quoted(newDb()));
  ASSERT_EQ(0, list.status) << list.err;
  EXPECT_FALSE(contains(list.out, "\x1b")) << "no escape character reaches the terminal";
  EXPECT_FALSE(contains(list.out, "\r"));
  EXPECT_FALSE(contains(list.out, std::string(1, '\0')));
  EXPECT_TRUE(contains(list.out, escaped + "  (ob)\n")) << "on the driver's one line: " << list.out.substr(0, 400);

  ++tally.tried;
  const Outcome show = cli("show " + quoted(newDb()) + " --new " + std::to_string(id) + "ob");
  ASSERT_EQ(0, show.status) << show.err;
  EXPECT_FALSE(contains(show.out, "\x1b"));
  EXPECT_FALSE(contains(show.out, std::string(1, '\0')));
  EXPECT_FALSE(contains(show.out, "\r"));
  EXPECT_TRUE(contains(show.out, reported)) << show.out;

  ++tally.tried;
  // Into a file, read back byte for byte: a text-mode stream (Windows) would write CR CR LF.
  const fs::path csvFile = dir / "woofers.csv";
  const Outcome csv = cli("dump " + quoted(newDb()) + " woofers", std::string("<") + test::nullDevice() + " >" + quoted(csvFile));
  ASSERT_EQ(0, csv.status);
  const Bytes csvBytes = test::fileBytes(csvFile);
  bool found = false;
  for (const test::CsvRow& row : test::parseCsv(std::string(csvBytes.begin(), csvBytes.end())))
    found = found || std::find(row.begin(), row.end(), hostile) != row.end();
  EXPECT_TRUE(found) << "the CSV holds the text exactly, quoted";

  ++tally.tried;
  const Outcome json = cli("dump " + quoted(newDb()) + " woofers --json");
  ASSERT_EQ(0, json.status);
  EXPECT_FALSE(contains(json.out, "\x1b"));
  EXPECT_TRUE(contains(json.out, "Evil\\u001b[2J\\r\\nX\\tY\\u0000Z\\u009b1m")) << "escaped as JSON requires";
  const test::Json doc = test::Json::parse(json.out);
  found = false;
  for (const test::Json& row : doc["tables"][0]["rows"].items)
    for (const test::Json& value : row.items) found = found || value.text == hostile;
  EXPECT_TRUE(found) << "the JSON string reads back exactly";
}

// ---- Stop signals -------------------------------------------------------------------------------------

// A merge waiting at a terminal for the overwrite answer, after it has written drivers: SIGINT,
// SIGTERM or SIGHUP stop it, the merge is rolled back, the program says so and ends with 128 +
// the signal's number. The new database is as it was, with no journal beside it.
TEST_F(HostileUse, StopSignalsDuringAMergeRollItBack) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals and pseudo-terminals";
#else
  Tally tally{"stop signals"};
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    fresh();
    const Bytes newBefore = test::fileBytes(newDb()), oldBefore = test::fileBytes(oldDb());
    ++tally.tried;

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, grantpt(master));
    ASSERT_EQ(0, unlockpt(master));
    const std::string terminal = ptsname(master);
    int errPipe[2];
    ASSERT_EQ(0, pipe(errPipe));
    const std::string cli = test::cliProgram().string();
    const pid_t child = fork();
    if (child == 0) {
      // As started from a terminal: whatever runs the tests may have left these signals ignored
      // (a shell's background job) or blocked, and both are inherited.
      sigset_t stops;
      sigemptyset(&stops);
      for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(s, SIG_DFL);
        sigaddset(&stops, s);
      }
      sigprocmask(SIG_UNBLOCK, &stops, nullptr);
      setsid();
      const int input = ::open(terminal.c_str(), O_RDWR);
      dup2(input, 0);
      const int null = ::open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(errPipe[1], 2);
      close(errPipe[0]);
      execl(cli.c_str(), cli.c_str(), "merge", newDb().c_str(), oldDb().c_str(), "--all", nullptr);
      _exit(127);
    }
    close(errPipe[1]);
    // Waits for the question, which comes after the drivers before the first match are written.
    std::string err;
    char buffer[4096];
    pollfd wait{errPipe[0], POLLIN, 0};
    while (!contains(err, "Yes or No?") && poll(&wait, 1, 30000) > 0) {
      const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
      if (n <= 0) break;
      err.append(buffer, static_cast<std::size_t>(n));
    }
    const bool asked = contains(err, "Yes or No?");
    if (asked) kill(child, signal);
    while (poll(&wait, 1, 30000) > 0) {
      const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
      if (n <= 0) break;
      err.append(buffer, static_cast<std::size_t>(n));
    }
    kill(child, SIGKILL);  // does nothing to a child that has ended
    int status = 0;
    waitpid(child, &status, 0);
    close(errPipe[0]);
    close(master);

    ASSERT_TRUE(asked) << err;
    ASSERT_TRUE(WIFEXITED(status)) << "the signal was handled, not fatal";
    EXPECT_EQ(128 + signal, WEXITSTATUS(status));
    EXPECT_TRUE(contains(err, "was stopped (interrupted by SIG")) << err;
    EXPECT_TRUE(contains(err, "Nothing was written")) << err;
    EXPECT_EQ(newBefore, test::fileBytes(newDb()));
    EXPECT_EQ(oldBefore, test::fileBytes(oldDb()));
    EXPECT_FALSE(fs::exists(jet::journalPathFor(newDb())));
    tally.refused += WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal;
  }
#endif
}

}  // namespace
}  // namespace qbm
