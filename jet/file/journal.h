#pragma once
// The rollback journal of a database: before a page of the file is overwritten inside a transaction,
// its original bytes are saved here and made durable; deleting the journal commits the transaction.
// A journal found when a database is opened was left by a transaction that never finished: when
// it belongs to the file (below), it is rolled back (the originals written back, pages added by
// the transaction cut off) before anything is read.
//
// Layout: two header slots of 256 bytes at offsets 0 and 256, then records from offset 512.
//   slot:   magic "QBMJRNL2" (8), sequence (4), page size (4), original file size (8),
//           record count (4), salt (4), state digest (8), checksum of the 40 bytes before it (4)
//   record: page number (4), the page as stored in the file (page size), checksum (4)
// The valid slot with the higher sequence counts; only the records it counts are restored. Headers
// are rewritten only after the records they count are synced, and the database file is written only
// after the header is synced, so a journal with no valid header (a torn or unsynced first write)
// means the database file was not touched yet; it is set aside all the same.
//
// A journal is bound to the file it was written for: the state digest is a digest of the whole
// database as it was when the transaction began. A crash at any point leaves the file such that
// the journal's originals, laid over it and cut to the original size, give back exactly those
// bytes; a journal is applied only when they do. One left from another database, or from another
// state of this one (a backup restored over a crashed file), is never applied.
//
// A journal belongs to the file, not to a name of it: it lives beside the file's final path
// (symbolic links resolved), so every name finds it; a file with more than one hard link is never
// written (database.cpp), as another name would miss it. It is made with the database's
// permissions and owner, and one found there is trusted only when it belongs to the database's
// owner and nobody may write it who may not write the database: in a folder where others may make
// files, a journal of someone else's making is never applied nor moved. One that cannot be read,
// or whose saved pages are cut off or damaged, is kept where it is and the database is not opened:
// the file may be half-written, and only that journal can tell.
//
// The undo record. A transaction may ask to be undoable (PageFile::keepUndoRecord): its journal
// then gets a trailer after everything else, written once the transaction's pages are in the file
// and synced: the size and a digest of the file as committed, and a note of the caller's. The
// commit point is then the rename of the journal to "<database>-undo" (replacing any earlier one:
// one generation) instead of its deletion. Before the rename the journal rolls back as any other;
// after it, nothing reads the undo record but undo itself, which applies it only when the file is
// still exactly as committed (size and digest) and the record is trusted as a journal would be; it
// renames the record back to the journal's name (undo's own commit point) and rolls it back, so a
// crash during undo leaves a journal the next open completes.
//   trailer (at the end of the journal): note (n bytes), n (4), committed size (8), committed
//           digest (8), checksum of those bytes seeded with the journal's salt (4), magic "QBMUNDO1"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>

#include "jet/file/platform_file.h"
#include "jet/journal_finding.h"
#include "jet/file/storage.h"

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
  // Moves the journal left behind out of the way under a name no file has yet, and returns that
  // name. Throws Error(Io) when it cannot be moved.
  virtual std::filesystem::path setAside() = 0;
  // Where the journal is kept, for messages.
  virtual std::filesystem::path path() const = 0;
  // Why the journal left behind may not be applied even if it fits the database: it belongs to
  // another user than the database, or someone may write it who may not write the database.
  // Nothing when it may be.
  virtual std::optional<std::string> distrust() const { return std::nullopt; }
  // The undo record (see the top of the file). keepAsUndo renames the journal to the undo record's
  // name, replacing any there, durably; reinstateUndo renames the undo record to the journal's
  // name, durably. Each throws Error(Io) when it cannot.
  virtual void keepAsUndo() = 0;
  virtual void reinstateUndo() = 0;
  // The undo record, or nullptr when there is none.
  virtual std::unique_ptr<Storage> openUndo() = 0;
  virtual bool undoExists() = 0;
  virtual std::filesystem::path undoPath() const = 0;
  // As distrust(), for the undo record.
  virtual std::optional<std::string> undoDistrust() const { return std::nullopt; }
  // Throws Error(Replaced) when a name of the database no longer refers to the file being
  // changed (another file was renamed or moved over it, or it was moved or deleted). Called right
  // before the commit point.
  virtual void confirmDatabase() const {}
};

// "<database>-journal" beside the database path (e.g. "qbaudio.mdb-journal").
std::filesystem::path journalPathFor(const std::filesystem::path& database);
// "<database>-undo" beside the database path.
std::filesystem::path undoPathFor(const std::filesystem::path& database);
// The journal of the open database file: beside its final path, made like the file (permissions,
// owner), trusted as distrust() says, confirming that the file's path and its final path still
// refer to it. Every file it opens or makes goes through wrap, when one is given.
std::unique_ptr<JournalStore> fileJournalStore(const PlatformFile& database, const StorageWrapper& wrap = {});
// A journal beside a path where no database is yet (one is about to be made there): of use only to
// find a journal left behind and set it aside.
std::unique_ptr<JournalStore> fileJournalStore(const std::filesystem::path& database);
std::unique_ptr<JournalStore> memoryJournalStore();

// Why a journal of that ownership may not be trusted for a database of that ownership: another
// owner, or writable by a group or by everyone that may not write the database. Nothing when it
// may be trusted, or when either ownership is unknown (Windows).
std::optional<std::string> journalDistrust(const FileOwnership& journal, const FileOwnership& database);

// The writing side, for one transaction.
class JournalWriter {
 public:
  // Starts a journal in storage for the database, whose first originalSize bytes (whole pages of
  // pageSize) are its state at the start of the transaction; reads them all for the state digest.
  // REQUIRES: nothing of the transaction has been written to the database yet.
  JournalWriter(std::unique_ptr<Storage> storage, const Storage& database, std::uint32_t pageSize,
                std::uint64_t originalSize);

  std::uint64_t originalSize() const { return originalSize_; }
  // Whether the page's original is saved already.
  bool contains(std::uint32_t page) const { return saved_.count(page) != 0; }
  // Saves a page's original bytes (as stored in the file). REQUIRES: !contains(page).
  void add(std::uint32_t page, std::span<const std::uint8_t> original);
  // Makes every saved original durable and counted. After it returns, the database file may be
  // overwritten at the saved pages and beyond its original size. Cheap when nothing is new.
  void sync();
  // Whether everything saved, and the header with the original size, is durable.
  bool synced() const { return !pending_; }
  // Appends the undo trailer (committed size, digest of the committed file, note) and syncs the
  // journal; returns the note as the trailer keeps it (cut at the most a trailer holds). REQUIRES:
  // the transaction's pages are all in the file, synced; sync() was called.
  std::string writeUndoTrailer(std::uint64_t committedSize, std::uint64_t committedDigest, std::span<const std::uint8_t> note);
  // Closes the journal's file (renaming an open file is refused on some systems).
  void close() { storage_.reset(); }

 private:
  void writeHeader();

  std::unique_ptr<Storage> storage_;
  std::uint32_t pageSize_;
  std::uint64_t originalSize_;
  std::uint32_t salt_;
  std::uint64_t stateDigest_;
  std::uint32_t sequence_ = 0;
  std::uint32_t records_ = 0;
  std::uint32_t recordsSynced_ = 0;  // records made durable before the last header was written
  bool pending_ = true;  // the header on disk does not yet count every record, or was never synced
  std::unordered_set<std::uint32_t> saved_;
};

// The digest of the first size bytes of a database, as journals record it.
std::uint64_t databaseDigest(const Storage& database, std::uint64_t size);

// UndoInspection: jet/journal_finding.h.
// Reads the undo record in store and compares it with the database (the whole file is read once,
// for its digest; whether the saved originals give back the file as it was is left to applyUndo,
// which reads it once more). Changes nothing.
UndoInspection inspectUndo(JournalStore& store, const Storage& database);
// Undoes the transaction the undo record in store was kept for: checks it as inspectUndo does,
// renames it to the journal's name and rolls the database back with it; returns its note.
// Throws Error(NothingToUndo) when there is no undo record, Error(UndoRefused) with the reason
// when it does not apply (nothing is changed then), Error(Io) when the database cannot be written
// (the journal is then kept, and the next open completes the undo).
std::string applyUndo(JournalStore& store, Storage& database);

enum class Recovery {
  NoJournal,   // nothing to do
  Discarded,   // the journal was never made durable: the database was untouched; journal deleted
  RolledBack,  // the originals were restored and the database cut to its old size; journal deleted
};

// Rolls the database back to the state the journal in store records, then deletes the journal.
// For the transaction's own rollback: the journal is not checked against the file. Throws
// Error(Io) when the database cannot be written (the journal is then kept for next time).
Recovery rollBackJournal(JournalStore& store, Storage& database);

// What opening a database found of a journal beside it: JournalFinding (jet/journal_finding.h).

// Deals with the journal left in store before a database is opened. writable: a journal that
// belongs is rolled back in place (Error(Io) when the database cannot be written; the journal is
// then kept), one shown not to belong is set aside. Read-only: nothing is written or renamed; a
// journal that belongs replaces database with a view of it as the rollback would leave it.
// Either way, a journal that is not to be trusted, cannot be read, or whose saved pages are cut
// off or damaged is left as it is, and Error(JournalKept) names it and says why.
JournalFinding recoverJournal(JournalStore& store, std::unique_ptr<Storage>& database, bool writable);

}  // namespace jet
