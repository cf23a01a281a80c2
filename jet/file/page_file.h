#pragma once
// A database file as numbered pages of one size (2048 bytes for Jet 3, 4096 for Jet 4), read through
// a small cache, and changed only inside a transaction. Page numbers are checked against the file's
// size. Pages of a database with a database key are decoded here (and encoded again on write), so
// the layers above always see plain pages.
//
// Pages are handed out as shared, immutable buffers: a caller may keep one while it reads others.
// A change never alters a buffer handed out; it installs a new one (copy-on-write), so a reader
// that keeps a PageRef keeps the page as it was. changeCount() grows with every change, so readers
// that keep decoded pages can tell that they may be stale.
//
// Writing: begin(); then copyPage()/writePage() to change a page and appendPage() to add one (use
// PageAllocator to take pages for tables and indexes, so that usage maps stay exact); commit() or
// rollback(). Changed pages stay in memory until commit, or until too many are waiting (then they
// are written early, "spilled"). Before any page of the file is overwritten, its original is saved
// in the journal (journal.h) and synced; pages the transaction appends past the file's end have no
// original: they are written early on a smaller budget of their own, with no journal write (the
// journal records the file's size at begin(), and a rollback or recovery cuts the file to it); commit writes the changed pages, flushes the file and then
// deletes the journal, which is the moment the transaction counts as done. Statements
// (beginStatement()...) let one row write inside a longer transaction be undone alone.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/database_header.h"
#include "jet/file/format.h"
#include "jet/file/journal.h"
#include "jet/file/storage.h"

namespace jet {

class Page {
 public:
  Page(std::uint32_t number, std::vector<std::uint8_t> bytes) : number_(number), bytes_(std::move(bytes)) {}
  std::uint32_t number() const { return number_; }
  ByteSpan bytes() const { return bytes_; }
  std::uint8_t type() const { return bytes_[0]; }

 private:
  std::uint32_t number_;
  std::vector<std::uint8_t> bytes_;
};

using PageRef = std::shared_ptr<const Page>;

class PageFile {
 public:
  // Reads and checks the header. Throws Error(NotAccessFile) / Error(Unsupported) as
  // readDatabaseHeader does, Error(Io) when the storage cannot be read. Without a journal store
  // the file cannot be written (Error(ReadOnly)).
  explicit PageFile(std::unique_ptr<Storage> storage, std::size_t cachePages = 256,
                    std::unique_ptr<JournalStore> journal = nullptr);
  ~PageFile();  // an open transaction is rolled back (errors ignored)

  const DatabaseHeader& header() const { return header_; }
  const format::Layout& layout() const { return *layout_; }
  std::uint32_t pageSize() const { return layout_->pageSize; }
  // Whole pages in the file, with the pages added by the open transaction (a partial page at the
  // end does not count).
  std::uint32_t pageCount() const { return pageCount_; }
  std::uint64_t fileSize() const { return fileSize_; }
  Storage& storage() { return *storage_; }

  // The page, decoded. Throws Error(Damaged) when number >= pageCount().
  PageRef page(std::uint32_t number);
  // The page, which must be of the given type; Error(Damaged) naming `what` otherwise.
  PageRef page(std::uint32_t number, std::uint8_t type, const char* what);

  // ---- Writing ----
  bool writable() const { return journalStore_ != nullptr && storage_->writable(); }
  // Grows with every change of any page (write, append, rollback).
  std::uint64_t changeCount() const { return changeCount_; }

  // Starts a transaction. Throws Error(ReadOnly) when the file cannot be written,
  // Error(InvalidState) when one is open already, or when a journal is there (one that a failed
  // rollback kept: reopening the database applies it).
  void begin();
  // Makes every change of the transaction durable at once. On an error the transaction is rolled
  // back and the error rethrown; so it is when the journal store finds that the file's name now
  // refers to another file (Error(Replaced), JournalStore::confirmDatabase).
  void commit();
  // Undoes every change of the transaction; the file is byte for byte as at begin().
  void rollback();
  bool inTransaction() const { return inTransaction_; }

  // A statement: a group of changes inside the transaction that can be undone alone.
  // REQUIRES: inTransaction(), no statement open (Error(InvalidState) otherwise).
  void beginStatement();
  void endStatement();       // keeps the statement's changes in the transaction
  void rollbackStatement();  // undoes them (pages added by it are dropped again)
  bool inStatement() const { return inStatement_; }

  // A private copy of the page's bytes, to change and hand to writePage.
  std::vector<std::uint8_t> copyPage(std::uint32_t number);
  // Replaces the page's contents (decoded bytes; page 0 as it is stored, header() is not re-read).
  // REQUIRES: inTransaction() (Error(InvalidState)); number < pageCount() (Error(Damaged));
  // bytes.size() == pageSize() (Error(InvalidState)).
  void writePage(std::uint32_t number, std::vector<std::uint8_t> bytes);
  // copyPage, then change(bytes) edits the copy, then writePage; returns what change returns. If
  // change throws, the page stays as it was.
  template <typename Change>
  decltype(auto) modifyPage(std::uint32_t number, Change&& change) {
    std::vector<std::uint8_t> bytes = copyPage(number);
    if constexpr (std::is_void_v<std::invoke_result_t<Change&, std::vector<std::uint8_t>&>>) {
      change(bytes);
      writePage(number, std::move(bytes));
    } else {
      auto result = change(bytes);
      writePage(number, std::move(bytes));
      return result;
    }
  }
  // Adds a page at the end of the file and returns its number. Same requirements. Callers that
  // give the page to a table or index use PageAllocator instead, which keeps the maps exact.
  std::uint32_t appendPage(std::vector<std::uint8_t> bytes);

  // How many changed pages may wait in memory before they are written early (at least 16); an
  // eighth of that for pages appended by the transaction.
  void setSpillLimit(std::size_t pages);

  // ---- The undo record (journal.h) ----
  // Makes the open transaction's commit keep its journal as the undo record of the transaction,
  // with the note, replacing any earlier record (a transaction that changed nothing keeps one too,
  // which undoes nothing). Costs one more read of the whole file at commit. A rollback keeps the
  // earlier record. REQUIRES: inTransaction() (Error(InvalidState)).
  void keepUndoRecord(std::string note);
  // The undo record beside the file and whether it applies (journal.h, inspectUndo). Nothing
  // when the file cannot be written (no journal store). Right after this handle committed a
  // record, until its next transaction, answered from what that commit wrote and checked (the
  // file's size and digest, the record synced before its rename) instead of reading the whole
  // file and the record back; the record's ownership is still asked of the file system.
  std::optional<UndoInspection> keptUndo();
  // Undoes the transaction the undo record was kept for (journal.h, applyUndo) and returns its
  // note. The pages read before are forgotten; header() is not read again, so callers reopen the
  // database. REQUIRES: writable(), !inTransaction() (Error(ReadOnly), Error(InvalidState)).
  std::string undoKeptTransaction();

 private:
  PageRef load(std::uint32_t number);
  void requireTransaction() const;
  void remember(const PageRef& page);  // into the clean cache
  void install(std::uint32_t number, std::vector<std::uint8_t> bytes);
  std::vector<std::uint8_t> encoded(const Page& page) const;
  // Makes the journal (before anything of the transaction reaches the file).
  void startJournal();
  // Writes those changed pages (sorted numbers) to the file and moves them to the clean cache.
  void writePages(const std::vector<std::uint32_t>& numbers);
  // Journals the originals of the changed pages, syncs the journal, writes the changed pages.
  void writeDirtyPages();
  // Writes the changed pages past the file's size at begin() (no originals to journal).
  void writeAppendedPages();
  void forgetCache();
  void finishTransaction();
  // The commit point of a transaction that keeps its undo record: the trailer, then the rename.
  void commitKeepingUndo();

  std::unique_ptr<Storage> storage_;
  std::unique_ptr<JournalStore> journalStore_;
  DatabaseHeader header_;
  const format::Layout* layout_ = nullptr;
  std::uint64_t fileSize_ = 0;
  std::uint32_t pageCount_ = 0;
  std::uint64_t changeCount_ = 0;

  // Clean pages: at most cacheCapacity_ slots, chained from the most recently used (newest_) to the
  // least (oldest_), and found by page number through slotOfPage_ (kNoSlot: not cached), so that a
  // look-up is one array read and neither a hit nor an eviction allocates.
  static constexpr std::uint32_t kNoSlot = 0xFFFFFFFF;
  struct CacheSlot {
    PageRef page;
    std::uint32_t newer = kNoSlot;
    std::uint32_t older = kNoSlot;
  };
  std::uint32_t cachedSlot(std::uint32_t number) const {
    return number < slotOfPage_.size() ? slotOfPage_[number] : kNoSlot;
  }
  void unlinkSlot(std::uint32_t slot);
  void linkNewest(std::uint32_t slot);
  void forgetCached(std::uint32_t number);  // drops the page from the clean cache, if there
  std::size_t cacheCapacity_;
  std::vector<CacheSlot> slots_;
  std::vector<std::uint32_t> freeSlots_;
  std::vector<std::uint32_t> slotOfPage_;
  std::uint32_t newest_ = kNoSlot;
  std::uint32_t oldest_ = kNoSlot;
  std::size_t cachedCount_ = 0;

  // The transaction.
  bool inTransaction_ = false;
  std::uint32_t beginPageCount_ = 0;
  std::uint64_t beginFileSize_ = 0;
  std::unordered_map<std::uint32_t, PageRef> dirty_;  // changed, not yet written to the file
  std::unique_ptr<JournalWriter> journal_;
  bool fileTouched_ = false;  // pages were written to the file during the transaction
  std::size_t spillLimit_ = 2048;
  std::size_t appendedDirty_ = 0;       // pages of dirty_ at or past beginPageCount_
  std::size_t appendSpillLimit_ = 256;  // how many of them may wait in memory
  std::optional<std::string> undoNote_;  // keepUndoRecord was called in this transaction
  std::optional<std::string> committedUndo_;  // the note of the record this handle's last commit kept

  // The statement: each page's contents before the statement first changed it.
  bool inStatement_ = false;
  std::uint32_t statementPageCount_ = 0;
  std::unordered_map<std::uint32_t, PageRef> statementOriginals_;
};

}  // namespace jet
