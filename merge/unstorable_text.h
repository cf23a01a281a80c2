#pragma once
// Text of a driver that the NEW database cannot store. An Access 97 (Jet 3) file keeps its text in
// one code page (1252 for Western European files), so a character an Access 2000 (Jet 4) OLD file
// holds outside it, a Greek "Ω" or a CJK "日", has no byte there. The engine refuses such text and
// never stores a stand-in; the merge looks at every text a driver would write before it writes
// anything of it, and leaves the driver out whole when one of them does not fit, saying which
// field and which characters.
//
// Why leave it out rather than store a substitute: a changed model or company name would no longer
// be the old one, so every later merge would find no match and add the driver again; a changed
// description or part number would pass for the maker's own. Left out, the new database holds
// nothing false, the problem names what to change, and once the old text is changed (or the new
// database is an Access 2000 file) the next merge writes the driver as usual.

#include <string>
#include <vector>

#include "common/user_locale.h"
#include "db/code_tables.h"
#include "db/database_state.h"
#include "db/working_driver.h"

namespace qbm {

struct UnstorableText {
  bool company = false;       // a field of the driver's company row, not of its own row
  std::string field;          // "Notes", "PartNo3" …
  std::u32string characters;  // those the field cannot store, each once, in the order they come
};

// REQUIRES: the new side is open.
// The texts WriteDriver would write for the driver into its table ("Model" from CurrentModel, the
// descriptions, "Notes", the part numbers, and "Date" where the table keeps it as text) and, with
// withCompany, those CopyCompany would write into "companies", that hold characters the column
// cannot store; in that order, empty when everything fits. Fields a table lacks are the writers'
// to report.
std::vector<UnstorableText> UnstorableDriverTexts(const WorkingDriver& driver, DriverTable kind,
                                                  bool withCompany, DatabaseState& db,
                                                  const UserLocale& locale);

// The write problem of a driver left out for the text:
// not written: its "Notes" holds "Ω" (U+03A9), which the new database (code page 1252) cannot store
std::string UnstorableTextProblem(const UnstorableText& text, std::uint16_t codePage);

}  // namespace qbm
