#include "jet/database.h"

#include <cstdint>
#include <fstream>

#include "jet/database_impl.h"
#include "jet/platform_file.h"
#include "jet/table_cursor.h"
#include "jet/text_codec.h"

namespace jet {

namespace detail {

DatabaseCore::DatabaseCore(std::unique_ptr<PageFile> file, OpenOptions options)
    : file_(std::move(file)), options_(options) {
  catalog_ = readCatalog(*file_);
}

void DatabaseCore::requireOpen() const {
  if (!file_) throw Error(ErrorCode::InvalidState, "the database is closed");
}

PageFile& DatabaseCore::file() {
  requireOpen();
  return *file_;
}

const CatalogEntry* DatabaseCore::findTable(std::string_view name) const {
  for (const CatalogEntry& e : catalog_)
    if (namesEqual(e.name, name)) return &e;
  return nullptr;
}

std::shared_ptr<const StoredTableDefinition> DatabaseCore::definition(const CatalogEntry& entry) {
  requireOpen();
  auto found = definitions_.find(entry.firstPage);
  if (found != definitions_.end()) return found->second;
  auto def = std::make_shared<const StoredTableDefinition>(readTableDefinition(*file_, entry.firstPage, entry.name));
  definitions_.emplace(entry.firstPage, def);
  return def;
}

void DatabaseCore::close() {
  file_.reset();  // releases the lock
  definitions_.clear();
}

DatabaseImpl::DatabaseImpl(std::filesystem::path path, std::unique_ptr<PageFile> file, OpenOptions options)
    : path_(std::move(path)), core_(std::make_shared<DatabaseCore>(std::move(file), options)) {}

}  // namespace detail

namespace {

[[noreturn]] void notYet(const char* what) {
  throw Error(ErrorCode::Unsupported, std::string(what) + " is not available yet in this engine");
}

// Adds the file name to errors about the file's contents, so messages say which file is bad.
[[noreturn]] void rethrowNamingFile(const Error& e, const std::filesystem::path& path) {
  std::string message = e.what();
  if (message.find(path.string()) == std::string::npos) message = path.string() + ": " + message;
  throw Error(e.code(), message);
}

}  // namespace

Database Database::open(const std::filesystem::path& path, OpenOptions options) {
  std::unique_ptr<PlatformFile> file = PlatformFile::open(
      path, options.readOnly ? FileAccess::ReadOnly : FileAccess::ReadWrite,
      options.exclusive ? FileLock::Exclusive : FileLock::Shared);
  try {
    auto pages = std::make_unique<PageFile>(std::move(file));
    return Database(std::make_unique<detail::DatabaseImpl>(path, std::move(pages), options));
  } catch (const Error& e) {
    rethrowNamingFile(e, path);
  }
}

Database Database::openMemory(std::vector<std::uint8_t> bytes) {
  auto pages = std::make_unique<PageFile>(std::make_unique<MemoryStorage>(std::move(bytes)));
  OpenOptions options;
  options.readOnly = true;
  options.exclusive = false;
  return Database(std::make_unique<detail::DatabaseImpl>("(memory)", std::move(pages), options));
}

Database Database::create(const std::filesystem::path&, Format) { notYet("creating a database"); }

Database::Database(std::unique_ptr<detail::DatabaseImpl> impl) : impl_(std::move(impl)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    close();
    impl_ = std::move(other.impl_);
  }
  return *this;
}
Database::~Database() { close(); }

void Database::close() {
  if (impl_) impl_->core().close();
}

bool Database::isOpen() const { return impl_ && impl_->core().isOpen(); }

detail::DatabaseImpl& Database::impl() { return openImpl(); }

detail::DatabaseImpl& Database::openImpl() const {
  if (!impl_ || !impl_->core().isOpen()) throw Error(ErrorCode::InvalidState, "the database is closed");
  return *impl_;
}

const std::filesystem::path& Database::path() const {
  if (!impl_) throw Error(ErrorCode::InvalidState, "the database is closed");
  return impl_->path();  // still known after close(), for messages
}

Format Database::format() const {
  return openImpl().core().file().header().version == format::Version::Jet3 ? Format::Jet3
                                                                                                      : Format::Jet4;
}

std::uint32_t Database::pageSize() const { return openImpl().core().file().pageSize(); }
std::uint16_t Database::codePage() const {
  return openImpl().core().file().header().codePage;
}
std::uint32_t Database::sortOrder() const {
  return openImpl().core().file().header().sortOrder;
}

std::vector<std::string> Database::tableNames() const {
  detail::DatabaseCore& core = openImpl().core();
  core.requireOpen();
  std::vector<std::string> names;
  for (const CatalogEntry& e : core.catalog())
    if (!e.system) names.push_back(e.name);
  return names;
}

bool Database::hasTable(std::string_view name) const {
  detail::DatabaseCore& core = openImpl().core();
  core.requireOpen();
  const CatalogEntry* e = core.findTable(name);
  return e && !e->system;
}

Table Database::table(std::string_view name) {
  detail::DatabaseCore& core = impl().core();
  core.requireOpen();
  const CatalogEntry* entry = core.findTable(name);
  if (!entry) throw Error(ErrorCode::MissingTable, "there is no table \"" + std::string(name) + "\" in " + path().string());
  try {
    return Table(std::make_shared<detail::TableCursor>(impl_->sharedCore(), core.definition(*entry)));
  } catch (const Error& e) {
    rethrowNamingFile(e, path());
  }
}

void Database::createTable(const TableDefinition&) { notYet("creating a table"); }
void Database::begin() { notYet("a transaction"); }
void Database::commit() { notYet("a transaction"); }
void Database::rollback() { notYet("a transaction"); }
bool Database::inTransaction() const { return false; }

}  // namespace jet
