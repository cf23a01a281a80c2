#pragma once
// The physical layout in which this project makes driver databases: the five tables of the new and
// previous-format files and the legacy "woofer data" table, with column types, sizes and indexes.
//
// Choices (the program itself reads fields by name and type, so other layouts work too): "ID" and
// the legacy "Index" are autonumber longs under a primary-key index ("ID", legacy "PrimaryKey");
// "Model" text(50) and "Company" text(255), each under a non-unique index of its name; "Notes"
// memo; codes integer; parameters double; response levels single; "Driver ID" long under a unique
// index "Driver ID"; "Date" date/time; yes/no fields Yes/No; links long; other texts text(255).

#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/schema.h"

namespace qbm::samples {

// The primary-key index of the legacy table's "Index" (the program itself selects no index there).
inline constexpr std::string_view LegacyKeyIndex = "PrimaryKey";

jet::TableDefinition wooferTableDefinition();
jet::TableDefinition tweeterTableDefinition();
jet::TableDefinition companyTableDefinition();
// "woofer-response" or "tweeter-response" (the layouts are the same).
jet::TableDefinition wooferResponseTableDefinition();
jet::TableDefinition tweeterResponseTableDefinition();
// The five tables of a new or previous-format driver database, in the order they are created.
std::vector<jet::TableDefinition> driverDatabaseTableDefinitions();

// The legacy single table "woofer data".
jet::TableDefinition legacyTableDefinition();

// Adds the five driver tables to an empty database.
void createDriverTables(jet::Database& db);
// Adds "woofer data" to an empty database.
void createLegacyTable(jet::Database& db);

}  // namespace qbm::samples
