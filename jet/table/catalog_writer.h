#pragma once
// Reading and adding the rows of the system catalog that making tables needs: objects in
// MSysObjects (with their indexes kept by the row writer) and access control entries in MSysACEs.
//
// Every call runs inside a WriteScope (database_core.h) when it writes; reads see the writes of the
// open transaction.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/tdef/system_catalog.h"
#include "jet/tdef/table_definition.h"

namespace jet::detail {

class DatabaseCore;

class CatalogWriter {
 public:
  // The catalog tables of the database: MSysObjects on page 2, MSysACEs as the catalog lists it or,
  // for a database whose catalog rows are still to be written, at aclFirstPage.
  // Throws Error(Damaged) when a table is missing or lacks a column the catalog rows need.
  explicit CatalogWriter(DatabaseCore& core, std::optional<std::uint32_t> aclFirstPage = std::nullopt);

  void addObject(const CatalogObject& object, DateTime created);
  void addAccessControl(const AccessControlEntry& entry);

  // Whether an object of that name (without regard to case) is in the container: tables and
  // queries share the Tables container, so their names must differ.
  bool containerHolds(std::int32_t containerId, std::string_view name);
  // The owner of the database object (MSysDb), whom new tables belong to; empty when not found.
  Bytes databaseOwner();
  // The access control entries of one object.
  std::vector<AccessControlEntry> accessControlOf(std::int32_t objectId);

 private:
  // The row of values (by column position) from named values; the other columns Null.
  std::vector<Value> rowOf(const StoredTableDefinition& table,
                           const std::vector<std::pair<std::string, Value>>& values) const;
  std::vector<CatalogObject> objects();

  DatabaseCore& core_;
  StoredTableDefinition* objects_ = nullptr;
  StoredTableDefinition* acl_ = nullptr;
};

}  // namespace jet::detail
