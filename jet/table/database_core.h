#pragma once
// The state of an open database that the engine's parts share (cursors, writers, check, dump).
// A Database handle owns it with its cursors; cursors keep it alive and find it closed after
// Database::close(), so a Table used after its database is gone throws Error(InvalidState).

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/open_options.h"
#include "jet/index/index_maintenance.h"
#include "jet/page/long_value_writer.h"
#include "jet/page/page_allocator.h"
#include "jet/file/page_file.h"
#include "jet/table/catalog.h"
#include "jet/tdef/table_definition.h"

namespace jet {
class Database;
}

namespace jet::detail {

class DatabaseCore {
 public:
  DatabaseCore(std::filesystem::path path, std::unique_ptr<PageFile> file, OpenOptions options,
               JournalFinding journal = {});

  // Still known after close(), for messages.
  const std::filesystem::path& path() const { return path_; }
  const JournalFinding& journalFinding() const { return journal_; }
  bool isOpen() const { return file_ != nullptr; }
  // Throws Error(InvalidState) once the database is closed. (Inline: every cursor call checks.)
  void requireOpen() const {
    if (!file_) throwClosed();
  }
  PageFile& file() {
    requireOpen();
    return *file_;
  }
  const OpenOptions& options() const { return options_; }
  // The date and time to write as the creation or update date of what is made now: the clock,
  // or the fixed time given to Database::create.
  DateTime now() const;
  void fixTime(DateTime timestamp) { fixedTime_ = timestamp; }

  // Every local table of the catalog, system tables included, in catalog order.
  const std::vector<CatalogEntry>& catalog() const { return catalog_; }
  // The catalog entry of a table (case-insensitive name), or nullptr.
  const CatalogEntry* findTable(std::string_view name) const;
  // The table's definition, read once and shared. Throws Error(Damaged) for a bad definition.
  std::shared_ptr<const StoredTableDefinition> definition(const CatalogEntry& entry);
  // The same definition, for writers that change its counts (every cursor of the table sees it).
  StoredTableDefinition& mutableDefinition(const StoredTableDefinition& definition);

  // The definitions of the catalog's tables; false when one of them cannot be read (it is left
  // out).
  bool definitions(std::vector<std::shared_ptr<const StoredTableDefinition>>& out);
  // Which pages something uses (page_ownership_check.h); every page when a table's definition
  // cannot be read.
  std::vector<bool> ownedPages();

  // ---- Writing (Error(ReadOnly) when the database is not writable) ----
  // Throws Error(InvalidState) when closed, Error(ReadOnly) when the file cannot be written.
  void requireWritable() const;
  PageAllocator& allocator();
  IndexMaintenance& indexMaintenance();
  LongValueWriter& longValues();
  // After the page file rolled back (a transaction or a statement): definitions and the catalog
  // are read again from the restored pages, and the allocator forgets its hints.
  void afterRollback();
  // Re-reads the catalog (after a table was added).
  void reloadCatalog();

  void close();

 private:
  [[noreturn]] static void throwClosed();

  std::filesystem::path path_;
  JournalFinding journal_;
  std::unique_ptr<PageFile> file_;
  OpenOptions options_;
  std::optional<DateTime> fixedTime_;
  std::vector<CatalogEntry> catalog_;
  std::map<std::uint32_t, std::shared_ptr<StoredTableDefinition>> definitions_;
  std::unique_ptr<PageAllocator> allocator_;
  std::unique_ptr<IndexMaintenance> indexMaintenance_;
  std::unique_ptr<LongValueWriter> longValues_;
};

// The engine's own way into a Database handle (check, dump, repair, and tests of the engine).
// Both throw Error(InvalidState) when the database is closed.
struct DatabaseAccess {
  static DatabaseCore& core(Database& db);
  static const std::shared_ptr<DatabaseCore>& sharedCore(Database& db);
};
inline DatabaseCore& coreOf(Database& db) { return DatabaseAccess::core(db); }

// One write (a row insert, update or delete, a new table) as a unit: it runs in the open
// transaction, or in a transaction of its own when none is open, inside a statement of the page
// file. done() keeps it (committing its own transaction); leaving the scope without done() undoes
// every page change it made.
class WriteScope {
 public:
  explicit WriteScope(DatabaseCore& core);
  ~WriteScope();
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;
  void done();

 private:
  DatabaseCore& core_;
  bool ownTransaction_ = false;
  bool finished_ = false;
};

}  // namespace jet::detail
