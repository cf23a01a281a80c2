#pragma once
// Making tables in an open database: the catalog rows of a database just built by
// buildNewDatabase (new_database.h), and new user tables (Database::createTable).
//
// A new user table gets, as Access gives it: its definition pages, a data page of usage maps (its
// own two, two per Memo/OLE column, one per index), an empty leaf page as the root of each index,
// its MSysObjects row (Id = first definition page, in the Tables container, owned by the database's
// owner, dated now) and its access control entries. Each call is one write: all of it or, on an
// error, none of it.

#include <cstdint>
#include <vector>

#include "jet/schema.h"
#include "jet/value.h"

namespace jet::detail {

class DatabaseCore;

// Writes the MSysObjects and MSysACEs rows of a new database whose system tables start at
// systemTablePages (as buildNewDatabase reports them).
void writeNewDatabaseCatalog(DatabaseCore& core, const std::vector<std::uint32_t>& systemTablePages,
                             DateTime created);

// Adds a user table. Throws Error(ValueRejected) for a definition planTableDefinition refuses or a
// name a table or query of the database already has, Error(ReadOnly) for a database that cannot be
// written.
void createUserTable(DatabaseCore& core, const TableDefinition& definition);

}  // namespace jet::detail
