#include "jet/journal.h"

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "jet/error.h"
#include "jet/platform_file.h"

namespace jet {

namespace {

constexpr char kMagic[8] = {'Q', 'B', 'M', 'J', 'R', 'N', 'L', '1'};
constexpr std::size_t kSlotSize = 256;
constexpr std::size_t kSlotBytes = 40;  // what a slot holds; the rest of its 256 bytes are zero
constexpr std::uint64_t kRecordsOffset = 512;

struct Header {
  std::uint32_t sequence = 0;
  std::uint32_t pageSize = 0;
  std::uint64_t originalSize = 0;
  std::uint32_t records = 0;
  std::uint32_t salt = 0;
};

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t get64(const std::uint8_t* p) { return get32(p) | (static_cast<std::uint64_t>(get32(p + 4)) << 32); }

// FNV-1a, seeded: enough to tell a torn or stale write from a whole one.
std::uint32_t checksum(std::uint32_t seed, std::span<const std::uint8_t> data) {
  std::uint32_t h = 2166136261u ^ seed;
  for (std::uint8_t b : data) {
    h ^= b;
    h *= 16777619u;
  }
  return h;
}

std::uint32_t recordChecksum(std::uint32_t salt, std::uint32_t page, std::span<const std::uint8_t> bytes) {
  std::uint8_t number[4];
  put32(number, page);
  return checksum(checksum(salt, number), bytes);
}

std::vector<std::uint8_t> encodeSlot(const Header& h) {
  std::vector<std::uint8_t> slot(kSlotSize, 0);
  std::memcpy(slot.data(), kMagic, 8);
  put32(&slot[8], h.sequence);
  put32(&slot[12], h.pageSize);
  put64(&slot[16], h.originalSize);
  put32(&slot[24], h.records);
  put32(&slot[28], h.salt);
  put32(&slot[32], checksum(0, std::span<const std::uint8_t>(slot.data(), 32)));
  return slot;
}

std::optional<Header> decodeSlot(std::span<const std::uint8_t> slot) {
  if (slot.size() < kSlotBytes || std::memcmp(slot.data(), kMagic, 8) != 0) return std::nullopt;
  if (get32(&slot[32]) != checksum(0, slot.subspan(0, 32))) return std::nullopt;
  Header h;
  h.sequence = get32(&slot[8]);
  h.pageSize = get32(&slot[12]);
  h.originalSize = get64(&slot[16]);
  h.records = get32(&slot[24]);
  h.salt = get32(&slot[28]);
  if (h.pageSize != 2048 && h.pageSize != 4096) return std::nullopt;
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

// The records the header counts that are whole: page number -> offset of the page bytes.
std::map<std::uint32_t, std::uint64_t> readRecords(const Storage& journal, const Header& h) {
  std::map<std::uint32_t, std::uint64_t> pages;
  std::uint64_t size = journal.size();
  std::uint64_t recordSize = 8ull + h.pageSize;
  std::vector<std::uint8_t> record(static_cast<std::size_t>(recordSize));
  for (std::uint32_t i = 0; i < h.records; ++i) {
    std::uint64_t at = kRecordsOffset + i * recordSize;
    if (at + recordSize > size) break;
    journal.readAt(at, record);
    std::uint32_t page = get32(record.data());
    std::span<const std::uint8_t> bytes(record.data() + 4, h.pageSize);
    if (get32(record.data() + 4 + h.pageSize) != recordChecksum(h.salt, page, bytes)) break;
    pages.emplace(page, at + 4);  // the first record of a page holds its original
  }
  return pages;
}

class FileJournalStore final : public JournalStore {
 public:
  explicit FileJournalStore(std::filesystem::path path) : path_(std::move(path)) {}
  std::unique_ptr<Storage> create() override {
    PlatformFile::remove(path_);
    return PlatformFile::create(path_, FileLock::None);
  }
  std::unique_ptr<Storage> openExisting() override {
    if (!PlatformFile::exists(path_)) return nullptr;
    return PlatformFile::open(path_, FileAccess::ReadOnly, FileLock::None);
  }
  void remove() override { PlatformFile::remove(path_); }
  bool exists() override { return PlatformFile::exists(path_); }

 private:
  std::filesystem::path path_;
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

 private:
  std::shared_ptr<MemoryStorage> journal_;
};

// The database as the journal restores it, read without writing.
class JournaledView final : public Storage {
 public:
  JournaledView(std::unique_ptr<Storage> database, std::unique_ptr<Storage> journal, const Header& header)
      : database_(std::move(database)), journal_(std::move(journal)), header_(header),
        pages_(readRecords(*journal_, header)) {}

  std::uint64_t size() const override { return header_.originalSize; }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
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
        journal_->readAt(saved->second + inPage, part);
      else
        database_->readAt(at, part);
      done += take;
    }
  }

 private:
  std::unique_ptr<Storage> database_;
  std::unique_ptr<Storage> journal_;
  Header header_;
  std::map<std::uint32_t, std::uint64_t> pages_;
};

}  // namespace

std::filesystem::path journalPathFor(const std::filesystem::path& database) {
  std::filesystem::path journal = database;
  journal += "-journal";
  return journal;
}

std::unique_ptr<JournalStore> fileJournalStore(const std::filesystem::path& database) {
  return std::make_unique<FileJournalStore>(journalPathFor(database));
}

std::unique_ptr<JournalStore> memoryJournalStore() { return std::make_unique<MemoryJournalStore>(); }

JournalWriter::JournalWriter(std::unique_ptr<Storage> storage, std::uint32_t pageSize, std::uint64_t originalSize)
    : storage_(std::move(storage)), pageSize_(pageSize), originalSize_(originalSize) {
  std::random_device random;
  auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  salt_ = random() ^ static_cast<std::uint32_t>(now) ^ static_cast<std::uint32_t>(now >> 32);
  writeHeader();
}

void JournalWriter::writeHeader() {
  Header h;
  h.sequence = ++sequence_;
  h.pageSize = pageSize_;
  h.originalSize = originalSize_;
  h.records = records_;
  h.salt = salt_;
  // Slots alternate, so a torn header write leaves the previous header whole.
  storage_->writeAt((h.sequence % 2) * kSlotSize, encodeSlot(h));
}

void JournalWriter::add(std::uint32_t page, std::span<const std::uint8_t> original) {
  std::vector<std::uint8_t> record(8 + pageSize_);
  put32(record.data(), page);
  std::memcpy(record.data() + 4, original.data(), std::min<std::size_t>(original.size(), pageSize_));
  std::span<const std::uint8_t> bytes(record.data() + 4, pageSize_);
  put32(record.data() + 4 + pageSize_, recordChecksum(salt_, page, bytes));
  storage_->writeAt(kRecordsOffset + records_ * (8ull + pageSize_), record);
  ++records_;
  saved_.insert(page);
  pending_ = true;
}

void JournalWriter::sync() {
  if (!pending_) return;
  storage_->sync();  // the records first ...
  writeHeader();     // ... then the header that counts them
  storage_->sync();
  pending_ = false;
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
  std::map<std::uint32_t, std::uint64_t> pages = readRecords(*journal, *header);
  std::vector<std::uint8_t> bytes(header->pageSize);
  for (const auto& [page, offset] : pages) {
    std::uint64_t at = static_cast<std::uint64_t>(page) * header->pageSize;
    if (at >= header->originalSize) continue;  // pages past the old end are cut off below
    journal->readAt(offset, bytes);
    database.writeAt(at, bytes);
  }
  database.truncate(header->originalSize);
  database.sync();
  journal.reset();
  store.remove();
  return Recovery::RolledBack;
}

std::unique_ptr<Storage> journaledView(JournalStore& store, std::unique_ptr<Storage>& database) {
  std::unique_ptr<Storage> journal = store.openExisting();
  if (!journal) return nullptr;
  std::optional<Header> header = readHeader(*journal);
  if (!header) return nullptr;
  return std::make_unique<JournaledView>(std::move(database), std::move(journal), *header);
}

}  // namespace jet
