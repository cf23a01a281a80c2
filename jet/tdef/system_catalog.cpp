#include "jet/tdef/system_catalog.h"

#include <algorithm>

#include "jet/tdef/property_block.h"
#include "jet/tdef/table_definition_plan.h"

namespace jet {

namespace {

namespace tw = format::tdef_writing;
using T = ColumnType;

// The built-in SIDs of an unsecured database.
struct Sids {
  Bytes engine, admin, admins, users;
};

Sids sidsFor(Format version) {
  if (version == Format::Jet4) return {{0x06, 0xEA}, {0x07, 0xE8}, {0x06, 0xE8}, {0x06, 0xED}};
  return {{0x02, 0x03}, {0x03, 0x01}, {0x02, 0x01}, {0x02, 0x04}};
}

ColumnDefinition column(const char* name, ColumnType type) {
  ColumnDefinition c;
  c.name = name;
  c.type = type;
  return c;
}

IndexDefinition index(const char* name, std::vector<const char*> columns) {
  IndexDefinition i;
  i.name = name;
  for (const char* c : columns) i.columns.push_back({c, false});
  return i;
}

TableDefinition objectsTable() {
  return {"MSysObjects",
          {column("Id", T::Long), column("ParentId", T::Long), column("Name", T::Text),
           column("Type", T::Integer), column("DateCreate", T::DateTime), column("DateUpdate", T::DateTime),
           column("Owner", T::Binary), column("Flags", T::Long), column("Database", T::Memo),
           column("Connect", T::Memo), column("ForeignName", T::Text), column("RmtInfoShort", T::Binary),
           column("RmtInfoLong", T::Ole), column("Lv", T::Ole), column("LvProp", T::Ole),
           column("LvModule", T::Ole), column("LvExtra", T::Ole)},
          {index("ParentIdName", {"ParentId", "Name"}), index("Id", {"Id"})}};
}

TableDefinition aclTable() {
  return {"MSysACEs",
          {column("ObjectId", T::Long), column("SID", T::Binary), column("ACM", T::Long),
           column("FInheritable", T::Boolean)},
          {index("ObjectId", {"ObjectId"})}};
}

TableDefinition queriesTable(Format version) {
  TableDefinition t{"MSysQueries",
                    {column("ObjectId", T::Long), column("Attribute", T::Byte), column("Order", T::Binary),
                     column("Name1", T::Text), column("Name2", T::Text), column("Expression", T::Memo),
                     column("Flag", T::Integer)},
                    {index("ObjectIdAttribute", {"ObjectId", "Attribute", "Order"})}};
  if (version == Format::Jet4) t.columns.push_back(column("LvExtra", T::Long));
  return t;
}

TableDefinition relationshipsTable() {
  return {"MSysRelationships",
          {column("szRelationship", T::Text), column("grbit", T::Long), column("ccolumn", T::Long),
           column("icolumn", T::Long), column("szObject", T::Text), column("szColumn", T::Text),
           column("szReferencedObject", T::Text), column("szReferencedColumn", T::Text)},
          {index("szRelationship", {"szRelationship"}), index("szObject", {"szObject"}),
           index("szReferencedObject", {"szReferencedObject"})}};
}

// The system tables differ from what a user table of the same columns would be: their columns are
// marked as the engine's, text is stored without compression, Jet 4 binary columns are declared
// 510 bytes long, the SID columns carry a flag of their own, and the index flags are the engine's.
StoredTableDefinition systemTable(const TableDefinition& t, Format version,
                                  std::vector<std::uint8_t> indexFlags, int primaryIndex) {
  StoredTableDefinition d = planTableDefinition(t, version);
  d.tableType = format::kSystemTable;
  for (StoredColumn& c : d.columns) {
    c.flags |= tw::kSystemColumnFlag;
    c.extFlags = 0;
    if (c.name == "Owner" || c.name == "SID") c.flags |= tw::kSidColumnFlag;
    if (c.type == ColumnType::Binary && version == Format::Jet4) c.length = 2 * kMaxTextSize;
  }
  for (std::size_t i = 0; i < d.realIndexes.size(); ++i) {
    d.realIndexes[i].flags = indexFlags[i];
    if (version == Format::Jet4) d.realIndexes[i].flags |= tw::kJet4IndexFlagAlways;
    d.logicalIndexes[i].kind =
        static_cast<int>(i) == primaryIndex ? format::index_kind::kPrimaryKey : format::index_kind::kNormal;
  }
  return d;
}

CatalogObject object(std::int32_t id, std::int32_t parentId, const char* name, std::int16_t type, Bytes owner) {
  return {id, parentId, name, type, std::move(owner), static_cast<std::int32_t>(format::catalog::kSystemObjectFlag), {}};
}

}  // namespace

std::vector<StoredTableDefinition> systemTableDefinitions(Format version) {
  using namespace format::index_flag;
  std::vector<StoredTableDefinition> tables;
  tables.push_back(systemTable(objectsTable(), version, {kUnique, kUnique}, 1));
  tables.push_back(systemTable(aclTable(), version, {kRequired}, -1));
  tables.push_back(systemTable(queriesTable(version), version, {kUnique}, 0));
  tables.push_back(systemTable(relationshipsTable(), version, {kIgnoreNulls, kIgnoreNulls, kIgnoreNulls}, -1));
  return tables;
}

std::vector<CatalogObject> newDatabaseObjects(Format version,
                                              const std::vector<std::uint32_t>& systemTablePages) {
  using namespace catalog_ids;
  using namespace catalog_types;
  const Sids sid = sidsFor(version);
  const auto root = format::catalog::kDatabaseParentId;
  std::vector<CatalogObject> rows = {
      object(kTablesContainer, root, "Tables", kContainer, sid.engine),
      object(kDatabasesContainer, root, "Databases", kContainer, sid.engine),
      object(kRelationshipsContainer, root, "Relationships", kContainer, sid.engine),
      object(kDatabaseObject, kDatabasesContainer, "MSysDb", kDatabase, sid.admin),
  };
  std::vector<StoredTableDefinition> tables = systemTableDefinitions(version);
  for (std::size_t i = 0; i < tables.size() && i < systemTablePages.size(); ++i)
    rows.push_back(object(static_cast<std::int32_t>(systemTablePages[i]), kTablesContainer,
                          tables[i].name.c_str(), kTable, sid.engine));
  return rows;
}

std::vector<AccessControlEntry> newDatabaseAccessControl(Format version,
                                                         const std::vector<std::uint32_t>& systemTablePages) {
  using namespace catalog_ids;
  const Sids sid = sidsFor(version);
  auto page = [&](std::size_t i) { return static_cast<std::int32_t>(systemTablePages.at(i)); };
  const std::int32_t objects = page(0), acl = page(1), queries = page(2), relationships = page(3);
  return {
      {objects, sid.admin, 393216, false},
      {acl, sid.admin, 393216, false},
      {queries, sid.admin, 393216, false},
      {relationships, sid.admin, 917504, false},
      {kTablesContainer, sid.users, 983294, true},
      {kTablesContainer, sid.admin, 393217, false},
      {kRelationshipsContainer, sid.users, 983294, true},
      {kRelationshipsContainer, sid.admin, 393217, false},
      {kDatabasesContainer, sid.admin, 393216, false},
      {kDatabaseObject, sid.admin, 393230, false},
      {kDatabaseObject, sid.admins, 14, false},
      {queries, sid.admins, 20, false},
      {relationships, sid.admins, 20, false},
      {objects, sid.admins, 20, false},
      {kTablesContainer, sid.admins, kFullTableRights, true},
      {kRelationshipsContainer, sid.admins, 1048575, true},
  };
}

CatalogObject newTableObject(const StoredTableDefinition& table, const Bytes& owner, std::uint16_t codePage) {
  CatalogObject o{static_cast<std::int32_t>(table.firstPage), catalog_ids::kTablesContainer, table.name,
                  catalog_types::kTable, owner, 0, {}};
  PropertyBlock block;
  block.sets.push_back({"", false, {}});
  for (const StoredColumn& c : table.columns)
    if (c.required) block.sets.push_back({c.name, true, {requiredProperty(true)}});
  if (block.sets.size() > 1) o.properties = encodePropertyBlock(block, table.version, codePage);
  return o;
}

std::vector<AccessControlEntry> newTableAccessControl(std::uint32_t firstPage,
                                                      const std::vector<AccessControlEntry>& tablesContainerEntries,
                                                      const Bytes& owner) {
  const auto id = static_cast<std::int32_t>(firstPage);
  std::vector<AccessControlEntry> rows;
  for (const AccessControlEntry& e : tablesContainerEntries)
    if (e.inheritable) rows.push_back({id, e.sid, e.rights, false});
  bool ownerListed = std::any_of(rows.begin(), rows.end(), [&](const AccessControlEntry& e) { return e.sid == owner; });
  if (!ownerListed && !owner.empty()) rows.push_back({id, owner, kFullTableRights, false});
  return rows;
}

std::vector<std::pair<std::string, Value>> catalogRowValues(const CatalogObject& object, DateTime created) {
  std::vector<std::pair<std::string, Value>> values = {
      {"Id", object.id},       {"ParentId", object.parentId}, {"Name", object.name},
      {"Type", object.type},   {"DateCreate", created},       {"DateUpdate", created},
      {"Owner", object.owner}, {"Flags", object.flags}};
  if (!object.properties.empty()) values.push_back({"LvProp", object.properties});
  return values;
}

std::vector<std::pair<std::string, Value>> accessControlRowValues(const AccessControlEntry& entry) {
  return {{"ObjectId", entry.objectId}, {"SID", entry.sid}, {"ACM", entry.rights}, {"FInheritable", entry.inheritable}};
}

}  // namespace jet
