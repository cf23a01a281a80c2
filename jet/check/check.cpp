#include "jet/check.h"

#include <algorithm>
#include <map>
#include <set>

#include "jet/page/data_page.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/check/index_check.h"
#include "jet/table/page_ownership_check.h"
#include "jet/page/physical_order.h"
#include "jet/table/row_reader.h"
#include "jet/page/usage_map.h"

namespace jet {

namespace {

class Checker {
 public:
  explicit Checker(Database& db) : core_(detail::coreOf(db)), file_(core_.file()) {}

  // chosen: the tables whose rows and indexes are checked (their catalog entries); all when null.
  std::vector<Problem> run(const std::set<const CatalogEntry*>* chosen = nullptr, const CheckProgress& progress = {}) {
    checkFileSize();
    readFreePages();
    std::map<std::uint32_t, std::string> owners;  // first TDEF page -> table name
    const std::size_t tables = core_.catalog().size();
    std::size_t done = 0;
    for (const CatalogEntry& entry : core_.catalog()) {
      if (progress) progress(entry.name, done++, tables);
      owners[entry.firstPage] = entry.name;
      checkTable(entry, !chosen || chosen->count(&entry));
    }
    if (progress) progress("", tables, tables);
    if (!chosen) checkStrayDataPages(owners);
    checkPageOwnership(file_, definitions_, problems_);
    return std::move(problems_);
  }

 private:
  void report(std::string where, std::string what, ProblemKind kind = ProblemKind::Damage) {
    problems_.push_back({std::move(where), std::move(what), kind});
  }

  static std::string tableWhere(const std::string& table) { return "table " + table; }
  static std::string pageWhere(const std::string& table, std::uint32_t page) {
    return "table " + table + ", page " + std::to_string(page);
  }

  void checkFileSize() {
    if (file_.fileSize() % file_.pageSize() != 0)
      report("file", "its size (" + std::to_string(file_.fileSize()) + " bytes) is not a whole number of " +
                         std::to_string(file_.pageSize()) + "-byte pages");
  }

  void readFreePages() {
    try {
      UsageMapPages map = readUsageMap(file_, format::usage_map::kGlobalFreePagesPointer);
      freePages_.insert(map.pages.begin(), map.pages.end());
    } catch (const Error& e) {
      report("page 1", std::string("the map of free pages cannot be read: ") + e.what());
    }
  }

  // contents: the rows and indexes too, not just the definition.
  void checkTable(const CatalogEntry& entry, bool contents) {
    std::shared_ptr<const StoredTableDefinition> def;
    try {
      def = core_.definition(entry);
    } catch (const Error& e) {
      report(tableWhere(entry.name), std::string("its definition cannot be read: ") + e.what());
      return;
    }
    definitions_.push_back(def.get());
    held_.push_back(def);
    if (!contents) return;
    checkIndexRoots(*def);
    checkRows(*def, entry.system);
  }

  void checkIndexRoots(const StoredTableDefinition& def) {
    for (const LogicalIndex& index : def.logicalIndexes) {
      const RealIndex& real = def.realIndexes[index.realIndex];
      std::string where = tableWhere(def.name) + ", index " + index.name;
      if (real.firstPage == 0 || real.firstPage >= file_.pageCount()) {
        report(where, "its root page " + std::to_string(real.firstPage) + " is not in the file");
        continue;
      }
      std::uint8_t type = file_.page(real.firstPage)->type();
      if (type != format::page_type::kIndexIntermediate && type != format::page_type::kIndexLeaf)
        report(where, "its root page " + std::to_string(real.firstPage) + " is not an index page");
    }
  }

  void checkRows(const StoredTableDefinition& def, bool systemTable) {
    RowReader reader(file_, def);
    std::vector<std::uint32_t> pages;
    try {
      UsageMapPages map = readUsageMap(file_, def.ownedPagesMap);
      if (map.beyondEnd)
        report(tableWhere(def.name), "its page map lists " + std::to_string(map.beyondEnd) + " pages past the end of the file");
      pages = map.pages;
    } catch (const Error& e) {
      report(tableWhere(def.name), std::string("its page map cannot be read: ") + e.what());
      return;
    }
    ownedPages_[def.firstPage] = std::set<std::uint32_t>(pages.begin(), pages.end());
    std::int64_t live = 0;
    std::vector<Value> values;
    std::vector<CheckedRow> rows;  // for the index checks: the values up to the last key column
    const std::size_t keep = keyValuesKept(def);
    for (std::uint32_t number : pages) {
      PageRef page = file_.page(number);
      if (page->type() != format::page_type::kData || dataPageOwner(*page, file_.layout()) != def.firstPage) {
        report(pageWhere(def.name, number), "the table's page map lists it, but it is not one of the table's data pages");
        continue;
      }
      if (freePages_.count(number))
        report(pageWhere(def.name, number), "the table uses it, but the database lists it as free",
               ProblemKind::FreePageMap);
      std::uint16_t count;
      try {
        count = dataRowCount(*page, file_.layout());
      } catch (const Error& e) {
        report(pageWhere(def.name, number), e.what());
        continue;
      }
      for (std::uint16_t row = 0; row < count; ++row) {
        if (!reader.isLive(*page, row)) continue;
        ++live;
        // A row that cannot be read still counts for the index checks, as one whose key is unknown.
        rows.push_back({RowLocation{number, row}, {}, false});
        try {
          std::optional<RowImage> image = reader.fetch({number, row});
          if (image) {
            reader.decodeAll(*image, values);
            rows.back().values.assign(std::make_move_iterator(values.begin()),
                                      std::make_move_iterator(values.begin() + std::min(keep, values.size())));
            rows.back().readable = true;
          }
        } catch (const Error& e) {
          report(pageWhere(def.name, number) + ", row " + std::to_string(row), e.what());
        }
      }
    }
    checkIndexes(file_, def, rows, problems_);
    // Access does not keep the counts of its system tables exact.
    if (!systemTable && live != def.rowCount)
      report(tableWhere(def.name), "its definition counts " + std::to_string(def.rowCount) + " rows, but it holds " +
                                       std::to_string(live));
  }

  // How many of a row's values, from the first column on, the index checks read: up to the last
  // key column of any index.
  static std::size_t keyValuesKept(const StoredTableDefinition& def) {
    std::size_t keep = 0;
    for (const RealIndex& index : def.realIndexes)
      for (const IndexKeyColumn& k : index.columns)
        for (std::size_t pos = 0; pos < def.columns.size(); ++pos)
          if (def.columns[pos].number == k.columnNumber) keep = std::max(keep, pos + 1);
    return keep;
  }

  // Data pages that name a table as their owner but are missing from its page map: their rows are
  // invisible to every reader.
  void checkStrayDataPages(const std::map<std::uint32_t, std::string>& owners) {
    for (std::uint32_t number = 1; number < file_.pageCount(); ++number) {
      PageRef page = file_.page(number);
      if (page->type() != format::page_type::kData || isLongValuePage(*page, file_.layout())) continue;
      if (freePages_.count(number)) continue;  // a page given up; its old contents do not count
      std::uint32_t owner = dataPageOwner(*page, file_.layout());
      auto table = owners.find(owner);
      auto owned = ownedPages_.find(owner);
      if (table == owners.end() || owned == ownedPages_.end()) continue;
      if (owned->second.count(number)) continue;
      bool hasLiveRows = false;
      try {
        std::uint16_t count = dataRowCount(*page, file_.layout());
        for (std::uint16_t row = 0; row < count && !hasLiveRows; ++row)
          hasLiveRows = (bytes::u16(page->bytes(), file_.layout().dataRowTableOffset + 2u * row) &
                         format::row_entry::kDeleted) == 0;
      } catch (const Error&) {
        hasLiveRows = true;
      }
      if (hasLiveRows)
        report(pageWhere(table->second, number), "it holds rows of the table but is missing from the table's page map");
    }
  }

  detail::DatabaseCore& core_;
  PageFile& file_;
  std::map<std::uint32_t, std::set<std::uint32_t>> ownedPages_;
  std::vector<const StoredTableDefinition*> definitions_;
  std::vector<std::shared_ptr<const StoredTableDefinition>> held_;
  std::set<std::uint32_t> freePages_;
  std::vector<Problem> problems_;
};

}  // namespace

std::vector<Problem> check(Database& db, const CheckProgress& progress) { return Checker(db).run(nullptr, progress); }

std::vector<Problem> check(Database& db, const std::vector<std::string>& tables) {
  std::set<const CatalogEntry*> chosen;
  for (const std::string& name : tables) {
    const CatalogEntry* entry = detail::coreOf(db).findTable(name);
    if (!entry) throw Error(ErrorCode::MissingTable, "there is no table \"" + name + "\" in " + db.path().string());
    chosen.insert(entry);
  }
  // Every writer relies on the catalog: it finds the tables through it, and readers of the file
  // find what the writer added through it.
  for (const CatalogEntry& entry : detail::coreOf(db).catalog())
    if (entry.system) chosen.insert(&entry);
  return Checker(db).run(&chosen);
}

std::vector<std::uint32_t> unusedPages(Database& db) {
  detail::DatabaseCore& core = detail::coreOf(db);
  std::vector<std::shared_ptr<const StoredTableDefinition>> held;
  core.definitions(held);
  std::vector<const StoredTableDefinition*> tables;
  for (const auto& def : held) tables.push_back(def.get());
  return unusedPages(core.file(), tables);
}

std::vector<Problem> check(const std::filesystem::path& path) {
  try {
    Database db = Database::open(path, {.exclusive = false, .readOnly = true});
    return check(db);
  } catch (const Error& e) {
    return {Problem{path.string(), std::string("cannot be opened (") + toString(e.code()) + "): " + e.what()}};
  }
}

}  // namespace jet
