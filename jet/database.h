#pragma once
// An open Access (Jet 3 / Jet 4) database: the catalog, table cursors, transactions.
//
// Database::open holds an operating-system lock on the file while it is open; a second open of the
// same file (in this process or another) throws Error(Locked). A rollback journal left beside the
// file by an interrupted transaction is rolled back by the next open that may write, before
// anything is read, when it was written for the file as it is; a read-only open reads the file as
// that rollback would leave it. Any other journal is never applied. journalFinding() tells what
// the open found and did. A commit whose file was replaced under its name in the meantime is
// undone (Error(Replaced)).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/collation.h"
#include "jet/error.h"
#include "jet/journal_finding.h"
#include "jet/open_options.h"
#include "jet/schema.h"
#include "jet/table.h"

namespace jet {

class Storage;  // a file as the engine reads and writes it (file/storage.h)
// Puts a Storage of its own around each file a database opens: how tests inject faults.
using StorageWrapper = std::function<std::unique_ptr<Storage>(std::unique_ptr<Storage>)>;

namespace detail {
class DatabaseCore;
struct DatabaseAccess;
}

class Database {
 public:
  // A database that may be written (not read-only) must have one name: a file with hard links
  // is refused (Error(Io)). A journal beside the file's final path is dealt with as
  // recoverJournal (file/journal.h) says; one that can be neither applied nor shown not to
  // belong gives Error(JournalKept), and the file is not opened.
  static Database open(const std::filesystem::path& path, OpenOptions options = {});
  // The same, with every file the database opens (the database, its journals) put inside a
  // Storage of the caller's making: how tests inject faults.
  static Database open(const std::filesystem::path& path, OpenOptions options, const StorageWrapper& wrap);
  // Makes a new, empty database (the system catalog the Jet engine makes, no user tables; Jet 3
  // text in code page 1252) and opens it, locked as open() locks. Throws Error(Io) naming the file
  // when it exists already (it is never written over) or cannot be made; a failed create leaves no
  // file behind.
  static Database create(const std::filesystem::path& path, Format format = Format::Jet4);
  // The same, but every creation and update date the engine writes through this handle (the
  // header's creation date, the catalog rows of the system tables and of the tables created
  // afterwards) is `timestamp` instead of the clock: the same writes then make identical files.
  static Database create(const std::filesystem::path& path, Format format, DateTime timestamp);
  // Opens a database image held in memory, read-only and without a lock (the fuzzer and tests of
  // damaged files use it). Fails as open() does for bytes that are not a sound database.
  static Database openMemory(std::vector<std::uint8_t> bytes);

  // A second handle on this open database for reading it on another thread at the same time: the
  // same file, read through a page cache of its own, read-only and under this handle's lock. It
  // reads the file as it is on disk, so REQUIRES no transaction open on this handle
  // (Error(InvalidState)); none may be begun, and this handle may not be closed, while the view is
  // in use: close the view first. Reads through a view of a closed handle throw
  // Error(InvalidState).
  Database readView();

  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  ~Database();  // closes; an open transaction is rolled back

  // Rolls back an open transaction, releases the lock. Later use of the database or its tables
  // throws Error(InvalidState). Safe to call twice.
  void close();
  bool isOpen() const;

  const std::filesystem::path& path() const;
  // What the open found of a journal beside the file (JournalFinding::Kind::None when none), and
  // what it did with it: rolled back, read through, set aside or ignored.
  const JournalFinding& journalFinding() const;
  Format format() const;
  std::uint32_t pageSize() const;
  std::uint16_t codePage() const;   // Jet 3: code page of the text; Jet 4: as stored
  std::uint32_t sortOrder() const;  // collation id of text indexes (General = 1033)
  // The order of the file's text index keys (collation.h). Throws Error(Unsupported) for a sort
  // order other than General.
  Collation collation() const;

  // User tables (no system tables), in catalog order.
  std::vector<std::string> tableNames() const;
  bool hasTable(std::string_view name) const;
  // A new cursor over the table (names compare without regard to case). Throws Error(MissingTable).
  Table table(std::string_view name);

  // Adds a user table with its columns and indexes, as one write (in the open transaction, if any).
  // Throws Error(ValueRejected) on a bad definition (table_definition_plan.h lists the checks) or a
  // name a table or query of the database already has; nothing is written then.
  void createTable(const TableDefinition& definition);

  // One transaction at a time. begin() starts journaling; commit() makes every change durable at
  // once; rollback() restores the file as it was at begin(). Writes outside a transaction are each
  // their own transaction.
  void begin();
  void commit();
  void rollback();
  bool inTransaction() const;

  // Undoing a committed transaction. keepUndoRecord makes the open transaction's commit keep its
  // journal beside the file as the transaction's undo record ("<file>-undo", beside the file's
  // final path, made and trusted as journals are: file/journal.h), with the caller's note,
  // replacing the record of any earlier transaction: only the last one so kept can be undone. The
  // commit costs one more read of the whole file (the digest of the file as committed) and no more
  // disk than the journal takes already (the originals of the pages changed) plus the note.
  // REQUIRES: inTransaction() (Error(InvalidState)).
  void keepUndoRecord(std::string note);
  // The undo record beside the file, with its note, and why undoKeptTransaction would refuse it
  // (nothing when it applies): the file changed since the commit, the record is damaged, or it is
  // not to be trusted. Nothing when there is none or the database is open read-only. Reads the
  // whole file once; changes nothing.
  std::optional<UndoInspection> keptUndo();
  // Puts the file back byte for byte as it was before the transaction whose undo record is kept,
  // deletes the record, returns its note, and closes this handle (what it read is stale): open the
  // file again to use it. Atomic: a crash during the undo leaves a journal that the next open rolls
  // back. Throws Error(NothingToUndo) when no record is kept, Error(UndoRefused) saying why when it
  // does not apply (for both, nothing is changed and the handle stays open), Error(InvalidState)
  // in a transaction, Error(ReadOnly) when opened read-only.
  std::string undoKeptTransaction();

  // Thread safety: a Database and every Table made from it form one unit that one thread uses at
  // a time; nothing in it is locked. Different databases may be used on different threads.

 private:
  friend struct detail::DatabaseAccess;
  explicit Database(std::shared_ptr<detail::DatabaseCore> core);
  static Database createDatabase(const std::filesystem::path& path, Format format,
                                 std::optional<DateTime> timestamp);
  detail::DatabaseCore& openCore() const;  // throws Error(InvalidState) when closed
  std::shared_ptr<detail::DatabaseCore> core_;
};

// A transaction as a scope: begins at construction (Database::begin, with its errors); commit()
// keeps the changes; leaving the scope without commit() rolls them back, ignoring errors of that
// rollback (the journal beside the file then restores it at the next open).
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void commit();
  void rollback();

 private:
  Database& db_;
};

}  // namespace jet
