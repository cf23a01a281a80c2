#include "jet/file/journal.h"

// Invariants (JET_INVARIANT checks them where they could break):
//  1. A header counts only records that were synced before it was written (sync(): the records,
//     a sync, then the header, then a sync); the slot it is written to is not the one of the header
//     before it, so a torn header write leaves that one whole.
//  2. Each page is saved once, with the bytes the file held at the start of the transaction: the
//     first record of a page is its original.
//  3. Only pages below the original size are restored; the file is then cut to the original size,
//     which takes away every page the transaction appended, written or not.

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "jet/error.h"
#include "jet/file/bytes.h"
#include "jet/file/invariant.h"
#include "jet/file/platform_file.h"
#include "jet/path_text.h"

namespace jet {

namespace {

constexpr char kMagic[8] = {'Q', 'B', 'M', 'J', 'R', 'N', 'L', '2'};
constexpr std::size_t kSlotSize = 256;
constexpr std::size_t kSlotBytes = 44;  // what a slot holds; the rest of its 256 bytes are zero
constexpr std::uint64_t kRecordsOffset = 512;

struct Header {
  std::uint32_t sequence = 0;
  std::uint32_t pageSize = 0;
  std::uint64_t originalSize = 0;
  std::uint32_t records = 0;
  std::uint32_t salt = 0;
  std::uint64_t stateDigest = 0;
};


// FNV-1a, seeded: enough to tell a torn or stale write from a whole one.
std::uint32_t checksum(std::uint32_t seed, std::span<const std::uint8_t> data) {
  std::uint32_t h = 2166136261u ^ seed;
  for (std::uint8_t b : data) {
    h ^= b;
    h *= 16777619u;
  }
  return h;
}

// A digest of a database's bytes, 8 at a time: enough to tell one state of a file from another
// (it guards against mistakes, not against a forger, who could write the file directly anyway).
class StateDigest {
 public:
  void add(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      mix(word);
    }
    for (; i < bytes.size(); ++i) mix(bytes[i]);
    length_ += bytes.size();
  }
  std::uint64_t value() const {
    std::uint64_t h = hash_ ^ length_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
  }

 private:
  void mix(std::uint64_t word) {
    hash_ ^= word;
    hash_ *= 0x9E3779B97F4A7C15ull;
    hash_ ^= hash_ >> 29;
  }
  std::uint64_t hash_ = 0x6A09E667F3BCC909ull;
  std::uint64_t length_ = 0;
};

// The digest of the first size bytes that read() gives, read in large pieces.
template <typename Read>
std::uint64_t digestOf(std::uint64_t size, Read read) {
  constexpr std::size_t kPiece = 256 * 1024;
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece)));
  StateDigest digest;
  for (std::uint64_t at = 0; at < size;) {
    std::span<std::uint8_t> part(piece.data(), static_cast<std::size_t>(std::min<std::uint64_t>(size - at, kPiece)));
    read(at, part);
    digest.add(part);
    at += part.size();
  }
  return digest.value();
}

std::uint32_t recordChecksum(std::uint32_t salt, std::uint32_t page, std::span<const std::uint8_t> bytes) {
  std::uint8_t number[4];
  bytes::put32(number, 0, page);
  return checksum(checksum(salt, number), bytes);
}

std::vector<std::uint8_t> encodeSlot(const Header& h) {
  std::vector<std::uint8_t> slot(kSlotSize, 0);
  std::memcpy(slot.data(), kMagic, 8);
  bytes::put32(slot, 8, h.sequence);
  bytes::put32(slot, 12, h.pageSize);
  bytes::put64(slot, 16, h.originalSize);
  bytes::put32(slot, 24, h.records);
  bytes::put32(slot, 28, h.salt);
  bytes::put64(slot, 32, h.stateDigest);
  bytes::put32(slot, 40, checksum(0, std::span<const std::uint8_t>(slot.data(), 40)));
  return slot;
}

std::optional<Header> decodeSlot(std::span<const std::uint8_t> slot) {
  if (slot.size() < kSlotBytes || std::memcmp(slot.data(), kMagic, 8) != 0) return std::nullopt;
  if (bytes::u32(slot, 40) != checksum(0, slot.subspan(0, 40))) return std::nullopt;
  Header h;
  h.sequence = bytes::u32(slot, 8);
  h.pageSize = bytes::u32(slot, 12);
  h.originalSize = bytes::u64(slot, 16);
  h.records = bytes::u32(slot, 24);
  h.salt = bytes::u32(slot, 28);
  h.stateDigest = bytes::u64(slot, 32);
  if (h.pageSize != 2048 && h.pageSize != 4096) return std::nullopt;
  if (h.originalSize % h.pageSize != 0) return std::nullopt;
  return h;
}

// The header that counts: the valid slot with the higher sequence.
std::optional<Header> readHeader(const Storage& journal) {
  std::uint64_t size = journal.size();
  std::optional<Header> best;
  for (std::uint64_t at = 0; at + kSlotBytes <= size && at < kRecordsOffset; at += kSlotSize) {
    std::vector<std::uint8_t> slot(kSlotBytes);
    journal.readAt(at, slot);
    std::optional<Header> h = decodeSlot(slot);
    if (h && (!best || h->sequence > best->sequence)) best = h;
  }
  return best;
}

// The records the header counts, as far as they are whole: page number -> offset of the page bytes.
struct Records {
  std::map<std::uint32_t, std::uint64_t> pages;
  std::uint32_t whole = 0;  // records read before the first one cut off or damaged
};

Records readRecords(const Storage& journal, const Header& h) {
  Records found;
  std::uint64_t size = journal.size();
  std::uint64_t recordSize = 8ull + h.pageSize;
  std::vector<std::uint8_t> record(static_cast<std::size_t>(recordSize));
  for (std::uint32_t i = 0; i < h.records; ++i) {
    std::uint64_t at = kRecordsOffset + i * recordSize;
    if (at + recordSize > size) break;
    journal.readAt(at, record);
    std::uint32_t page = bytes::u32(record, 0);
    std::span<const std::uint8_t> bytes(record.data() + 4, h.pageSize);
    if (bytes::u32(record, 4 + h.pageSize) != recordChecksum(h.salt, page, bytes)) break;
    found.pages.emplace(page, at + 4);  // the first record of a page holds its original
    ++found.whole;
  }
  return found;
}

// What the file journal store knows of the database file it keeps the journal of.
struct DatabaseFile {
  std::vector<std::filesystem::path> names;  // the path it was opened by, and its final path
  FileIdentity identity;
  FileOwnership ownership;
};

class FileJournalStore final : public JournalStore {
 public:
  FileJournalStore(std::filesystem::path path, std::filesystem::path undoPath, std::optional<DatabaseFile> database,
                   StorageWrapper wrap)
      : path_(std::move(path)), undoPath_(std::move(undoPath)), database_(std::move(database)), wrap_(std::move(wrap)) {}
  std::unique_ptr<Storage> create() override {
    PlatformFile::remove(path_);
    return wrapped(PlatformFile::create(path_, FileLock::None, database_ ? database_->ownership : FileOwnership{}));
  }
  std::unique_ptr<Storage> openExisting() override {
    if (!PlatformFile::exists(path_)) return nullptr;
    return wrapped(PlatformFile::open(path_, FileAccess::ReadOnly, FileLock::None));
  }
  void remove() override { PlatformFile::remove(path_); }
  bool exists() override { return PlatformFile::exists(path_); }
  // "<journal>.unused", or "<journal>.unused-2" and so on when that name is taken; no more open to
  // others than the database.
  std::filesystem::path setAside() override {
    for (int n = 1; n <= 1000; ++n) {
      std::filesystem::path aside = path_;
      aside += n == 1 ? std::string(".unused") : ".unused-" + std::to_string(n);
      if (PlatformFile::exists(aside)) continue;
      if (database_) PlatformFile::restrictPermissions(path_, database_->ownership);
      PlatformFile::rename(path_, aside);
      return aside;
    }
    throw Error(ErrorCode::Io, "cannot move " + utf8Of(path_) + " aside: every name for it is taken");
  }
  std::filesystem::path path() const override { return path_; }
  std::optional<std::string> distrust() const override { return distrustOf(path_); }
  void keepAsUndo() override { PlatformFile::rename(path_, undoPath_); }
  void reinstateUndo() override { PlatformFile::rename(undoPath_, path_); }
  std::unique_ptr<Storage> openUndo() override {
    if (!PlatformFile::exists(undoPath_)) return nullptr;
    return wrapped(PlatformFile::open(undoPath_, FileAccess::ReadOnly, FileLock::None));
  }
  bool undoExists() override { return PlatformFile::exists(undoPath_); }
  std::filesystem::path undoPath() const override { return undoPath_; }
  std::optional<std::string> undoDistrust() const override { return distrustOf(undoPath_); }
  void confirmDatabase() const override {
    if (!database_) return;
    for (const std::filesystem::path& name : database_->names) {
      const std::optional<FileIdentity> now = PlatformFile::identityOf(name);
      if (!now)
        throw Error(ErrorCode::Replaced, utf8Of(name) + " was moved or deleted while it was being changed; the "
                                                        "change was undone");
      if (*now != database_->identity)
        throw Error(ErrorCode::Replaced,
                    utf8Of(name) + " was replaced by another file (renamed or moved over it) while it was being "
                    "changed; the change was undone, and nothing was written into the file now at that name");
    }
  }

 private:
  std::unique_ptr<Storage> wrapped(std::unique_ptr<Storage> file) const {
    return wrap_ ? wrap_(std::move(file)) : std::move(file);
  }
  std::optional<std::string> distrustOf(const std::filesystem::path& path) const {
    if (!database_) return std::nullopt;
    const std::optional<FileOwnership> found = PlatformFile::ownershipOf(path);
    return found ? journalDistrust(*found, database_->ownership) : std::nullopt;
  }
  std::filesystem::path path_;
  std::filesystem::path undoPath_;
  std::optional<DatabaseFile> database_;
  StorageWrapper wrap_;
};

// A storage that forwards to a memory buffer the store keeps.
class SharedMemoryStorage final : public Storage {
 public:
  explicit SharedMemoryStorage(std::shared_ptr<MemoryStorage> target) : target_(std::move(target)) {}
  std::uint64_t size() const override { return target_->size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { target_->readAt(offset, out); }
  bool writable() const override { return true; }
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override { target_->writeAt(offset, data); }
  void truncate(std::uint64_t size) override { target_->truncate(size); }
  void sync() override {}

 private:
  std::shared_ptr<MemoryStorage> target_;
};

class MemoryJournalStore final : public JournalStore {
 public:
  std::unique_ptr<Storage> create() override {
    journal_ = std::make_shared<MemoryStorage>(std::vector<std::uint8_t>{}, true);
    return std::make_unique<SharedMemoryStorage>(journal_);
  }
  std::unique_ptr<Storage> openExisting() override {
    return journal_ ? std::make_unique<SharedMemoryStorage>(journal_) : nullptr;
  }
  void remove() override { journal_.reset(); }
  bool exists() override { return journal_ != nullptr; }
  std::filesystem::path setAside() override {
    journal_.reset();
    return "(memory)";
  }
  std::filesystem::path path() const override { return "(memory journal)"; }
  void keepAsUndo() override { undo_ = std::move(journal_); }
  void reinstateUndo() override { journal_ = std::move(undo_); }
  std::unique_ptr<Storage> openUndo() override {
    return undo_ ? std::make_unique<SharedMemoryStorage>(undo_) : nullptr;
  }
  bool undoExists() override { return undo_ != nullptr; }
  std::filesystem::path undoPath() const override { return "(memory undo record)"; }

 private:
  std::shared_ptr<MemoryStorage> journal_;
  std::shared_ptr<MemoryStorage> undo_;
};

// Reads the database as the journal restores it: the saved originals over the file, cut to the
// original size.
class RestoredReader {
 public:
  // pages: the journal's records, as readRecords gives them.
  RestoredReader(const Storage& database, const Storage& journal, const Header& header,
                 std::map<std::uint32_t, std::uint64_t> pages)
      : database_(database), journal_(journal), header_(header), pages_(std::move(pages)) {}

  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > header_.originalSize || out.size() > header_.originalSize - offset)
      throw Error(ErrorCode::Io, "read past the end of the database");
    std::size_t done = 0;
    while (done < out.size()) {
      std::uint64_t at = offset + done;
      std::uint32_t page = static_cast<std::uint32_t>(at / header_.pageSize);
      std::size_t inPage = static_cast<std::size_t>(at % header_.pageSize);
      std::size_t take = std::min<std::size_t>(out.size() - done, header_.pageSize - inPage);
      std::span<std::uint8_t> part = out.subspan(done, take);
      auto saved = pages_.find(page);
      if (saved != pages_.end())
        journal_.readAt(saved->second + inPage, part);
      else
        database_.readAt(at, part);
      done += take;
    }
  }
  // Whether the restored bytes are the state the journal was written for.
  bool restoresItsState() const {
    return digestOf(header_.originalSize, [this](std::uint64_t at, std::span<std::uint8_t> out) { readAt(at, out); }) ==
           header_.stateDigest;
  }
  const std::map<std::uint32_t, std::uint64_t>& pages() const { return pages_; }

 private:
  const Storage& database_;
  const Storage& journal_;
  Header header_;
  std::map<std::uint32_t, std::uint64_t> pages_;
};

// The database as the journal restores it, read without writing.
class JournaledView final : public Storage {
 public:
  JournaledView(std::unique_ptr<Storage> database, std::unique_ptr<Storage> journal, const Header& header,
                std::map<std::uint32_t, std::uint64_t> pages)
      : database_(std::move(database)), journal_(std::move(journal)), header_(header),
        reader_(*database_, *journal_, header, std::move(pages)) {}

  std::uint64_t size() const override { return header_.originalSize; }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { reader_.readAt(offset, out); }

 private:
  std::unique_ptr<Storage> database_;
  std::unique_ptr<Storage> journal_;
  Header header_;
  RestoredReader reader_;
};

// Writes the journal's originals into the database, cuts it to its original size and syncs it.
void restore(const Storage& journal, const Header& header, const std::map<std::uint32_t, std::uint64_t>& pages,
             Storage& database) {
  std::vector<std::uint8_t> bytes(header.pageSize);
  for (const auto& [page, offset] : pages) {
    std::uint64_t at = static_cast<std::uint64_t>(page) * header.pageSize;
    if (at >= header.originalSize) continue;  // pages past the old end are cut off below (3)
    journal.readAt(offset, bytes);
    database.writeAt(at, bytes);
  }
  database.truncate(header.originalSize);
  database.sync();
}

// The journal left in store, read and checked against the database. Never writes.
struct Inspection {
  enum class Verdict {
    None,        // no journal
    Empty,       // made, but nothing written into it: it holds nothing to restore
    Untouched,   // no valid header: it was torn before anything of the database was written
    Foreign,     // whole, but not written for the database as it is
    Unreadable,  // it cannot be read, or pages it counts are cut off or damaged: it cannot tell
    Belongs,
  } verdict = Verdict::None;
  std::string reason;  // Untouched, Foreign, Unreadable: why
  std::unique_ptr<Storage> journal;
  Header header;
  std::map<std::uint32_t, std::uint64_t> pages;  // Belongs: the originals to restore
};

Inspection inspect(JournalStore& store, const Storage& database) {
  Inspection found;
  using Verdict = Inspection::Verdict;
  try {
    found.journal = store.openExisting();
    if (!found.journal) return found;
    if (found.journal->size() == 0) {
      found.verdict = Verdict::Empty;
      return found;
    }
    std::optional<Header> header = readHeader(*found.journal);
    if (!header) {
      found.verdict = Verdict::Untouched;
      found.reason = "it is not a journal this program wrote, or its header is damaged";
      return found;
    }
    found.header = *header;
    Records records = readRecords(*found.journal, *header);
    if (records.whole < header->records) {
      found.verdict = Verdict::Unreadable;
      found.reason = "it is damaged: the pages it saved are cut off or garbled from number " +
                     std::to_string(records.whole + 1) + " of " + std::to_string(header->records) + " on";
      return found;
    }
    found.verdict = Verdict::Foreign;
    if (database.size() < header->originalSize) {
      found.reason = "the database is shorter than when the journal was written";
      return found;
    }
    RestoredReader restored(database, *found.journal, *header, std::move(records.pages));
    if (!restored.restoresItsState()) {
      found.reason = "it was written for another file, or for this file in another state";
      return found;
    }
    found.pages = restored.pages();
    found.verdict = Verdict::Belongs;
  } catch (const Error& e) {
    found.verdict = Verdict::Unreadable;
    found.reason = std::string("it cannot be read: ") + e.what();
  }
  return found;
}

// ---- The undo trailer ---------------------------------------------------------------------------

constexpr char kUndoMagic[8] = {'Q', 'B', 'M', 'U', 'N', 'D', 'O', '1'};
constexpr std::size_t kUndoFooter = 32;  // n (4), committed size (8), digest (8), checksum (4), magic (8)
constexpr std::uint32_t kMostNoteBytes = 1u << 20;

struct UndoTrailer {
  std::uint64_t committedSize = 0;
  std::uint64_t committedDigest = 0;
  std::vector<std::uint8_t> note;
};

std::vector<std::uint8_t> encodeUndoTrailer(std::uint32_t salt, const UndoTrailer& t) {
  std::vector<std::uint8_t> out(t.note.size() + kUndoFooter);
  std::memcpy(out.data(), t.note.data(), t.note.size());
  const std::size_t at = t.note.size();
  bytes::put32(out, at, static_cast<std::uint32_t>(t.note.size()));
  bytes::put64(out, at + 4, t.committedSize);
  bytes::put64(out, at + 12, t.committedDigest);
  bytes::put32(out, at + 20, checksum(salt, std::span<const std::uint8_t>(out.data(), at + 20)));
  std::memcpy(out.data() + at + 24, kUndoMagic, 8);
  return out;
}

// The trailer at the end of the journal, when it is whole and was written for this journal (salt).
std::optional<UndoTrailer> readUndoTrailer(const Storage& journal, const Header& h) {
  const std::uint64_t size = journal.size();
  if (size < kRecordsOffset + kUndoFooter) return std::nullopt;
  std::vector<std::uint8_t> footer(kUndoFooter);
  journal.readAt(size - kUndoFooter, footer);
  if (std::memcmp(footer.data() + 24, kUndoMagic, 8) != 0) return std::nullopt;
  const std::uint32_t n = bytes::u32(footer, 0);
  if (n > kMostNoteBytes || n > size - kUndoFooter - kRecordsOffset) return std::nullopt;
  std::vector<std::uint8_t> body(n + 20);
  journal.readAt(size - kUndoFooter - n, body);
  if (bytes::u32(footer, 20) != checksum(h.salt, body)) return std::nullopt;
  UndoTrailer t;
  t.committedSize = bytes::u64(footer, 4);
  t.committedDigest = bytes::u64(footer, 12);
  t.note.assign(body.begin(), body.begin() + n);
  return t;
}

// The undo record, read and compared with the database. Never writes.
struct UndoFinding {
  UndoInspection inspection;
  std::unique_ptr<Storage> record;
};

// complete: also lay the originals over the file and compare with the digest of the file before the
// change (a second read of the file), as undo does before it writes anything.
UndoFinding findUndo(JournalStore& store, const Storage& database, bool complete) {
  UndoFinding found;
  UndoInspection& result = found.inspection;
  if (!store.undoExists()) return found;
  result.exists = true;
  if (const std::optional<std::string> distrust = store.undoDistrust()) {
    result.refusal = *distrust;
    return found;
  }
  try {
    found.record = store.openUndo();
    if (!found.record) {
      result.exists = false;
      return found;
    }
    const std::optional<Header> header = readHeader(*found.record);
    const std::optional<UndoTrailer> trailer = header ? readUndoTrailer(*found.record, *header) : std::nullopt;
    if (!trailer) {
      result.refusal = "it is damaged, or not a record this program wrote";
      return found;
    }
    result.note.assign(trailer->note.begin(), trailer->note.end());
    Records records = readRecords(*found.record, *header);
    if (records.whole < header->records) {
      result.refusal = "it is damaged: the pages it saved are cut off or garbled";
      return found;
    }
    if (database.size() != trailer->committedSize ||
        databaseDigest(database, trailer->committedSize) != trailer->committedDigest) {
      result.refusal = "the file was changed after that change (by another program, another change, or a copy "
                       "put in its place)";
      return found;
    }
    if (complete && (database.size() < header->originalSize ||
                     !RestoredReader(database, *found.record, *header, std::move(records.pages)).restoresItsState())) {
      result.refusal = "it is damaged: its saved pages do not give back the file as it was";
      return found;
    }
  } catch (const Error& e) {
    result.refusal = std::string("it cannot be read: ") + e.what();
  }
  return found;
}

[[noreturn]] void keepJournal(const JournalStore& store, const std::string& why) {
  throw Error(ErrorCode::JournalKept,
              utf8Of(store.path()) + " is not applied, as " + why +
                  "; it is left where it is and the database is not opened, as without it the file may be "
                  "half-written");
}

}  // namespace

std::filesystem::path journalPathFor(const std::filesystem::path& database) {
  std::filesystem::path journal = database;
  journal += "-journal";
  return journal;
}

std::unique_ptr<JournalStore> fileJournalStore(const PlatformFile& database, const StorageWrapper& wrap) {
  const std::filesystem::path real = database.finalPath();
  DatabaseFile file{{database.path(), real}, database.identity(), database.ownership()};
  return std::make_unique<FileJournalStore>(journalPathFor(real), undoPathFor(real), std::move(file), wrap);
}

std::unique_ptr<JournalStore> fileJournalStore(const std::filesystem::path& database) {
  return std::make_unique<FileJournalStore>(journalPathFor(database), undoPathFor(database), std::nullopt,
                                            StorageWrapper{});
}

std::filesystem::path undoPathFor(const std::filesystem::path& database) {
  std::filesystem::path undo = database;
  undo += "-undo";
  return undo;
}

std::optional<std::string> journalDistrust(const FileOwnership& journal, const FileOwnership& database) {
  if (!journal.known || !database.known) return std::nullopt;
  if (journal.user != database.user)
    return "it belongs to another user (user ID " + std::to_string(journal.user) + ") than the database (user ID " +
           std::to_string(database.user) + "), who may have put it there";
  const bool everyone = (journal.mode & 0002) != 0;
  const bool group = (journal.mode & 0020) != 0;
  const bool databaseEveryone = (database.mode & 0002) != 0;
  const bool databaseGroup = (database.mode & 0020) != 0 && database.group == journal.group;
  if (everyone && !databaseEveryone) return "anyone may write it, but not the database, so anyone may have changed it";
  if (group && !databaseEveryone && !databaseGroup)
    return "its group (group ID " + std::to_string(journal.group) +
           ") may write it, but not the database, so others may have changed it";
  return std::nullopt;
}

std::unique_ptr<JournalStore> memoryJournalStore() { return std::make_unique<MemoryJournalStore>(); }

JournalWriter::JournalWriter(std::unique_ptr<Storage> storage, const Storage& database, std::uint32_t pageSize,
                             std::uint64_t originalSize)
    : storage_(std::move(storage)), pageSize_(pageSize), originalSize_(originalSize),
      stateDigest_(digestOf(originalSize, [&database](std::uint64_t at, std::span<std::uint8_t> out) {
        database.readAt(at, out);
      })) {
  std::random_device random;
  auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  salt_ = random() ^ static_cast<std::uint32_t>(now) ^ static_cast<std::uint32_t>(now >> 32);
  writeHeader();
}

void JournalWriter::writeHeader() {
  Header h;
  h.sequence = ++sequence_;
  JET_INVARIANT("the journal", 1, records_ == recordsSynced_);
  h.pageSize = pageSize_;
  h.originalSize = originalSize_;
  h.records = records_;
  h.salt = salt_;
  h.stateDigest = stateDigest_;
  // Slots alternate, so a torn header write leaves the previous header whole.
  storage_->writeAt((h.sequence % 2) * kSlotSize, encodeSlot(h));
}

void JournalWriter::add(std::uint32_t page, std::span<const std::uint8_t> original) {
  JET_INVARIANT("the journal", 2, saved_.count(page) == 0);
  JET_INVARIANT("the journal", 3, static_cast<std::uint64_t>(page) * pageSize_ < originalSize_);
  std::vector<std::uint8_t> record(8 + pageSize_);
  bytes::put32(record, 0, page);
  std::memcpy(record.data() + 4, original.data(), std::min<std::size_t>(original.size(), pageSize_));
  std::span<const std::uint8_t> bytes(record.data() + 4, pageSize_);
  bytes::put32(record, 4 + pageSize_, recordChecksum(salt_, page, bytes));
  storage_->writeAt(kRecordsOffset + records_ * (8ull + pageSize_), record);
  ++records_;
  saved_.insert(page);
  pending_ = true;
}

void JournalWriter::sync() {
  if (!pending_) return;
  storage_->sync();  // the records first ...
  recordsSynced_ = records_;
  writeHeader();     // ... then the header that counts them
  storage_->sync();
  pending_ = false;
}

std::string JournalWriter::writeUndoTrailer(std::uint64_t committedSize, std::uint64_t committedDigest,
                                     std::span<const std::uint8_t> note) {
  UndoTrailer trailer{committedSize, committedDigest, std::vector<std::uint8_t>(note.begin(), note.end())};
  if (trailer.note.size() > kMostNoteBytes) trailer.note.resize(kMostNoteBytes);
  // At the very end, past every record: whatever the records' layout, the trailer is found from
  // the end, and a journal rolled back before the commit point never reads it.
  storage_->writeAt(storage_->size(), encodeUndoTrailer(salt_, trailer));
  storage_->sync();
  return std::string(trailer.note.begin(), trailer.note.end());
}

std::uint64_t databaseDigest(const Storage& database, std::uint64_t size) {
  return digestOf(size, [&database](std::uint64_t at, std::span<std::uint8_t> out) { database.readAt(at, out); });
}

UndoInspection inspectUndo(JournalStore& store, const Storage& database) {
  return findUndo(store, database, false).inspection;
}

std::string applyUndo(JournalStore& store, Storage& database) {
  UndoFinding found = findUndo(store, database, true);
  if (!found.inspection.exists)
    throw Error(ErrorCode::NothingToUndo,
                "no change is kept to be undone (" + utf8Of(store.undoPath()) + " is not there)");
  if (found.inspection.refusal)
    throw Error(ErrorCode::UndoRefused, "the change kept in " + utf8Of(store.undoPath()) + " cannot be undone, as " +
                                            *found.inspection.refusal + "; nothing was changed");
  if (store.exists())
    throw Error(ErrorCode::InvalidState, utf8Of(store.path()) + " is there: an interrupted change is pending");
  found.record.reset();
  store.reinstateUndo();  // undo's commit point: from here the next open completes it
  rollBackJournal(store, database);
  return found.inspection.note;
}

Recovery rollBackJournal(JournalStore& store, Storage& database) {
  std::unique_ptr<Storage> journal = store.openExisting();
  if (!journal) return Recovery::NoJournal;
  std::optional<Header> header = readHeader(*journal);
  if (!header) {
    journal.reset();
    store.remove();
    return Recovery::Discarded;
  }
  restore(*journal, *header, readRecords(*journal, *header).pages, database);
  journal.reset();
  store.remove();
  return Recovery::RolledBack;
}

JournalFinding recoverJournal(JournalStore& store, std::unique_ptr<Storage>& database, bool writable) {
  JournalFinding finding;
  if (!store.exists()) return finding;
  finding.journal = store.path();
  // Nothing of a journal someone else may have made is read: not applied, not moved.
  if (const std::optional<std::string> distrust = store.distrust()) keepJournal(store, *distrust);
  Inspection found = inspect(store, *database);
  using Verdict = Inspection::Verdict;
  switch (found.verdict) {
    case Verdict::None:
      return finding;
    case Verdict::Empty:
      found.journal.reset();
      if (writable) store.remove();
      return finding;
    case Verdict::Unreadable:
      found.journal.reset();
      keepJournal(store, found.reason);
    case Verdict::Untouched:
    case Verdict::Foreign:
      found.journal.reset();
      finding.reason = found.reason;
      if (writable) {
        finding.kind = JournalFinding::Kind::SetAside;
        finding.setAsidePath = store.setAside();
      } else {
        finding.kind = JournalFinding::Kind::Ignored;
      }
      return finding;
    case Verdict::Belongs:
      break;
  }
  if (writable) {
    restore(*found.journal, found.header, found.pages, *database);
    found.journal.reset();
    store.remove();
    finding.kind = JournalFinding::Kind::RolledBack;
  } else {
    database = std::make_unique<JournaledView>(std::move(database), std::move(found.journal), found.header,
                                               std::move(found.pages));
    finding.kind = JournalFinding::Kind::Pending;
  }
  return finding;
}

}  // namespace jet
