#include "jet/database.h"

#include <cstdint>
#include <fstream>

#include "jet/text/clock.h"
#include "jet/table/database_core.h"
#include "jet/table/new_database.h"
#include "jet/table/page_ownership_check.h"
#include "jet/table/table_creator.h"
#include "jet/file/journal.h"
#include "jet/file/platform_file.h"
#include "jet/path_text.h"
#include "jet/table/table_cursor.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace detail {

DatabaseCore& DatabaseAccess::core(Database& db) { return db.openCore(); }

const std::shared_ptr<DatabaseCore>& DatabaseAccess::sharedCore(Database& db) {
  db.openCore();
  return db.core_;
}

}  // namespace detail

namespace {

// New databases store Jet 3 text in the Western European code page, as Access does by default.
constexpr std::uint16_t kNewDatabaseCodePage = 1252;

// Adds the file name to errors about the file's contents, so messages say which file is bad.
[[noreturn]] void rethrowNamingFile(const Error& e, const std::filesystem::path& path) {
  std::string message = e.what();
  if (message.find(path.string()) == std::string::npos) message = path.string() + ": " + message;
  throw Error(e.code(), message);
}

}  // namespace

Database Database::open(const std::filesystem::path& path, OpenOptions options) {
  return open(path, options, StorageWrapper{});
}

Database Database::open(const std::filesystem::path& path, OpenOptions options, const StorageWrapper& wrap) {
  // Changing a file needs the exclusive lock, which also covers its journal.
  bool writable = !options.readOnly && options.exclusive;
  std::unique_ptr<PlatformFile> opened = PlatformFile::open(
      path, options.readOnly ? FileAccess::ReadOnly : FileAccess::ReadWrite,
      options.exclusive ? FileLock::Exclusive : FileLock::Shared);
  try {
    // A change to a file of several names could be interrupted under one name and its journal
    // missed under another (a journal lives beside one name): such a file is only read.
    if (!options.readOnly) {
      if (const std::uint32_t links = opened->linkCount(); links > 1)
        throw Error(ErrorCode::Io, "cannot open " + utf8Of(path) + " for writing: the file has " + std::to_string(links) +
                                       " names (hard links), and a change interrupted under one of them could be "
                                       "missed under another. Make a copy of it and use the copy");
    }
    std::unique_ptr<JournalStore> journal = fileJournalStore(*opened, wrap);
    std::unique_ptr<Storage> file = std::move(opened);
    if (wrap) file = wrap(std::move(file));
    JournalFinding finding = recoverJournal(*journal, file, writable);
    auto pages = std::make_unique<PageFile>(std::move(file), writable ? 1024 : 256, writable ? std::move(journal) : nullptr);
    return Database(std::make_shared<detail::DatabaseCore>(path, std::move(pages), options, std::move(finding)));
  } catch (const Error& e) {
    rethrowNamingFile(e, path);
  }
}

Database Database::openMemory(std::vector<std::uint8_t> bytes) {
  auto pages = std::make_unique<PageFile>(std::make_unique<MemoryStorage>(std::move(bytes)));
  OpenOptions options;
  options.readOnly = true;
  options.exclusive = false;
  return Database(std::make_shared<detail::DatabaseCore>("(memory)", std::move(pages), options));
}

namespace {

// What a read view reads: the storage of the handle it was made from (pread and its Windows
// counterpart take their offset with each call, so both handles may read at once). Never writes.
class ReadThrough final : public Storage {
 public:
  explicit ReadThrough(std::shared_ptr<detail::DatabaseCore> core)
      : core_(std::move(core)), storage_(core_->file().storage()) {}
  std::uint64_t size() const override {
    requireOpen();
    return storage_.size();
  }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    requireOpen();
    storage_.readAt(offset, out);
  }

 private:
  void requireOpen() const {
    if (!core_->isOpen()) throw Error(ErrorCode::InvalidState, "the database this view reads was closed");
  }
  std::shared_ptr<detail::DatabaseCore> core_;  // kept, so that its state can still be asked
  const Storage& storage_;
};

}  // namespace

Database Database::readView() {
  detail::DatabaseCore& core = openCore();
  if (core.file().inTransaction())
    throw Error(ErrorCode::InvalidState, "a view cannot be made while a transaction is open");
  auto pages = std::make_unique<PageFile>(std::make_unique<ReadThrough>(core_), 256);
  OpenOptions options;
  options.readOnly = true;
  options.exclusive = false;
  return Database(std::make_shared<detail::DatabaseCore>(core.path(), std::move(pages), options));
}

Database Database::create(const std::filesystem::path& path, Format format) {
  return createDatabase(path, format, std::nullopt);
}

Database Database::create(const std::filesystem::path& path, Format format, DateTime timestamp) {
  return createDatabase(path, format, timestamp);
}

Database Database::createDatabase(const std::filesystem::path& path, Format format,
                                  std::optional<DateTime> timestamp) {
  if (PlatformFile::exists(path))
    throw Error(ErrorCode::Io, path.string() + " exists already; a new database is never written over a file");
  const DateTime created = timestamp ? *timestamp : localNow();
  NewDatabaseImage image = buildNewDatabase(format, kNewDatabaseCodePage, created);
  // A journal left beside a file of this name that is gone belongs to no file: it is kept, out of
  // the way of the new file's transactions.
  JournalFinding finding;
  if (std::unique_ptr<JournalStore> stale = fileJournalStore(path); stale->exists()) {
    finding.kind = JournalFinding::Kind::SetAside;
    finding.journal = stale->path();
    finding.reason = "the file it was written for is gone";
    finding.setAsidePath = stale->setAside();
  }
  std::unique_ptr<PlatformFile> file = PlatformFile::create(path, FileLock::Exclusive);
  // No half-made database is left behind.
  auto removeFile = [&] {
    file.reset();
    try {
      PlatformFile::remove(path);
    } catch (const Error&) {
    }
  };
  try {
    file->writeAt(0, image.bytes);
    file->sync();
    std::unique_ptr<JournalStore> journal = fileJournalStore(*file);
    auto pages = std::make_unique<PageFile>(std::move(file), 1024, std::move(journal));
    Database db(std::make_shared<detail::DatabaseCore>(path, std::move(pages), OpenOptions{}, std::move(finding)));
    if (timestamp) db.openCore().fixTime(*timestamp);
    detail::writeNewDatabaseCatalog(db.openCore(), image.systemTablePages, created);
    return db;
  } catch (const Error& e) {
    removeFile();
    rethrowNamingFile(e, path);
  } catch (...) {
    removeFile();
    throw;
  }
}

Database::Database(std::shared_ptr<detail::DatabaseCore> core) : core_(std::move(core)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    close();
    core_ = std::move(other.core_);
  }
  return *this;
}
Database::~Database() { close(); }

void Database::close() {
  if (core_) core_->close();
}

bool Database::isOpen() const { return core_ && core_->isOpen(); }

const JournalFinding& Database::journalFinding() const {
  if (!core_) throw Error(ErrorCode::InvalidState, "the database is closed");
  return core_->journalFinding();
}

detail::DatabaseCore& Database::openCore() const {
  if (!core_ || !core_->isOpen()) throw Error(ErrorCode::InvalidState, "the database is closed");
  return *core_;
}

const std::filesystem::path& Database::path() const {
  if (!core_) throw Error(ErrorCode::InvalidState, "the database is closed");
  return core_->path();  // still known after close(), for messages
}

Format Database::format() const {
  return openCore().file().header().version;
}

std::uint32_t Database::pageSize() const { return openCore().file().pageSize(); }
std::uint16_t Database::codePage() const {
  return openCore().file().header().codePage;
}
std::uint32_t Database::sortOrder() const {
  return openCore().file().header().sortOrder;
}

Collation Database::collation() const { return collationFor(format(), sortOrder()); }

std::vector<std::string> Database::tableNames() const {
  detail::DatabaseCore& core = openCore();
  core.requireOpen();
  std::vector<std::string> names;
  for (const CatalogEntry& e : core.catalog())
    if (!e.system) names.push_back(e.name);
  return names;
}

bool Database::hasTable(std::string_view name) const {
  detail::DatabaseCore& core = openCore();
  core.requireOpen();
  const CatalogEntry* e = core.findTable(name);
  return e && !e->system;
}

Table Database::table(std::string_view name) {
  detail::DatabaseCore& core = openCore();
  core.requireOpen();
  const CatalogEntry* entry = core.findTable(name);
  if (!entry) throw Error(ErrorCode::MissingTable, "there is no table \"" + std::string(name) + "\" in " + path().string());
  try {
    return Table(std::make_shared<detail::TableCursor>(core_, core.definition(*entry)));
  } catch (const Error& e) {
    rethrowNamingFile(e, path());
  }
}

void Database::createTable(const TableDefinition& definition) {
  detail::createUserTable(openCore(), definition);
}
void Database::begin() {
  detail::DatabaseCore& core = openCore();
  core.requireWritable();
  core.file().begin();
}

void Database::commit() {
  detail::DatabaseCore& core = openCore();
  if (!core.file().inTransaction()) throw Error(ErrorCode::InvalidState, "commit without begin");
  try {
    core.file().commit();
  } catch (const Error&) {
    core.afterRollback();
    throw;
  }
}

void Database::rollback() {
  detail::DatabaseCore& core = openCore();
  if (!core.file().inTransaction()) throw Error(ErrorCode::InvalidState, "rollback without begin");
  core.file().rollback();
  core.afterRollback();
}

void Database::keepUndoRecord(std::string note) {
  detail::DatabaseCore& core = openCore();
  core.requireWritable();
  core.file().keepUndoRecord(std::move(note));
}

std::optional<UndoInspection> Database::keptUndo() {
  detail::DatabaseCore& core = openCore();
  if (core.options().readOnly) return std::nullopt;
  return core.file().keptUndo();
}

std::string Database::undoKeptTransaction() {
  detail::DatabaseCore& core = openCore();
  core.requireWritable();
  std::string note;
  try {
    note = core.file().undoKeptTransaction();
  } catch (const Error& e) {
    const bool unchanged = e.code() == ErrorCode::NothingToUndo || e.code() == ErrorCode::UndoRefused ||
                           e.code() == ErrorCode::InvalidState;
    if (!unchanged) close();
    rethrowNamingFile(e, path());
  }
  close();
  return note;
}

Transaction::Transaction(Database& db) : db_(db) { db_.begin(); }

Transaction::~Transaction() {
  try {
    if (db_.inTransaction()) db_.rollback();
  } catch (const Error&) {
    // The rollback could not write the file: the journal beside it stays, and the next open
    // finishes the rollback (as the contract in database.h says).
  }
}

void Transaction::commit() { db_.commit(); }
void Transaction::rollback() { db_.rollback(); }

bool Database::inTransaction() const { return core_ && core_->isOpen() && core_->file().inTransaction(); }

}  // namespace jet
