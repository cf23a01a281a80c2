// qbmerge-cli used as a careless user or a hostile file would use it, with every file compared byte
// for byte before and after: closed standard descriptors, journals pending, foreign, damaged,
// planted or left under another name, special files and unwritable ones, the same file on both
// sides, control characters in stored text and in names, stop signals in the middle of a merge and
// after it, a file replaced during a merge, output that cannot be written, and the fault hook the
// shipped program must not have. Each group prints how many cases it tried, how many the
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
#include <termios.h>
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

  // Stores the text as the model of the new database's first woofer; returns that woofer's ID.
  std::int32_t setFirstWooferModel(const std::string& model) {
    jet::Database db = jet::Database::open(newDb());
    jet::Table woofers = db.table("woofers");
    woofers.moveFirst();
    const std::int32_t id = woofers.get("ID").as<std::int32_t>();
    woofers.edit();
    woofers.set("Model", jet::Value(model));
    woofers.update();
    return id;
  }

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
// journal as they are (check fails, saying how to restore); recover restores, as does the merge's
// open of the new side; the old database of a merge is read as restored and never written.
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

  // The old side of list and merge, and the new side of list (which only reads it), are read as
  // restored and never written; told in one line each. The merge opens the new side to write it,
  // which undoes its change first.
  for (const std::string& verb : {"list " + both(), "merge " + both() + " --all --overwrite no"}) {
    SCOPED_TRACE(verb);
    ++tally.tried;
    const Outcome run = cli(verb);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(contains(run.err, ": xqbaudio.mdb has an interrupted change pending")) << run.err;
    tally.warned += contains(run.err, "xqbaudio.mdb has an interrupted change pending");
    EXPECT_EQ(oldCrashed, test::fileBytes(oldDb()));
    EXPECT_EQ(oldJournalBytes, test::fileBytes(oldJournal));
    if (verb.starts_with("list")) {
      EXPECT_TRUE(contains(run.err, ": qbaudio.mdb has an interrupted change pending")) << run.err;
      EXPECT_EQ(newCrashed, test::fileBytes(newDb()));
      EXPECT_EQ(newJournalBytes, test::fileBytes(newJournal));
    } else {
      EXPECT_TRUE(contains(run.err, "An interrupted change to qbaudio.mdb was undone")) << run.err;
      EXPECT_FALSE(fs::exists(newJournal));
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
// fails and names it, list warns and moves nothing; an open to write sets it aside and says so,
// the database left as it is.
TEST_F(HostileUse, JournalsOfOtherFilesAreSetAsideNeverApplied) {
  Tally tally{"foreign journals"};
  test::leaveInterruptedChange(oldDb());
  const fs::path journal = jet::journalPathFor(newDb());
  fs::rename(jet::journalPathFor(oldDb()), journal);
  const Bytes before = test::fileBytes(newDb()), journalBytes = test::fileBytes(journal);
  const std::string why = "as it was written for another file, or for this file in another state";

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
  EXPECT_TRUE(contains(run.err, "qbaudio.mdb-journal beside qbaudio.mdb is not applied, " + why)) << run.err;
  tally.warned += contains(run.err, "is not applied");
  EXPECT_EQ(journalBytes, test::fileBytes(journal)) << "reading moves no journal";

  ++tally.tried;
  run = cli("merge " + both() + " --all --overwrite no --dry-run");
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_TRUE(contains(run.err, "qbaudio.mdb-journal beside qbaudio.mdb was not applied, " + why +
                                    "; it was moved to qbaudio.mdb-journal.unused"))
      << run.err;
  tally.refused += !fs::exists(journal);
  tally.warned += contains(run.err, "was not applied");
  EXPECT_EQ(before, test::fileBytes(newDb()));
  EXPECT_EQ(journalBytes, test::fileBytes(journal.string() + ".unused"));
  EXPECT_EQ(0, cli("check " + quoted(newDb())).status);
}

// A journal that cannot tell whether the file is half-written (pages it saved garbled), and one
// that someone else may have made (anyone may write it): every verb fails naming the journal and
// recover, and nothing is applied, moved or written, by the verbs that only read and by those that
// write alike.
TEST_F(HostileUse, JournalsThatCannotBeUsedAreKeptAndNamed) {
  Tally tally{"kept journals"};
  const fs::path journal = jet::journalPathFor(newDb());
  const std::string driver = firstNewDriver();
  test::leaveInterruptedChange(newDb());
  fs::permissions(newDb(), static_cast<fs::perms>(0644));
  const Bytes genuine = test::fileBytes(journal);
  Bytes garbled = genuine;
  garbled[512 + 4 + 100] ^= 0x40;  // inside the first page it saved
  const struct {
    const char* name;
    Bytes journal;
    int mode;
    const char* why;
  } kinds[] = {{"garbled", garbled, 0644, "it is damaged: the pages it saved are cut off or garbled from number 1 of"},
               {"anyone may write it", genuine, 0666, "anyone may write it, but not the database"}};
  for (const auto& kind : kinds) {
#ifdef _WIN32
    if (kind.mode != 0644) continue;  // Windows keeps access in lists, which are not judged
#endif
    test::writeFileBytes(journal, kind.journal);
    fs::permissions(journal, static_cast<fs::perms>(kind.mode));
    const Bytes crashed = test::fileBytes(newDb());
    for (const std::string& arguments :
         {"list " + quoted(newDb()), "show " + quoted(newDb()) + " --new " + driver, "check " + quoted(newDb()),
          "dump " + quoted(newDb()), "recover " + quoted(newDb()), "merge " + both() + " --all --overwrite yes"}) {
      SCOPED_TRACE(std::string(kind.name) + ": " + arguments);
      ++tally.tried;
      const Outcome run = cli(arguments);
      const std::string said = run.out + run.err;
      EXPECT_EQ(1, run.status) << said;
      EXPECT_TRUE(contains(said, journal.string() + " is not applied, as ")) << said;
      EXPECT_TRUE(contains(said, kind.why)) << said;
      EXPECT_TRUE(contains(said, "\"qbmerge-cli recover " + newDb().string() + "\"")) << said;
      EXPECT_EQ(kind.journal, test::fileBytes(journal));
      EXPECT_FALSE(fs::exists(journal.string() + ".unused"));
      EXPECT_EQ(crashed, test::fileBytes(newDb()));
      tally.refused += run.status == 1;
    }
  }
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
  std::vector<fs::path> sameFile = {newDb(), dir / "sub" / ".." / "qbaudio.mdb", dir / "hard.mdb"};
  if (fs::exists(dir / "soft.mdb")) sameFile.push_back(dir / "soft.mdb");
  for (const fs::path& again : sameFile) {
    SCOPED_TRACE(again);
    // A second name of the new database keeps it from being written at all.
    const bool hardLink = again == dir / "hard.mdb";
    if (hardLink) fs::create_hard_link(newDb(), again);
    ++tally.tried;
    const Outcome run = cli("merge " + quoted(newDb()) + " " + quoted(again) + " --all --overwrite yes");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(contains(run.err, "Sorry, the selected database file cannot be opened. Reason: "));
    EXPECT_TRUE(contains(run.err, hardLink ? "the file has 2 names (hard links)" : "is the file open as the new database"))
        << run.err;
    tally.refused += run.status == 1;
    if (hardLink) fs::remove(again);
  }

  {
    test::UnwritableFile unwritable(newDb());
    if (unwritable.effective()) {
      for (const std::string& arguments : {"merge " + both() + " --all --overwrite yes", "recover " + quoted(newDb())}) {
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
      EXPECT_EQ(0, cli("list " + quoted(newDb())).status) << "list only reads the new database";
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
  const std::int32_t id = setFirstWooferModel(hostile);
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

// ---- Stop signals, and a file replaced during a merge --------------------------------------------------

#ifndef _WIN32
// qbmerge-cli merge NEW OLD --all run as from a terminal (standard input a pseudo-terminal,
// standard output the null device, stderr read here), waiting at its overwrite question, which
// comes after the drivers before the first match are written.
class MergeAtTheQuestion {
 public:
  MergeAtTheQuestion(const fs::path& newDb, const fs::path& oldDb) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const std::string terminal = ptsname(master_);
    int errPipe[2];
    if (pipe(errPipe) != 0) return;
    const std::string cli = test::cliProgram().string();
    child_ = fork();
    if (child_ == 0) {
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
      execl(cli.c_str(), cli.c_str(), "merge", newDb.c_str(), oldDb.c_str(), "--all", nullptr);
      _exit(127);
    }
    close(errPipe[1]);
    err_ = errPipe[0];
    read([this] { return contains(err, "Yes or No?"); });
  }
  ~MergeAtTheQuestion() {
    if (child_ > 0) finish();
    if (master_ >= 0) close(master_);
  }
  bool asked() const { return contains(err, "Yes or No?"); }
  void answer(const std::string& line) { (void)!write(master_, line.data(), line.size()); }
  void signal(int s) { kill(child_, s); }
  // Reads stderr to its end and waits for the program; the wait status.
  int finish() {
    read([] { return false; });
    kill(child_, SIGKILL);  // does nothing to a child that has ended
    int status = 0;
    waitpid(child_, &status, 0);
    child_ = -1;
    close(err_);
    return status;
  }
  std::string err;

 private:
  template <class Done>
  void read(Done done) {
    char buffer[4096];
    pollfd wait{err_, POLLIN, 0};
    while (!done() && poll(&wait, 1, 30000) > 0) {
      const ssize_t n = ::read(err_, buffer, sizeof buffer);
      if (n <= 0) break;
      err.append(buffer, static_cast<std::size_t>(n));
    }
  }
  pid_t child_ = -1;
  int master_ = -1, err_ = -1;
};
#endif

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
    MergeAtTheQuestion merge(newDb(), oldDb());
    ASSERT_TRUE(merge.asked()) << merge.err;
    merge.signal(signal);
    const int status = merge.finish();
    ASSERT_TRUE(WIFEXITED(status)) << "the signal was handled, not fatal";
    EXPECT_EQ(128 + signal, WEXITSTATUS(status));
    EXPECT_TRUE(contains(merge.err, "was stopped (interrupted by SIG")) << merge.err;
    EXPECT_TRUE(contains(merge.err, "Nothing was written")) << merge.err;
    EXPECT_EQ(newBefore, test::fileBytes(newDb()));
    EXPECT_EQ(oldBefore, test::fileBytes(oldDb()));
    EXPECT_FALSE(fs::exists(jet::journalPathFor(newDb())));
    tally.refused += WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal;
  }
#endif
}

// Another program renames a file over the new database while the merge waits for its answer: the
// merge, answered, does not go into the file no name leads to any more; it is undone there, the
// program says that the file was replaced and that nothing was merged into the file now at that
// name, and exits 1.
TEST_F(HostileUse, AFileReplacedDuringAMergeIsNotReportedAsMerged) {
#ifdef _WIN32
  GTEST_SKIP() << "pseudo-terminals";
#else
  Tally tally{"file replaced during a merge"};
  const Bytes newBefore = test::fileBytes(newDb());
  const fs::path moved = dir / "moved.mdb", other = dir / "other.mdb";
  test::copyShared("fixtures/qbaudio.mdb", dir.path(), "other.mdb");
  const Bytes otherBytes = test::fileBytes(other);
  ++tally.tried;
  MergeAtTheQuestion merge(newDb(), oldDb());
  ASSERT_TRUE(merge.asked()) << merge.err;
  fs::rename(newDb(), moved);  // mv qbaudio.mdb moved.mdb; mv other.mdb qbaudio.mdb
  fs::rename(other, newDb());
  merge.answer("y\n");
  const int status = merge.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(1, WEXITSTATUS(status)) << merge.err;
  EXPECT_TRUE(contains(merge.err, "was replaced by another file")) << merge.err;
  EXPECT_TRUE(contains(merge.err, "nothing was written into the file now at that name")) << merge.err;
  EXPECT_FALSE(contains(merge.err, "Merged:"));
  EXPECT_EQ(otherBytes, test::fileBytes(newDb())) << "the file now at the name never got the drivers";
  EXPECT_EQ(newBefore, test::fileBytes(moved)) << "the merge was undone in the file it went into";
  EXPECT_FALSE(fs::exists(jet::journalPathFor(newDb())));
  tally.refused += WIFEXITED(status) && WEXITSTATUS(status) == 1;
#endif
}

// ---- Exit statuses ------------------------------------------------------------------------------------

// Output that cannot be written (a full disk) fails the command with a message, and a merge says
// that it was saved all the same; a reader that goes away (a closed pipe) is the same kind of
// failure, not a death by SIGPIPE.
TEST_F(HostileUse, OutputThatCannotBeWrittenFailsTheCommand) {
#ifdef _WIN32
  GTEST_SKIP() << "/dev/full and POSIX pipes";
#else
  Tally tally{"output that cannot be written"};
  const std::string driver = firstNewDriver();
  for (const std::string& arguments :
       {"list " + quoted(newDb()), "list " + quoted(newDb()) + " --json", "show " + quoted(newDb()) + " --new " + driver,
        "check " + quoted(newDb()), "dump " + quoted(newDb()), "merge " + both() + " --all --overwrite yes",
        "merge " + both() + " --all --overwrite yes --json"}) {
    SCOPED_TRACE(arguments);
    fresh();
    const Bytes before = test::fileBytes(newDb());
    ++tally.tried;
    const Outcome run = cli(arguments, "</dev/null >/dev/full");
    EXPECT_EQ(1, run.status) << run.err;
    EXPECT_TRUE(contains(run.err, "qbmerge-cli: the output could not be written (")) << run.err;
    tally.refused += run.status == 1;
    if (arguments.starts_with("merge")) {
      EXPECT_TRUE(contains(run.err, "; the merge itself was saved.")) << run.err;
      EXPECT_NE(before, test::fileBytes(newDb()));
      EXPECT_EQ(0, cli("check " + quoted(newDb())).status);
    }
  }

  // merge --list | head -1: head goes away after the first line, while the program still has more
  // to write than the pipe holds (the lists of 2000 sample drivers).
  const fs::path samples = dir / "samples";
  ASSERT_EQ(0, cli("samples " + quoted(samples) + " --drivers 2000").status);
  const fs::path newFile = samples / "qbaudio.mdb", oldFile = samples / "xqbaudio.mdb";
  const Bytes before = test::fileBytes(newFile);
  const fs::path statusFile = dir / "status", errFile = dir / "err";
  std::string first;
  ++tally.tried;
  test::runCommand("(" + test::cliCommand() + " merge " + quoted(newFile) + " " + quoted(oldFile) +
                       " --all --overwrite yes --list </dev/null 2>" + quoted(errFile) + "; echo $? >" +
                       quoted(statusFile) + ") | head -1",
                   &first);
  const std::string err = test::textOf(errFile);
  EXPECT_EQ(1, std::count(first.begin(), first.end(), '\n')) << first;
  EXPECT_EQ("1\n", test::textOf(statusFile)) << err;
  EXPECT_TRUE(contains(err, "qbmerge-cli: the output could not be written (")) << err;
  EXPECT_TRUE(contains(err, "); the merge itself was saved.")) << err;
  EXPECT_NE(before, test::fileBytes(newFile));
  EXPECT_EQ(0, cli("check " + quoted(newFile)).status);
  tally.refused += test::textOf(statusFile) == "1\n";
#endif
}

// A stop signal that comes once the merge is saved (here, while its long list is being written)
// changes nothing: the output is written in full, the program says the merge was saved, and the
// status is 0.
TEST_F(HostileUse, AStopSignalAfterTheSaveLeavesTheMergeSaved) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals and pipes";
#else
  Tally tally{"stop signal after the save"};
  // A new list twice as long as a pipe holds, so that the program waits to write it.
  const fs::path samples = dir / "samples";
  ASSERT_EQ(0, cli("samples " + quoted(samples) + " --drivers 4000").status);
  int outPipe[2], errPipe[2];
  ASSERT_EQ(0, pipe(outPipe));
  ASSERT_EQ(0, pipe(errPipe));
  const std::string program = test::cliProgram().string();
  const std::string newFile = (samples / "qbaudio.mdb").string(), oldFile = (samples / "xqbaudio.mdb").string();
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGINT, SIG_DFL);
    const int null = ::open("/dev/null", O_RDONLY);
    dup2(null, 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    execl(program.c_str(), program.c_str(), "merge", newFile.c_str(), oldFile.c_str(), "--all", "--overwrite", "yes",
          "--list", nullptr);
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  std::string out;
  char buffer[4096];
  pollfd wait{outPipe[0], POLLIN, 0};
  while (!contains(out, "Merged:\n") && poll(&wait, 1, 60000) > 0) {
    const ssize_t n = read(outPipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ++tally.tried;
  ASSERT_TRUE(contains(out, "Merged:\n")) << out.substr(0, 300);
  usleep(200000);  // the program fills the pipe with the new list and waits
  int status = 0;
  ASSERT_EQ(0, waitpid(child, &status, WNOHANG)) << "the program is still writing its list";
  kill(child, SIGINT);
  for (ssize_t n; (n = read(outPipe[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  std::string err;
  for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) err.append(buffer, static_cast<std::size_t>(n));
  waitpid(child, &status, 0);
  close(outPipe[0]);
  close(errPipe[0]);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(0, WEXITSTATUS(status)) << err;
  EXPECT_TRUE(contains(err, "SIGINT came while the merge was being saved; it was saved in full.")) << err;
  EXPECT_TRUE(out.ends_with(" = " + std::to_string(std::count(out.begin() + static_cast<std::ptrdiff_t>(out.find("Merged:\n")), out.end(), '\t')) + "\n"))
      << "the new list written in full: " << out.substr(out.size() - std::min<std::size_t>(out.size(), 200));
  tally.refused += WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

// ---- Text that reaches a terminal ------------------------------------------------------------------

#ifndef _WIN32
// What the program writes to standard output when that is a terminal (a pseudo-terminal here).
std::string onTerminal(const std::vector<std::string>& arguments) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "(no pseudo-terminal)";
  const std::string terminal = ptsname(master);
  const std::string program = test::cliProgram().string();
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int slave = ::open(terminal.c_str(), O_RDWR);
    termios mode{};
    tcgetattr(slave, &mode);
    cfmakeraw(&mode);  // the bytes as written, no CR added before LF
    tcsetattr(slave, TCSANOW, &mode);
    const int null = ::open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(slave, 1);
    dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  std::string out;
  char buffer[4096];
  pollfd wait{master, POLLIN, 0};
  while (poll(&wait, 1, 10000) > 0) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the program has ended
    out.append(buffer, static_cast<std::size_t>(n));
  }
  waitpid(child, nullptr, 0);
  close(master);
  return out;
}
#endif

// Names that would reorder a line (U+202E), break it (U+2028) or steer the terminal (ESC ] 0 ; ...
// BEL retitles it, a lone byte 0x9B is a C1 control to some terminals): escaped wherever the
// program shows them, in lists, reports, messages and paths, and in a dump shown on a terminal; a
// dump into a file or a pipe keeps them exactly.
TEST_F(HostileUse, TextThatReachesATerminalCannotSteerIt) {
  Tally tally{"text shown on a terminal"};
  const std::string hostile = "Right\xe2\x80\xaeto left\xe2\x80\xa8next line\x7f";  // U+202E, U+2028, DEL
  const std::string escaped = "Right\\u202Eto left\\u2028next line\\x7F";
  const std::int32_t id = setFirstWooferModel(hostile);
  const auto safe = [](const std::string& text) {
    return !contains(text, "\xe2\x80\xae") && !contains(text, "\xe2\x80\xa8") && !contains(text, "\x7f") &&
           !contains(text, "\x1b") && !contains(text, "\x07") && !contains(text, "\x9b");
  };
  for (const std::string& arguments :
       {"list " + quoted(newDb()), "show " + quoted(newDb()) + " --new " + std::to_string(id) + "ob",
        "merge " + both() + " --all --overwrite no --dry-run --list"}) {
    SCOPED_TRACE(arguments);
    ++tally.tried;
    const Outcome run = cli(arguments);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(safe(run.out));
    EXPECT_TRUE(contains(run.out, escaped)) << run.out.substr(0, 300);
    tally.refused += safe(run.out);
  }

#ifndef _WIN32  // Windows allows no control character in a file name
  // Paths with an escape sequence, a bell and a byte that is no UTF-8, in messages and reports.
  const std::string evil = "evil\x1b]0;owned\x07\x9b";
  const std::string evilShown = "evil\\x1B]0;owned\\x07\\x9B";
  const fs::path evilFile = dir / (evil + ".mdb");
  fs::copy_file(newDb(), evilFile);
  for (const std::string& arguments : {"check " + quoted(evilFile), "list " + quoted(dir / (evil + "-missing.mdb")),
                                       "show " + quoted(evilFile) + " --new 999999ob", "dump " + quoted(dir / evil)}) {
    SCOPED_TRACE(arguments);
    ++tally.tried;
    const Outcome run = cli(arguments);
    EXPECT_TRUE(safe(run.out) && safe(run.err)) << run.out << run.err;
    EXPECT_TRUE(contains(run.out + run.err, evilShown)) << run.out << run.err;
    tally.refused += safe(run.out) && safe(run.err);
  }
#endif

  ++tally.tried;
  const Outcome toFile = cli("dump " + quoted(newDb()) + " woofers");
  EXPECT_TRUE(contains(toFile.out, hostile)) << "a dump into a file or pipe is exact";
#ifndef _WIN32
  ++tally.tried;
  const std::string shown = onTerminal({"dump", newDb().string(), "woofers"});
  EXPECT_TRUE(safe(shown)) << shown.substr(0, 300);
  EXPECT_TRUE(contains(shown, escaped)) << shown.substr(0, 300);
  tally.refused += safe(shown);
#endif
}

// ---- The shipped program carries no fault injection ----------------------------------------------------

// The crash tests kill their own test program in the middle of its writes (qbm_test_child wraps the
// files it opens); the shipped program has no such hook, and the variables that used to steer it
// do nothing.
TEST_F(HostileUse, TheShippedProgramHasNoFaultHook) {
  const Bytes program = test::fileBytes(test::cliProgram());
  const std::string hook = "QBM_JET_KILL_AFTER_WRITES";
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(std::search(program.begin(), program.end(), hook.begin(), hook.end()), program.end())
      << "the program names the variable";
#ifndef _WIN32
  const Bytes before = test::fileBytes(newDb());
  std::string out;
  const int status = test::runCommand(
      test::withTimeLimit(60, "env QBM_JET_KILL_AFTER_WRITES=1 QBM_JET_TORN_WRITE=1 " + test::cliCommand() + " merge " +
                                  both() + " --all --overwrite yes </dev/null 2>/dev/null"),
      &out);
  EXPECT_EQ(0, status) << "the first write did not end the program";
  EXPECT_TRUE(contains(out, "Merged:")) << out;
  EXPECT_NE(before, test::fileBytes(newDb()));
  EXPECT_FALSE(fs::exists(jet::journalPathFor(newDb())));
  EXPECT_EQ(0, cli("check " + quoted(newDb())).status);
#endif
}

}  // namespace
}  // namespace qbm
