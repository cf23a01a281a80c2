#pragma once
// The rollback journal of a database: before a page of the file is overwritten inside a transaction,
// its original bytes are saved here and made durable; deleting the journal commits the transaction.
// A journal found when a database is opened belongs to a transaction that never finished: it is
// rolled back (the originals written back, pages added by the transaction cut off) before anything
// is read.
//
// Layout: two header slots of 256 bytes at offsets 0 and 256, then records from offset 512.
//   slot:   magic "QBMJRNL1" (8), sequence (4), page size (4), original file size (8),
//           record count (4), salt (4), checksum of the 32 bytes before it (4)
//   record: page number (4), the page as stored in the file (page size), checksum (4)
// The valid slot with the higher sequence counts; only the records it counts are restored. Headers
// are rewritten only after the records they count are synced, and the database file is written only
// after the header is synced, so a journal with no valid header (a torn or unsynced first write)
// means the database file was not touched yet.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <unordered_set>

#include "jet/storage.h"

namespace jet {

// Where a database keeps its journal: a file beside it, or memory (in-memory databases).
class JournalStore {
 public:
  virtual ~JournalStore() = default;
  // A new, empty journal (replacing any there).
  virtual std::unique_ptr<Storage> create() = 0;
  // The journal left behind, or nullptr when there is none.
  virtual std::unique_ptr<Storage> openExisting() = 0;
  // Deletes the journal; durable when it returns. No journal is not an error.
  virtual void remove() = 0;
  virtual bool exists() = 0;
};

// "<database>-journal" beside the database file (e.g. "qbaudio.mdb-journal").
std::filesystem::path journalPathFor(const std::filesystem::path& database);
std::unique_ptr<JournalStore> fileJournalStore(const std::filesystem::path& database);
std::unique_ptr<JournalStore> memoryJournalStore();

// The writing side, for one transaction.
class JournalWriter {
 public:
  // Starts a journal in storage for a database of this page size and current size.
  JournalWriter(std::unique_ptr<Storage> storage, std::uint32_t pageSize, std::uint64_t originalSize);

  std::uint64_t originalSize() const { return originalSize_; }
  // Whether the page's original is saved already.
  bool contains(std::uint32_t page) const { return saved_.count(page) != 0; }
  // Saves a page's original bytes (as stored in the file). REQUIRES: !contains(page).
  void add(std::uint32_t page, std::span<const std::uint8_t> original);
  // Makes every saved original durable and counted. After it returns, the database file may be
  // overwritten at the saved pages and beyond its original size. Cheap when nothing is new.
  void sync();

 private:
  void writeHeader();

  std::unique_ptr<Storage> storage_;
  std::uint32_t pageSize_;
  std::uint64_t originalSize_;
  std::uint32_t salt_;
  std::uint32_t sequence_ = 0;
  std::uint32_t records_ = 0;
  bool pending_ = true;  // the header on disk does not yet count every record, or was never synced
  std::unordered_set<std::uint32_t> saved_;
};

enum class Recovery {
  NoJournal,   // nothing to do
  Discarded,   // the journal was never made durable: the database was untouched; journal deleted
  RolledBack,  // the originals were restored and the database cut to its old size; journal deleted
};

// Rolls the database back to the state the journal in store records, then deletes the journal.
// Throws Error(Io) when the database cannot be written (the journal is then kept for next time).
Recovery rollBackJournal(JournalStore& store, Storage& database);

// The database as the journal in store would restore it, without writing anything: for opening a
// database read-only while a journal is there. Takes database over and returns the view; returns
// nullptr and leaves database alone when there is no valid journal.
std::unique_ptr<Storage> journaledView(JournalStore& store, std::unique_ptr<Storage>& database);

}  // namespace jet
