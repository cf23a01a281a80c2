#include "jet/table/new_database.h"

#include <algorithm>

#include "jet/file/database_header.h"
#include "jet/error.h"
#include "jet/index/index_page.h"
#include "jet/tdef/system_catalog.h"
#include "jet/tdef/table_definition_builder.h"
#include "jet/page/usage_map_page.h"

namespace jet {

namespace {

constexpr std::uint32_t kFirstDefinitionPage = format::catalog::kTableDefinitionPage;

// Hands out usage map rows on consecutive data pages, filling each before the next.
class MapRows {
 public:
  MapRows(const format::Layout& layout, std::uint32_t firstPage)
      : perPage_(usageMapRowsPerPage(layout)), firstPage_(firstPage) {}
  std::uint32_t next() {
    std::uint32_t page = firstPage_ + static_cast<std::uint32_t>(taken_ / perPage_);
    auto row = static_cast<std::uint16_t>(taken_ % perPage_);
    ++taken_;
    return format::makeRowPointer(page, row);
  }
  std::size_t taken() const { return taken_; }
  std::size_t perPage() const { return perPage_; }

 private:
  std::size_t perPage_;
  std::uint32_t firstPage_;
  std::size_t taken_ = 0;
};

// Maps as Access numbers them: each table's own two, then two per long-value column, then one per
// index tree.
void assignUsageMaps(StoredTableDefinition& table, MapRows& rows) {
  table.ownedPagesMap = rows.next();
  table.freePagesMap = rows.next();
  for (ColumnUsageMaps& m : table.columnUsageMaps) {
    m.ownedPagesMap = rows.next();
    m.freePagesMap = rows.next();
  }
  for (RealIndex& r : table.realIndexes) r.usageMap = rows.next();
}

std::size_t mapRowsOf(const StoredTableDefinition& table) {
  return 2 + 2 * table.columnUsageMaps.size() + table.realIndexes.size();
}

void putPage(std::vector<std::uint8_t>& file, std::uint32_t number, const std::vector<std::uint8_t>& page) {
  std::copy(page.begin(), page.end(), file.begin() + static_cast<std::ptrdiff_t>(number) * page.size());
}

}  // namespace

NewDatabaseImage buildNewDatabase(Format version, std::uint16_t codePage, DateTime created) {
  const format::Layout& layout = format::layout(version);
  std::vector<StoredTableDefinition> tables = systemTableDefinitions(version);

  NewDatabaseImage image;
  std::uint32_t next = kFirstDefinitionPage;
  for (StoredTableDefinition& t : tables) {
    t.firstPage = next++;
    t.pages = {t.firstPage};
    image.systemTablePages.push_back(t.firstPage);
  }
  const std::uint32_t firstMapPage = next;
  std::size_t mapRows = 0;
  for (const StoredTableDefinition& t : tables) mapRows += mapRowsOf(t);
  MapRows rows(layout, firstMapPage);
  const auto mapPages = static_cast<std::uint32_t>((mapRows + rows.perPage() - 1) / rows.perPage());
  next += mapPages;
  for (StoredTableDefinition& t : tables) {
    assignUsageMaps(t, rows);
    for (RealIndex& r : t.realIndexes) r.firstPage = next++;
  }
  const std::uint32_t pageCount = next;

  image.bytes.assign(static_cast<std::size_t>(pageCount) * layout.pageSize, 0);
  putPage(image.bytes, 0, encodeDatabaseHeader(version, codePage, created));
  putPage(image.bytes, 1, globalUsageMapPage(layout, pageCount));
  for (std::uint32_t i = 0; i < mapPages; ++i) {
    std::size_t onPage = std::min(rows.perPage(), mapRows - i * rows.perPage());
    putPage(image.bytes, firstMapPage + i, usageMapPage(layout, 0, onPage));
  }
  for (const StoredTableDefinition& t : tables) {
    std::vector<std::uint8_t> joined = encodeTableDefinition(t, codePage);
    if (definitionPageCount(joined.size(), layout) != 1)
      throw Error(ErrorCode::InvalidState, "the definition of " + t.name + " does not fit on one page");
    putPage(image.bytes, t.firstPage, splitDefinitionPages(joined, t.pages, layout).front());
    for (const RealIndex& r : t.realIndexes) {
      IndexPage leaf;
      leaf.number = r.firstPage;
      leaf.leaf = true;
      leaf.tablePage = t.firstPage;
      putPage(image.bytes, r.firstPage, encodeIndexPage(leaf, layout));
    }
  }
  return image;
}

}  // namespace jet
