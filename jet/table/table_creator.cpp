#include "jet/table/table_creator.h"

#include <algorithm>

#include "jet/table/catalog_writer.h"
#include "jet/text/clock.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/index/index_page.h"
#include "jet/page/page_allocator.h"
#include "jet/tdef/system_catalog.h"
#include "jet/tdef/table_definition_builder.h"
#include "jet/tdef/table_definition_plan.h"
#include "jet/page/usage_map_page.h"

namespace jet::detail {

namespace {

// Takes data pages for `count` usage maps and returns their row pointers, in order.
std::vector<std::uint32_t> newUsageMaps(PageFile& file, PageAllocator& pages, std::size_t count) {
  const format::Layout& layout = file.layout();
  const std::size_t perPage = usageMapRowsPerPage(layout);
  std::vector<std::uint32_t> maps;
  while (maps.size() < count) {
    std::size_t rows = std::min(perPage, count - maps.size());
    std::uint32_t page = pages.allocate(usageMapPage(layout, 0, rows), {});
    for (std::size_t r = 0; r < rows; ++r) maps.push_back(format::makeRowPointer(page, static_cast<std::uint16_t>(r)));
  }
  return maps;
}

// Maps in the order Access numbers them: the table's two, two per long-value column, one per index.
void assignUsageMaps(StoredTableDefinition& table, const std::vector<std::uint32_t>& maps) {
  std::size_t next = 0;
  table.ownedPagesMap = maps[next++];
  table.freePagesMap = maps[next++];
  for (ColumnUsageMaps& m : table.columnUsageMaps) {
    m.ownedPagesMap = maps[next++];
    m.freePagesMap = maps[next++];
  }
  for (RealIndex& r : table.realIndexes) r.usageMap = maps[next++];
}

std::vector<std::uint8_t> placeholderDefinitionPage(const format::Layout& layout) {
  std::vector<std::uint8_t> page(layout.pageSize, 0);
  page[0] = format::page_type::kTableDefinition;
  page[1] = 0x01;
  return page;
}

void writeDefinitionPages(PageFile& file, PageAllocator& pages, StoredTableDefinition& table) {
  const format::Layout& layout = file.layout();
  std::size_t count = definitionPageCount(encodeTableDefinition(table, file.header().codePage).size(), layout);
  table.pages.clear();
  for (std::size_t i = 0; i < count; ++i) table.pages.push_back(pages.allocate(placeholderDefinitionPage(layout), {}));
  table.firstPage = table.pages.front();
  for (RealIndex& r : table.realIndexes) {
    IndexPage root;
    root.leaf = true;
    root.tablePage = table.firstPage;
    r.firstPage = pages.allocateIndexPage(r, encodeIndexPage(root, layout));
  }
  std::vector<std::uint8_t> joined = encodeTableDefinition(table, file.header().codePage);
  std::vector<std::vector<std::uint8_t>> bytes = splitDefinitionPages(joined, table.pages, layout);
  for (std::size_t i = 0; i < bytes.size(); ++i) file.writePage(table.pages[i], std::move(bytes[i]));
}

}  // namespace

void writeNewDatabaseCatalog(DatabaseCore& core, const std::vector<std::uint32_t>& systemTablePages,
                             DateTime created) {
  const Format version = core.file().layout().version;
  {
    WriteScope scope(core);
    CatalogWriter catalog(core, systemTablePages.at(1));
    for (const CatalogObject& o : newDatabaseObjects(version, systemTablePages)) catalog.addObject(o, created);
    for (const AccessControlEntry& e : newDatabaseAccessControl(version, systemTablePages)) catalog.addAccessControl(e);
    scope.done();
  }
  core.reloadCatalog();
}

void createUserTable(DatabaseCore& core, const TableDefinition& definition) {
  PageFile& file = core.file();
  StoredTableDefinition table = planTableDefinition(definition, file.layout().version);
  {
    WriteScope scope(core);
    PageAllocator& pages = core.allocator();
    CatalogWriter catalog(core);
    if (catalog.containerHolds(catalog_ids::kTablesContainer, table.name))
      throw Error(ErrorCode::ValueRejected,
                  "the database already has a table or query named \"" + table.name + "\"");
    std::size_t mapCount = 2 + 2 * table.columnUsageMaps.size() + table.realIndexes.size();
    assignUsageMaps(table, newUsageMaps(file, pages, mapCount));
    writeDefinitionPages(file, pages, table);
    Bytes owner = catalog.databaseOwner();
    catalog.addObject(newTableObject(table, owner, file.header().codePage), core.now());
    std::vector<AccessControlEntry> inherited = catalog.accessControlOf(catalog_ids::kTablesContainer);
    for (const AccessControlEntry& e : newTableAccessControl(table.firstPage, inherited, owner))
      catalog.addAccessControl(e);
    scope.done();
  }
  core.reloadCatalog();
}

}  // namespace jet::detail
