#pragma once
// Whole-table dumps of a database, for the command line and for comparing the engine's reading
// with other readers.
//
// JSON: {"file", "format", "tables": [{"name", "columns": [{"name", "type", "autonumber"}],
// "indexes": [{"name", "columns": ["col" | "col DESC"], "unique", "primary", "foreign"}],
// "rows": [[...]]}]}, tables sorted by name, rows in physical order. Values: Yes/No as true/false;
// Byte/Integer/Long as numbers; Double as the shortest exact decimal ("0.0", "1.0E-5"); Single as
// the exact decimal of the single; Currency and Decimal as plain decimals ("3.5000"); dates as
// "yyyy-MM-ddTHH:mm[:ss[.fff]]"; text, memo and GUID as strings (non-ASCII as \u escapes); binary
// and OLE as "hex:" and the bytes in hex; Null as null.
//
// CSV: a header line of column names, then one line per row, like the common exporters: text,
// memo, dates, GUIDs and binary values in double quotes (quotes doubled, binary bytes as they are),
// numbers and Yes/No (1/0) bare, Null empty; dates as "yyyy-MM-dd HH:mm:ss"; Single and Double as
// the shortest decimal that reads back exactly, without exponent.
//
// A damaged file is dumped as far as it can be read: rows that cannot be read, and pages of a
// table that cannot be read as its data pages (table.h, unreadablePages), are left out and counted.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace jet {

// What a dump left out of a damaged file; nothing for a sound one.
struct DumpGaps {
  std::int64_t rows = 0;   // rows that could not be read
  std::int64_t pages = 0;  // pages whose rows could not be read at all
  bool any() const { return rows != 0 || pages != 0; }
  DumpGaps& operator+=(const DumpGaps& o) {
    rows += o.rows;
    pages += o.pages;
    return *this;
  }
};

// The user tables named (all when empty) as one JSON document. Throws Error(MissingTable).
DumpGaps dumpJson(Database& db, const std::vector<std::string>& tables, std::ostream& out);
// One table as CSV. Throws Error(MissingTable).
DumpGaps dumpCsv(Database& db, const std::string& table, std::ostream& out);

// The JSON text of one value of a column of the given type.
std::string jsonValue(const Value& value, ColumnType type);
// A string as a JSON string literal, non-ASCII characters as \u escapes.
std::string jsonString(const std::string& utf8);

}  // namespace jet
