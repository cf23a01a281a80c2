#include "jet/table/catalog.h"

#include <optional>

#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/page/physical_order.h"
#include "jet/table/row_reader.h"
#include "jet/tdef/table_definition.h"

namespace jet {

namespace {

struct CatalogColumns {
  std::size_t id, parentId, name, type, flags;
};

std::size_t requireColumn(const StoredTableDefinition& def, const char* name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) return i;
  throw Error(ErrorCode::Damaged, std::string("the catalog has no column ") + name);
}

std::int64_t numberOf(const Value& v) {
  if (auto p = v.getIf<std::int32_t>()) return *p;
  if (auto p = v.getIf<std::int16_t>()) return *p;
  if (auto p = v.getIf<std::uint8_t>()) return *p;
  return -1;
}

struct CatalogRow {
  std::int64_t id, parentId, type, flags;
  std::string name;
  Bytes properties;
};

std::optional<std::size_t> findColumn(const StoredTableDefinition& def, const char* name) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) return i;
  return std::nullopt;
}

// A table's property block; none when it cannot be read (the table itself may still be sound).
Bytes propertiesOf(RowReader& reader, const RowColumns& columns, std::optional<std::size_t> column) {
  if (!column) return {};
  try {
    Value v = reader.decode(columns, *column);
    if (auto b = v.getIf<Bytes>()) return *b;
  } catch (const Error&) {
  }
  return {};
}

}  // namespace

std::vector<CatalogEntry> readCatalog(PageFile& file) {
  StoredTableDefinition def = readTableDefinition(file, format::catalog::kTableDefinitionPage, "MSysObjects");
  CatalogColumns c{requireColumn(def, "Id"), requireColumn(def, "ParentId"), requireColumn(def, "Name"),
                   requireColumn(def, "Type"), requireColumn(def, "Flags")};
  std::optional<std::size_t> lvProp = findColumn(def, "LvProp");
  RowReader reader(file, def);
  PhysicalOrder order(file, def);
  std::vector<CatalogRow> rows;
  std::optional<std::int64_t> tablesContainer;
  for (auto at = order.first(); at; at = order.next()) {
    std::optional<RowImage> image = reader.fetch(*at);
    if (!image) continue;
    RowColumns columns = reader.split(*image);
    Value name = reader.decode(columns, c.name);
    CatalogRow row{numberOf(reader.decode(columns, c.id)), numberOf(reader.decode(columns, c.parentId)),
                   numberOf(reader.decode(columns, c.type)), numberOf(reader.decode(columns, c.flags)),
                   name.is<std::string>() ? name.as<std::string>() : std::string(), {}};
    if (row.name == "Tables" && row.parentId == format::catalog::kDatabaseParentId) tablesContainer = row.id;
    if (row.type == format::catalog::kTypeTable) row.properties = propertiesOf(reader, columns, lvProp);
    rows.push_back(std::move(row));
  }
  if (order.unreadablePages() > 0)
    throw Error(ErrorCode::Damaged, "pages of the catalog (MSysObjects) cannot be read");
  std::vector<CatalogEntry> entries;
  for (CatalogRow& row : rows) {
    if (row.type != format::catalog::kTypeTable || row.name.empty()) continue;
    if (tablesContainer && row.parentId != *tablesContainer) continue;
    CatalogEntry e;
    e.name = std::move(row.name);
    e.firstPage = static_cast<std::uint32_t>(row.id) & format::catalog::kObjectIdPageMask;
    e.flags = static_cast<std::uint32_t>(row.flags);
    e.system = (e.flags & (format::catalog::kSystemObjectFlag | format::catalog::kAltSystemObjectFlag)) != 0;
    e.properties = std::move(row.properties);
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace jet
