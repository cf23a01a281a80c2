#pragma once
// What a caller's value becomes when it is written to a column: the conversions a desktop
// database does on assignment, and a refusal (Error(ValueRejected)) for anything the column cannot
// hold. Nothing is written before a value passes.
//
//   Yes/No      bool; any number (non-zero = Yes); text "True"/"False"/"Yes"/"No"/"On"/"Off"/"-1"/"0";
//               Null = No (Yes/No columns are never Null)
//   Byte, Integer, Long
//               any number within the type's range; fractions are rounded to the nearest integer,
//               halves to even, as Access rounds; text that is exactly a decimal number
//   Currency    any number within range, rounded to 1/10000; text that is a decimal number
//   Single      any finite number; a Double is rounded to the nearest Single (too large: refused)
//   Double      any finite number; text that is exactly a decimal number
//   Date/Time   a date-time; a number (days since 1899-12-30); text in the unambiguous forms
//               "dd-mmm-yyyy" ("05-Mar-2004", English month names, abbreviated or full, any case),
//               "yyyy-mm-dd", each optionally followed by " hh:mm[:ss]" (or "Thh:mm[:ss]" after
//               the ISO form). Text with localized month names is the caller's to convert.
//   Text, Memo  text; numbers as their shortest decimal text; Text: at most the column's size in
//               characters; Jet 3: only characters of the database's code page
//   Binary, OLE bytes; Binary at most the column's size
//   Replication ID  a GUID, or text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   Decimal     a Decimal, an integer, or text that is a decimal number, within the precision
// Null is accepted for every column (Required columns are refused at update, not here).

#include <string>

#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

// The value as the column stores it (of the kind sort_key.h lists for the column type).
// Throws Error(ValueRejected) with a message naming table, column and value.
// codePage: the database's code page (Jet 3 text); version: the file's Jet version.
Value convertForColumn(const StoredColumn& column, const Value& value, const std::string& table,
                       Format version, std::uint16_t codePage);

// Text to a date-time in the forms listed above; false when the text is not such a date.
bool parseDateText(const std::string& text, DateTime& out);

// A value as messages show it: text quoted, numbers plain, bytes as their count.
std::string describeValue(const Value& value);

}  // namespace jet
