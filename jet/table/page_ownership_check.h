#pragma once
// Integrity checks of page ownership across the whole file: every page belongs to one thing (the
// header, a table definition, a table's rows, an index tree, a long value, a usage map) or is
// listed free, never to two things, and never both; no page in use lies outside the map of free
// pages (free_page_map.h: other writers take such pages as free); the usage maps agree with what
// the pages are; long values are whole and each LVAL row is referenced once.
//
// Files written by Access can hold pages that nothing uses and the free-page map does not list
// (space Access never handed back: long values of deleted rows, definitions of dropped tables).
// They are not reported; unusedPages() lists them, so that a writer can be held to leaving no more
// of them than it found.

#include <vector>

#include "jet/table/catalog.h"
#include "jet/check.h"
#include "jet/tdef/table_definition.h"

namespace jet {

class PageFile;

// Appends what is wrong to problems. tables: the definitions of the catalog's tables (those that
// could be read). Never throws for damage: damage is reported.
void checkPageOwnership(PageFile& file, const std::vector<const StoredTableDefinition*>& tables,
                        std::vector<Problem>& problems);

// Which pages something uses (index = page number; the vector has one entry per page of the file):
// the header, page 1, table definitions, the pages in the tables' page maps, index trees, long
// values and the pages of usage maps. Reads every row of the tables with memo or OLE columns.
std::vector<bool> ownedPages(PageFile& file, const std::vector<const StoredTableDefinition*>& tables);

// The pages that nothing uses, that are not listed free and that are not empty (long-value pages
// included), ascending.
std::vector<std::uint32_t> unusedPages(PageFile& file, const std::vector<const StoredTableDefinition*>& tables);

}  // namespace jet
