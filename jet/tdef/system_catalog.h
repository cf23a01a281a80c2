#pragma once
// The system catalog of a new database, as the Jet engine makes it: the four system tables
// (MSysObjects, whose definition is always on page 2, MSysACEs, MSysQueries, MSysRelationships),
// the catalog rows of an empty database (the Tables, Databases and Relationships containers, the
// database object MSysDb and one row per system table) and the access control entries that go with
// them. Also the rows a new user table adds to both.
//
// Ids: a table's Id is its first TDEF page; containers and the database object have fixed Ids.
// Security ids (SIDs) are the short built-in ones of an unsecured database: the engine, the Admin
// user (who owns the database object and every table made later), the Admins and the Users group.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/file/format.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

namespace catalog_ids {
inline constexpr std::int32_t kTablesContainer = 0x0F000001;
inline constexpr std::int32_t kDatabasesContainer = 0x0F000002;
inline constexpr std::int32_t kRelationshipsContainer = 0x0F000003;
inline constexpr std::int32_t kDatabaseObject = 0x10000000;  // "MSysDb"
}  // namespace catalog_ids

namespace catalog_types {
inline constexpr std::int16_t kTable = 1;
inline constexpr std::int16_t kDatabase = 2;
inline constexpr std::int16_t kContainer = 3;
}  // namespace catalog_types

// Full rights on a table, as Access grants them to its owner and to the Admins group.
inline constexpr std::int32_t kFullTableRights = 1048319;

// The system tables in the order their definitions go into the file (pages 2, 3, 4, 5), without
// page numbers or usage maps.
std::vector<StoredTableDefinition> systemTableDefinitions(Format version);

// A row of MSysObjects.
struct CatalogObject {
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::string name;
  std::int16_t type = 0;
  Bytes owner;
  std::int32_t flags = 0;
  Bytes properties;  // LvProp: a property block (property_block.h), or none
};

// A row of MSysACEs: the rights (ACM) of one user or group (SID) on one object.
struct AccessControlEntry {
  std::int32_t objectId = 0;
  Bytes sid;
  std::int32_t rights = 0;
  bool inheritable = false;
};

// The MSysObjects rows of a new database; systemTablePages[i] is the first TDEF page of
// systemTableDefinitions()[i].
std::vector<CatalogObject> newDatabaseObjects(Format version,
                                              const std::vector<std::uint32_t>& systemTablePages);
// The MSysACEs rows of a new database (same page numbers).
std::vector<AccessControlEntry> newDatabaseAccessControl(Format version,
                                                         const std::vector<std::uint32_t>& systemTablePages);

// The MSysObjects row of a new user table whose definition starts at firstPage, owned by `owner`
// (the database object's owner), with a property block that marks its required columns (none when
// no column is required, as Access leaves it).
CatalogObject newTableObject(const StoredTableDefinition& table, const Bytes& owner, std::uint16_t codePage);
// The MSysACEs rows of a new user table: the rights of the Tables container that are passed on to
// new tables (its inheritable entries, with their rights), and full rights for the owner.
std::vector<AccessControlEntry> newTableAccessControl(std::uint32_t firstPage,
                                                      const std::vector<AccessControlEntry>& tablesContainerEntries,
                                                      const Bytes& owner);

// The values of a catalog row or access control entry, by the column names of MSysObjects and
// MSysACEs (other columns Null), with the creation and update dates.
std::vector<std::pair<std::string, Value>> catalogRowValues(const CatalogObject& object, DateTime created);
std::vector<std::pair<std::string, Value>> accessControlRowValues(const AccessControlEntry& entry);

}  // namespace jet
