// qbm_test_child: the child processes the engine's tests start, as a separate program so that the
// same tests run where there is no fork() (Windows). The tests find it beside their own program
// (test::testChildProgram()).
//
//   qbm_test_child open FILE          opens FILE exclusively, read-only; exit 0 when it opened,
//                                     1 when it was locked, 2 on any other failure
//   qbm_test_child interrupt FILE     leaves an interrupted change in FILE (see
//                                     test::leaveInterruptedChange) and ends without clean-up
//   qbm_test_child commit FILE        opens FILE, commits an empty transaction and writes a line to
//                                     each standard descriptor (run with some of them closed)
//   qbm_test_child workload FILE ROWS KILL TORN COUNTS
//                                     the crash tests' two transactions, killed right after the
//                                     KILL-th write (0: never; TORN 1 cuts that write in half); the
//                                     write counts after each commit go to the file COUNTS
//   qbm_test_child undoable FILE ROWS KILL TORN COUNTS
//                                     the same, the first transaction keeping its undo record
//   qbm_test_child undo FILE KILL TORN
//                                     opens FILE and undoes the transaction whose undo record is
//                                     kept, killed as above
//   qbm_test_child reopen FILE KILL TORN
//                                     opens FILE (rolling a journal back), killed as above
//
// The kill is this program's own: every file the database opens (the database and its journals)
// is wrapped in a Storage that counts the writes (Database::open with a StorageWrapper). The
// engine, and the programs shipped, have no such hook.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/file/storage.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;

// Ends at once: no destructors, so a database open here is never closed.
[[noreturn]] void endNow(int status) {
  std::fflush(nullptr);
  _exit(status);
}

// Ends the process at once, as a crash or a power cut would: nothing more reaches any file.
[[noreturn]] void killNow() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 9);
#else
  kill(getpid(), SIGKILL);
#endif
  std::abort();
}

// The writes of this process to the files of the database, counted; the process dies right after
// the killAfter-th of them (0: never), which torn cuts in half first.
struct Faults {
  std::uint64_t writes = 0;
  std::uint64_t killAfter = 0;
  bool torn = false;

  jet::StorageWrapper wrapper();
};

class KillingStorage final : public jet::Storage {
 public:
  KillingStorage(std::unique_ptr<jet::Storage> file, Faults& faults) : file_(std::move(file)), faults_(faults) {}
  std::uint64_t size() const override { return file_->size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { file_->readAt(offset, out); }
  bool writable() const override { return file_->writable(); }
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (++faults_.writes == faults_.killAfter) {
      file_->writeAt(offset, faults_.torn ? data.first(data.size() / 2) : data);
      killNow();
    }
    file_->writeAt(offset, data);
  }
  void truncate(std::uint64_t size) override { file_->truncate(size); }
  void sync() override { file_->sync(); }

 private:
  std::unique_ptr<jet::Storage> file_;
  Faults& faults_;
};

jet::StorageWrapper Faults::wrapper() {
  return [this](std::unique_ptr<jet::Storage> file) -> std::unique_ptr<jet::Storage> {
    return std::make_unique<KillingStorage>(std::move(file), *this);
  };
}

void interrupt(const fs::path& database) {
  jet::Database db = jet::Database::open(database);
  jet::PageFile& file = jet::detail::coreOf(db).file();
  file.setSpillLimit(16);  // so that changed pages reach the file
  db.begin();
  const std::uint32_t pages = file.pageCount();
  for (std::uint32_t page = 1; page < pages && page <= 40; ++page) {
    std::vector<std::uint8_t> bytes = file.copyPage(page);
    // The catalog (its definition on page 2, its data and index pages, the usage maps on page 1
    // and on pages of no table) is left alone, so that the half-written file still opens when its
    // journal is not applied.
    const std::uint32_t owner = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<std::uint32_t>(bytes[7]) << 24;
    if (page <= 2 || ((bytes[0] == 1 || bytes[0] == 3 || bytes[0] == 4) && owner <= 2)) continue;
    bytes.back() ^= 0xFF;
    file.writePage(page, std::move(bytes));
  }
  // Pages added at the end, so that even a small file has more changed pages than wait in memory.
  for (int added = 0; added < 20; ++added) file.appendPage(std::vector<std::uint8_t>(file.pageSize(), 0));
  endNow(0);  // no commit, no clean-up: the database is never closed
}

struct WriteCounts {
  std::uint64_t firstCommit = 0;  // writes up to the first commit
  std::uint64_t total = 0;
};

// A large transaction (rows with indexes and memos, page splits, pages spilled early) and a small
// one on the fixtures' qbaudio.mdb; the write counts after each commit.
WriteCounts workload(const fs::path& path, int rows, Faults& faults, bool keepUndo = false) {
  WriteCounts counts;
  jet::Database db = jet::Database::open(path, {}, faults.wrapper());
  jet::detail::coreOf(db).file().setSpillLimit(16);  // spill often: the journal grows in several steps
  db.begin();
  if (keepUndo) db.keepUndoRecord("the first transaction");
  jet::Table woofers = db.table("woofers");
  jet::Table response = db.table("woofer-response");
  for (int i = 0; i < rows; ++i) {
    woofers.addNew();
    woofers.set("Model", Value("Crash model " + std::to_string((i * 7919) % 9973)));
    woofers.set("Company ID", Value(std::int32_t(i % 30 + 1)));
    woofers.set("Fs", Value(20.0 + i));
    woofers.set("Notes", Value(std::string(static_cast<std::size_t>((i * 97) % 6000), static_cast<char>('a' + i % 26))));
    woofers.update();
    response.addNew();
    response.set("Driver ID", woofers.get("ID"));
    response.set("A 5", Value(static_cast<float>(i)));
    response.update();
  }
  // Existing rows: some grow (their memo and model), some go.
  woofers.setIndex("ID");
  for (std::int32_t id = 1; id <= 40; ++id) {
    if (!woofers.seek(Value(id))) continue;
    if (id % 3 == 0) {
      woofers.remove();
    } else {
      woofers.edit();
      woofers.set("Model", Value("Grown model " + std::string(30, static_cast<char>('a' + id % 26))));
      woofers.set("Notes", Value(std::string(3000, 'g')));
      woofers.update();
    }
  }
  db.commit();
  counts.firstCommit = faults.writes;
  db.begin();
  for (std::int32_t id = 41; id <= 45; ++id) {
    if (!woofers.seek(Value(id))) continue;
    woofers.edit();
    woofers.set("Comment", Value("second transaction"));
    woofers.update();
  }
  db.commit();
  counts.total = faults.writes;
  return counts;
}

std::uint64_t number(const char* text) { return std::strtoull(text, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return 2;
  // Paths come as UTF-8 (the tests' own paths are ASCII).
  const fs::path file = fs::path(std::u8string(args[1].begin(), args[1].end()));
  try {
    if (args[0] == "open" && args.size() == 2) {
      try {
        jet::Database db = jet::Database::open(file, {.exclusive = true, .readOnly = true});
        return 0;
      } catch (const jet::Error& e) {
        return e.code() == jet::ErrorCode::Locked ? 1 : 2;
      }
    }
    if (args[0] == "interrupt" && args.size() == 2) interrupt(file);
    if (args[0] == "commit" && args.size() == 2) {
      {
        jet::Database db = jet::Database::open(file);
        db.begin();
        db.table("Table1").moveFirst();
        db.commit();
      }
      for (int fd = 0; fd <= 2; ++fd) (void)!write(fd, "output of the program\n", 22);
      return 0;
    }
    if ((args[0] == "workload" || args[0] == "undoable") && args.size() == 6) {
      Faults faults{.killAfter = number(argv[4]), .torn = args[4] == "1"};
      const WriteCounts counts = workload(file, std::atoi(argv[3]), faults, args[0] == "undoable");
      std::ofstream(fs::path(std::u8string(args[5].begin(), args[5].end()))) << counts.firstCommit << " " << counts.total;
      return 0;
    }
    if (args[0] == "undo" && args.size() == 4) {
      Faults faults{.killAfter = number(argv[3]), .torn = args[3] == "1"};
      jet::Database db = jet::Database::open(file, {}, faults.wrapper());
      db.undoKeptTransaction();
      return 0;
    }
    if (args[0] == "reopen" && args.size() == 4) {
      Faults faults{.killAfter = number(argv[3]), .torn = args[3] == "1"};
      jet::Database db = jet::Database::open(file, {}, faults.wrapper());
      return 0;
    }
  } catch (...) {
    return 3;
  }
  return 2;
}
