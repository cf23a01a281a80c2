#include "jet/table/catalog_writer.h"

#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/page/physical_order.h"
#include "jet/table/row_reader.h"
#include "jet/table/table_writer.h"
#include "jet/text/text_codec.h"

namespace jet::detail {

namespace {

StoredTableDefinition& systemTable(DatabaseCore& core, const std::string& name, std::uint32_t firstPage) {
  CatalogEntry entry{name, firstPage, format::catalog::kSystemObjectFlag, true, {}};
  return core.mutableDefinition(*core.definition(entry));
}

std::size_t columnOf(const StoredTableDefinition& table, std::string_view name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i)
    if (table.columns[i].name == name) return i;
  throw Error(ErrorCode::Damaged, "the system table " + table.name + " has no column " + std::string(name));
}

std::int64_t integerOf(const Value& v) {
  if (auto p = v.getIf<std::int32_t>()) return *p;
  if (auto p = v.getIf<std::int16_t>()) return *p;
  if (auto p = v.getIf<std::uint8_t>()) return *p;
  return -1;
}

// Every live row of a table, each column read by `read`.
template <class Read>
void forEachRow(PageFile& file, const StoredTableDefinition& table, Read read) {
  RowReader reader(file, table);
  PhysicalOrder order(file, table);
  for (auto at = order.first(); at; at = order.next()) {
    std::optional<RowImage> image = reader.fetch(*at);
    if (!image) continue;
    RowColumns columns = reader.split(*image);
    read([&](std::size_t column) { return reader.decode(columns, column); });
  }
  if (order.unreadablePages() > 0)
    throw Error(ErrorCode::Damaged, "pages of table " + table.name + " cannot be read");
}

}  // namespace

CatalogWriter::CatalogWriter(DatabaseCore& core, std::optional<std::uint32_t> aclFirstPage) : core_(core) {
  objects_ = &systemTable(core_, "MSysObjects", format::catalog::kTableDefinitionPage);
  std::uint32_t aclPage = 0;
  if (aclFirstPage) {
    aclPage = *aclFirstPage;
  } else if (const CatalogEntry* acl = core_.findTable("MSysACEs")) {
    aclPage = acl->firstPage;
  } else {
    throw Error(ErrorCode::Damaged, "the database has no table MSysACEs");
  }
  acl_ = &systemTable(core_, "MSysACEs", aclPage);
  for (const char* c : {"Id", "ParentId", "Name", "Type", "DateCreate", "DateUpdate", "Owner", "Flags"})
    columnOf(*objects_, c);
  for (const char* c : {"ObjectId", "SID", "ACM", "FInheritable"}) columnOf(*acl_, c);
}

std::vector<Value> CatalogWriter::rowOf(const StoredTableDefinition& table,
                                        const std::vector<std::pair<std::string, Value>>& values) const {
  std::vector<Value> row(table.columns.size());
  for (const auto& [name, value] : values) row[columnOf(table, name)] = value;
  return row;
}

void CatalogWriter::addObject(const CatalogObject& object, DateTime created) {
  TableWriter(core_, *objects_).insert(rowOf(*objects_, catalogRowValues(object, created)));
}

void CatalogWriter::addAccessControl(const AccessControlEntry& entry) {
  TableWriter(core_, *acl_).insert(rowOf(*acl_, accessControlRowValues(entry)));
}

std::vector<CatalogObject> CatalogWriter::objects() {
  const std::size_t id = columnOf(*objects_, "Id"), parent = columnOf(*objects_, "ParentId"),
                    name = columnOf(*objects_, "Name"), type = columnOf(*objects_, "Type"),
                    owner = columnOf(*objects_, "Owner");
  std::vector<CatalogObject> out;
  forEachRow(core_.file(), *objects_, [&](auto value) {
    CatalogObject o;
    o.id = static_cast<std::int32_t>(integerOf(value(id)));
    o.parentId = static_cast<std::int32_t>(integerOf(value(parent)));
    Value n = value(name);
    if (n.template is<std::string>()) o.name = n.template as<std::string>();
    o.type = static_cast<std::int16_t>(integerOf(value(type)));
    Value sid = value(owner);
    if (sid.template is<Bytes>()) o.owner = sid.template as<Bytes>();
    out.push_back(std::move(o));
  });
  return out;
}

bool CatalogWriter::containerHolds(std::int32_t containerId, std::string_view name) {
  for (const CatalogObject& o : objects())
    if (o.parentId == containerId && namesEqual(o.name, name)) return true;
  return false;
}

Bytes CatalogWriter::databaseOwner() {
  for (const CatalogObject& o : objects())
    if (o.id == catalog_ids::kDatabaseObject && o.parentId == catalog_ids::kDatabasesContainer) return o.owner;
  return {};
}

std::vector<AccessControlEntry> CatalogWriter::accessControlOf(std::int32_t objectId) {
  const std::size_t object = columnOf(*acl_, "ObjectId"), sid = columnOf(*acl_, "SID"),
                    rights = columnOf(*acl_, "ACM"), inheritable = columnOf(*acl_, "FInheritable");
  std::vector<AccessControlEntry> out;
  forEachRow(core_.file(), *acl_, [&](auto value) {
    if (integerOf(value(object)) != objectId) return;
    AccessControlEntry e;
    e.objectId = objectId;
    Value s = value(sid);
    if (s.template is<Bytes>()) e.sid = s.template as<Bytes>();
    e.rights = static_cast<std::int32_t>(integerOf(value(rights)));
    Value i = value(inheritable);
    e.inheritable = i.template is<bool>() && i.template as<bool>();
    out.push_back(std::move(e));
  });
  return out;
}

}  // namespace jet::detail
