#include "jet/table/database_core.h"

#include "jet/table/page_ownership_check.h"
#include "jet/text/clock.h"
#include "jet/text/text_codec.h"

namespace jet::detail {

DatabaseCore::DatabaseCore(std::filesystem::path path, std::unique_ptr<PageFile> file, OpenOptions options,
                           JournalFinding journal)
    : path_(std::move(path)), journal_(std::move(journal)), file_(std::move(file)), options_(options) {
  catalog_ = readCatalog(*file_);
}

DateTime DatabaseCore::now() const { return fixedTime_ ? *fixedTime_ : localNow(); }

void DatabaseCore::throwClosed() { throw Error(ErrorCode::InvalidState, "the database is closed"); }

const CatalogEntry* DatabaseCore::findTable(std::string_view name) const {
  for (const CatalogEntry& e : catalog_)
    if (namesEqual(e.name, name)) return &e;
  return nullptr;
}

std::shared_ptr<const StoredTableDefinition> DatabaseCore::definition(const CatalogEntry& entry) {
  requireOpen();
  auto found = definitions_.find(entry.firstPage);
  if (found != definitions_.end()) return found->second;
  auto def = std::make_shared<StoredTableDefinition>(readTableDefinition(*file_, entry.firstPage, entry.name));
  applyProperties(*def, entry.properties, file_->header().codePage);
  definitions_.emplace(entry.firstPage, def);
  return def;
}

StoredTableDefinition& DatabaseCore::mutableDefinition(const StoredTableDefinition& definition) {
  requireOpen();
  auto found = definitions_.find(definition.firstPage);
  if (found == definitions_.end() || found->second.get() != &definition)
    throw Error(ErrorCode::InvalidState, "table " + definition.name + " is not a table of this database");
  return *found->second;
}

bool DatabaseCore::definitions(std::vector<std::shared_ptr<const StoredTableDefinition>>& out) {
  bool all = true;
  for (const CatalogEntry& entry : catalog_) {
    try {
      out.push_back(definition(entry));
    } catch (const Error&) {
      all = false;
    }
  }
  return all;
}

std::vector<bool> DatabaseCore::ownedPages() {
  std::vector<std::shared_ptr<const StoredTableDefinition>> held;
  if (!definitions(held)) return std::vector<bool>(file().pageCount(), true);
  std::vector<const StoredTableDefinition*> tables;
  for (const auto& def : held) tables.push_back(def.get());
  return jet::ownedPages(file(), tables);
}

void DatabaseCore::requireWritable() const {
  requireOpen();
  if (!file_->writable()) throw Error(ErrorCode::ReadOnly, "the database is open read-only");
}

PageAllocator& DatabaseCore::allocator() {
  requireWritable();
  if (!allocator_) {
    allocator_ = std::make_unique<PageAllocator>(*file_);
    allocator_->setOwnedPages([this] { return ownedPages(); });
  }
  return *allocator_;
}

IndexMaintenance& DatabaseCore::indexMaintenance() {
  PageAllocator& pages = allocator();
  if (!indexMaintenance_) indexMaintenance_ = makeIndexMaintenance(*file_, pages);
  return *indexMaintenance_;
}

LongValueWriter& DatabaseCore::longValues() {
  PageAllocator& pages = allocator();
  if (!longValues_) longValues_ = std::make_unique<LongValueWriter>(*file_, pages);
  return *longValues_;
}

void DatabaseCore::afterRollback() {
  requireOpen();
  if (allocator_) allocator_->reset();
  if (longValues_) longValues_->reset();
  catalog_ = readCatalog(*file_);
  for (auto it = definitions_.begin(); it != definitions_.end();) {
    const CatalogEntry* entry = nullptr;
    for (const CatalogEntry& e : catalog_)
      if (e.firstPage == it->first) entry = &e;
    if (!entry) {
      it = definitions_.erase(it);  // a table added by the undone work
      continue;
    }
    *it->second = readTableDefinition(*file_, entry->firstPage, entry->name);
    applyProperties(*it->second, entry->properties, file_->header().codePage);
    ++it;
  }
}

void DatabaseCore::reloadCatalog() {
  requireOpen();
  catalog_ = readCatalog(*file_);
}

void DatabaseCore::close() {
  longValues_.reset();
  indexMaintenance_.reset();
  allocator_.reset();
  file_.reset();  // rolls back an open transaction, releases the lock
  definitions_.clear();
}

WriteScope::WriteScope(DatabaseCore& core) : core_(core) {
  PageFile& file = core_.file();
  if (!file.writable()) throw Error(ErrorCode::ReadOnly, "the database is open read-only");
  if (!file.inTransaction()) {
    file.begin();
    ownTransaction_ = true;
  }
  file.beginStatement();
}

void WriteScope::done() {
  PageFile& file = core_.file();
  file.endStatement();
  finished_ = true;
  if (ownTransaction_) {
    try {
      file.commit();
    } catch (const Error&) {
      core_.afterRollback();  // commit rolled back
      throw;
    }
  }
}

WriteScope::~WriteScope() {
  if (finished_ || !core_.isOpen()) return;
  try {
    PageFile& file = core_.file();
    file.rollbackStatement();
    if (ownTransaction_) file.rollback();
    core_.afterRollback();
  } catch (const Error&) {
    // Nothing more can be done here; the journal (if any) is rolled back by the next open.
  }
}

}  // namespace jet::detail
