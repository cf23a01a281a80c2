#include "jet/file/page_file.h"

// Invariants of a transaction (JET_INVARIANT checks them where they could break):
//  1. The journal is made while the file still holds its state at begin(): before anything of the
//     transaction has been written to the file (the journal's digest is of that state).
//  2. Before a page below the file's size at begin() is overwritten, its original is in the journal
//     and the journal is synced.
//  3. Before anything is written past the file's size at begin(), the journal recording that size is
//     synced: a crash from then on leaves a journal whose recovery cuts the file back to it.
//  4. Pages appended by the transaction (from beginPageCount_ on) are never journaled: they have no
//     original, a rollback or a recovery cuts them off. They wait in memory only while at most
//     appendSpillLimit_ of them are changed; then they alone are written, without journal writes.
//  5. A page is never both changed (in dirty_) and in the clean cache.
//  6. appendedDirty_ is the number of pages in dirty_ at or past beginPageCount_.
//  7. The clean cache holds at most cacheCapacity_ pages, each in its own slot, which slotOfPage_
//     names for its number.

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/file/invariant.h"
#include "jet/file/rc4.h"
#include "jet/path_text.h"

namespace jet {

namespace {
constexpr const char* kWhere = "the page file";
}  // namespace

PageFile::PageFile(std::unique_ptr<Storage> storage, std::size_t cachePages, std::unique_ptr<JournalStore> journal)
    : storage_(std::move(storage)), journalStore_(std::move(journal)),
      cacheCapacity_(std::max<std::size_t>(cachePages, 8)) {
  fileSize_ = storage_->size();
  std::vector<std::uint8_t> first(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, 4096)));
  storage_->readAt(0, first);
  header_ = readDatabaseHeader(first);
  layout_ = &format::layout(header_.version);
  std::uint64_t pages = fileSize_ / layout_->pageSize;
  if (pages < 3)
    throw Error(ErrorCode::Damaged, "the database is too short to hold its catalog");
  // Page numbers are 24-bit in row pointers and 32-bit elsewhere; larger files are not Jet files.
  if (pages > 0xFFFFFF) throw Error(ErrorCode::Damaged, "the database is larger than the format allows");
  pageCount_ = static_cast<std::uint32_t>(pages);
}

PageFile::~PageFile() {
  if (!inTransaction_) return;
  try {
    rollback();
  } catch (const Error&) {
    // The journal stays behind; the next open rolls it back.
  }
}

PageRef PageFile::page(std::uint32_t number) {
  if (number >= pageCount_)
    throw Error(ErrorCode::Damaged, "a reference to page " + std::to_string(number) +
                                        " points past the end of the file (" +
                                        std::to_string(pageCount_) + " pages)");
  if (!dirty_.empty()) {
    auto changed = dirty_.find(number);
    if (changed != dirty_.end()) return changed->second;
  }
  const std::uint32_t slot = cachedSlot(number);
  if (slot != kNoSlot) {
    if (slot != newest_) {
      unlinkSlot(slot);
      linkNewest(slot);
    }
    return slots_[slot].page;
  }
  PageRef loaded = load(number);
  remember(loaded);
  return loaded;
}

PageRef PageFile::page(std::uint32_t number, std::uint8_t type, const char* what) {
  PageRef p = page(number);
  if (p->type() != type)
    throw Error(ErrorCode::Damaged, std::string(what) + " on page " + std::to_string(number) +
                                        " is missing (the page holds something else)");
  return p;
}

void PageFile::remember(const PageRef& page) {
  const std::uint32_t number = page->number();
  JET_INVARIANT(kWhere, 5, dirty_.empty() || dirty_.count(number) == 0);
  forgetCached(number);
  if (cachedCount_ >= cacheCapacity_) forgetCached(slots_[oldest_].page->number());
  std::uint32_t slot;
  if (!freeSlots_.empty()) {
    slot = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    slot = static_cast<std::uint32_t>(slots_.size());
    slots_.emplace_back();
  }
  slots_[slot].page = page;
  linkNewest(slot);
  if (number >= slotOfPage_.size()) slotOfPage_.resize(std::max<std::size_t>(number + 1, pageCount_), kNoSlot);
  slotOfPage_[number] = slot;
  ++cachedCount_;
  JET_INVARIANT(kWhere, 7, cachedCount_ <= cacheCapacity_);
}

void PageFile::unlinkSlot(std::uint32_t slot) {
  CacheSlot& s = slots_[slot];
  if (s.newer != kNoSlot) slots_[s.newer].older = s.older;
  else newest_ = s.older;
  if (s.older != kNoSlot) slots_[s.older].newer = s.newer;
  else oldest_ = s.newer;
  s.newer = s.older = kNoSlot;
}

void PageFile::linkNewest(std::uint32_t slot) {
  CacheSlot& s = slots_[slot];
  s.newer = kNoSlot;
  s.older = newest_;
  if (newest_ != kNoSlot) slots_[newest_].newer = slot;
  newest_ = slot;
  if (oldest_ == kNoSlot) oldest_ = slot;
}

void PageFile::forgetCached(std::uint32_t number) {
  const std::uint32_t slot = cachedSlot(number);
  if (slot == kNoSlot) return;
  unlinkSlot(slot);
  slots_[slot].page.reset();
  freeSlots_.push_back(slot);
  slotOfPage_[number] = kNoSlot;
  --cachedCount_;
}

PageRef PageFile::load(std::uint32_t number) {
  std::vector<std::uint8_t> bytes(layout_->pageSize);
  storage_->readAt(static_cast<std::uint64_t>(number) * layout_->pageSize, bytes);
  if (header_.databaseKey != 0 && number != 0) {
    std::uint8_t key[4];  // the page's key: the database key XOR the page number, little-endian
    bytes::put32(key, 0, header_.databaseKey ^ number);
    applyRc4(key, bytes);
  }
  return std::make_shared<const Page>(number, std::move(bytes));
}

std::vector<std::uint8_t> PageFile::encoded(const Page& page) const {
  std::vector<std::uint8_t> bytes(page.bytes().begin(), page.bytes().end());
  if (header_.databaseKey != 0 && page.number() != 0) {
    std::uint8_t key[4];  // the page's key: the database key XOR the page number, little-endian
    bytes::put32(key, 0, header_.databaseKey ^ page.number());
    applyRc4(key, bytes);
  }
  return bytes;
}

// ---- Transactions ----------------------------------------------------------------------------------

void PageFile::begin() {
  if (!writable()) throw Error(ErrorCode::ReadOnly, "the database is open read-only");
  if (inTransaction_) throw Error(ErrorCode::InvalidState, "a transaction is already open");
  // Only a rollback that failed leaves a journal behind while the file is open; a new transaction
  // would replace it, and with it the originals the file still needs.
  if (journalStore_->exists())
    throw Error(ErrorCode::InvalidState, "the database cannot be changed: an earlier change could not be undone (" +
                                             utf8Of(journalStore_->path()) + " is kept); open the database again");
  fileSize_ = storage_->size();
  if (fileSize_ % layout_->pageSize != 0)
    throw Error(ErrorCode::Damaged, "the database cannot be changed: its size is not a whole number of pages");
  inTransaction_ = true;
  committedUndo_.reset();
  beginPageCount_ = pageCount_;
  beginFileSize_ = fileSize_;
  fileTouched_ = false;
}

void PageFile::requireTransaction() const {
  if (!inTransaction_) throw Error(ErrorCode::InvalidState, "a page write needs an open transaction");
}

void PageFile::startJournal() {
  if (journal_) return;
  JET_INVARIANT(kWhere, 1, !fileTouched_);
  journal_ = std::make_unique<JournalWriter>(journalStore_->create(), *storage_, layout_->pageSize, beginFileSize_);
}

void PageFile::writePages(const std::vector<std::uint32_t>& numbers) {
  fileTouched_ = true;
  // All written before any leaves dirty_: when a write fails, every change is still in memory.
  for (std::uint32_t number : numbers) {
    if (number < beginPageCount_)
      JET_INVARIANT(kWhere, 2, journal_->contains(number) && journal_->synced());
    else
      JET_INVARIANT(kWhere, 3, journal_->synced());
    const PageRef& page = dirty_.at(number);
    std::uint64_t offset = static_cast<std::uint64_t>(number) * layout_->pageSize;
    if (header_.databaseKey != 0 && number != 0) storage_->writeAt(offset, encoded(*page));
    else storage_->writeAt(offset, page->bytes());  // stored as they are: no copy
  }
  for (std::uint32_t number : numbers) {
    auto changed = dirty_.find(number);
    const PageRef page = changed->second;
    dirty_.erase(changed);
    remember(page);
  }
}

void PageFile::writeDirtyPages() {
  startJournal();
  std::vector<std::uint32_t> numbers;
  numbers.reserve(dirty_.size());
  for (const auto& entry : dirty_) numbers.push_back(entry.first);
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::uint8_t> original(layout_->pageSize);
  for (std::uint32_t number : numbers) {
    if (number >= beginPageCount_ || journal_->contains(number)) continue;
    // Not journaled yet, so not yet written in this transaction: the file still holds the original.
    storage_->readAt(static_cast<std::uint64_t>(number) * layout_->pageSize, original);
    journal_->add(number, original);
  }
  journal_->sync();
  writePages(numbers);
  appendedDirty_ = 0;
}

void PageFile::writeAppendedPages() {
  startJournal();
  journal_->sync();  // once per transaction: the size at begin() is durable before the file grows
  std::vector<std::uint32_t> numbers;
  numbers.reserve(appendedDirty_);
  for (const auto& entry : dirty_)
    if (entry.first >= beginPageCount_) numbers.push_back(entry.first);
  JET_INVARIANT(kWhere, 6, numbers.size() == appendedDirty_);
  std::sort(numbers.begin(), numbers.end());
  writePages(numbers);
  appendedDirty_ = 0;
}

void PageFile::commit() {
  requireTransaction();
  inStatement_ = false;
  statementOriginals_.clear();
  try {
    bool changed = !dirty_.empty() || fileTouched_ || pageCount_ != beginPageCount_ || undoNote_;
    if (changed) {
      writeDirtyPages();
      std::uint64_t size = static_cast<std::uint64_t>(pageCount_) * layout_->pageSize;
      if (storage_->size() > size) storage_->truncate(size);  // pages dropped by a statement
      storage_->sync();
      // Another file renamed over the database's name would keep its name, while the change went
      // into a file that no name leads to any more: undone, not committed.
      journalStore_->confirmDatabase();
      if (undoNote_) {
        commitKeepingUndo();
      } else {
        journal_.reset();
        journalStore_->remove();  // the commit point
      }
    } else if (journal_) {
      journal_.reset();
      journalStore_->remove();
    }
  } catch (const Error&) {
    try {
      rollback();
    } catch (const Error&) {
      // The journal stays behind; the next open rolls it back.
    }
    throw;
  }
  fileSize_ = storage_->size();
  finishTransaction();
}

void PageFile::rollback() {
  requireTransaction();
  dirty_.clear();
  appendedDirty_ = 0;
  statementOriginals_.clear();
  inStatement_ = false;
  forgetCache();
  pageCount_ = beginPageCount_;
  fileSize_ = beginFileSize_;
  ++changeCount_;
  bool touched = fileTouched_ || journal_;
  journal_.reset();
  finishTransaction();
  if (touched) rollBackJournal(*journalStore_, *storage_);
}

void PageFile::finishTransaction() {
  inTransaction_ = false;
  fileTouched_ = false;
  journal_.reset();
  undoNote_.reset();
}

// ---- The undo record -------------------------------------------------------------------------------

void PageFile::keepUndoRecord(std::string note) {
  requireTransaction();
  undoNote_ = std::move(note);
}

void PageFile::commitKeepingUndo() {
  const std::uint64_t size = storage_->size();
  const auto* note = reinterpret_cast<const std::uint8_t*>(undoNote_->data());
  std::string kept =
      journal_->writeUndoTrailer(size, databaseDigest(*storage_, size), std::span<const std::uint8_t>(note, undoNote_->size()));
  journal_->close();
  journal_.reset();
  journalStore_->keepAsUndo();  // the commit point
  committedUndo_ = std::move(kept);
}

std::optional<UndoInspection> PageFile::keptUndo() {
  if (!journalStore_) return std::nullopt;
  if (committedUndo_ && !inTransaction_ && journalStore_->undoExists() && !journalStore_->undoDistrust())
    return UndoInspection{true, *committedUndo_, std::nullopt};
  return inspectUndo(*journalStore_, *storage_);
}

std::string PageFile::undoKeptTransaction() {
  if (!writable()) throw Error(ErrorCode::ReadOnly, "the database is open read-only");
  if (inTransaction_) throw Error(ErrorCode::InvalidState, "a transaction is open");
  committedUndo_.reset();
  std::string note = applyUndo(*journalStore_, *storage_);
  forgetCache();
  ++changeCount_;
  fileSize_ = storage_->size();
  pageCount_ = static_cast<std::uint32_t>(fileSize_ / layout_->pageSize);
  return note;
}

void PageFile::forgetCache() {
  slots_.clear();
  freeSlots_.clear();
  slotOfPage_.clear();
  newest_ = oldest_ = kNoSlot;
  cachedCount_ = 0;
}

void PageFile::setSpillLimit(std::size_t pages) {
  spillLimit_ = std::max<std::size_t>(pages, 16);
  appendSpillLimit_ = spillLimit_ / 8;
}

// ---- Statements ------------------------------------------------------------------------------------

void PageFile::beginStatement() {
  requireTransaction();
  if (inStatement_) throw Error(ErrorCode::InvalidState, "a statement is already open");
  inStatement_ = true;
  statementPageCount_ = pageCount_;
  statementOriginals_.clear();
}

void PageFile::endStatement() {
  inStatement_ = false;
  statementOriginals_.clear();
}

void PageFile::rollbackStatement() {
  if (!inStatement_) return;
  for (auto& [number, original] : statementOriginals_) {
    if (number >= statementPageCount_) continue;
    dirty_[number] = original;
    forgetCached(number);
  }
  appendedDirty_ = 0;
  for (auto it = dirty_.begin(); it != dirty_.end();) {
    if (it->first >= statementPageCount_) {
      it = dirty_.erase(it);
    } else {
      if (it->first >= beginPageCount_) ++appendedDirty_;
      ++it;
    }
  }
  for (std::size_t number = statementPageCount_; number < slotOfPage_.size(); ++number)
    forgetCached(static_cast<std::uint32_t>(number));
  pageCount_ = statementPageCount_;
  ++changeCount_;
  endStatement();
}

// ---- Page writes -----------------------------------------------------------------------------------

std::vector<std::uint8_t> PageFile::copyPage(std::uint32_t number) {
  PageRef p = page(number);
  return std::vector<std::uint8_t>(p->bytes().begin(), p->bytes().end());
}

void PageFile::install(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  if (bytes.size() != layout_->pageSize)
    throw Error(ErrorCode::InvalidState, "a page write of " + std::to_string(bytes.size()) + " bytes");
  if (inStatement_ && number < statementPageCount_ && !statementOriginals_.count(number))
    statementOriginals_.emplace(number, page(number));
  forgetCached(number);
  const bool added = dirty_.insert_or_assign(number, std::make_shared<const Page>(number, std::move(bytes))).second;
  if (added && number >= beginPageCount_) ++appendedDirty_;
  ++changeCount_;
  if (dirty_.size() > spillLimit_)
    writeDirtyPages();
  else if (appendedDirty_ > appendSpillLimit_)
    writeAppendedPages();
}

void PageFile::writePage(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  requireTransaction();
  if (number >= pageCount_)
    throw Error(ErrorCode::Damaged, "a write to page " + std::to_string(number) + " past the end of the file");
  install(number, std::move(bytes));
}

std::uint32_t PageFile::appendPage(std::vector<std::uint8_t> bytes) {
  requireTransaction();
  if (pageCount_ >= 0xFFFFFF) throw Error(ErrorCode::Io, "the database has reached the largest size the format allows");
  std::uint32_t number = pageCount_++;
  fileSize_ = std::max<std::uint64_t>(fileSize_, static_cast<std::uint64_t>(pageCount_) * layout_->pageSize);
  install(number, std::move(bytes));
  return number;
}

}  // namespace jet
