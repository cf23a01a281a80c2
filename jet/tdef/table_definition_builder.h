#pragma once
// Writing a table definition (TDEF pages): the reverse of readTableDefinition. The definition's
// bytes are built whole (the "joined" form readTableDefinition reads: the first page with its
// header, then what continuation pages hold after their 8-byte header) and then cut into pages,
// each filled to its end before the next one starts.
//
// Entries are written in the order Access writes them: columns by column number (the system
// tables of Jet 4 list theirs by name), logical indexes and the long-value columns' usage maps by
// name. Fields no reader uses are filled as Access fills them.

#include <cstdint>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/tdef/table_definition.h"

namespace jet {

// The definition's joined bytes. Uses every field of def except name, firstPage and pages; text
// names of a Jet 3 database are written in codePage, which also goes into every Jet 3 column
// entry. Throws Error(ValueRejected) when a name cannot be written (a character the code page
// lacks) and Error(InvalidState) for a definition that breaks the format's limits (counts, index
// key columns).
std::vector<std::uint8_t> encodeTableDefinition(const StoredTableDefinition& def, std::uint16_t codePage);

// How many TDEF pages joined bytes of this length take.
std::size_t definitionPageCount(std::size_t joinedLength, const format::Layout& layout);

// The TDEF pages of joined definition bytes, the i-th to be stored at pageNumbers[i] (for the
// links from each page to the next). REQUIRES: pageNumbers.size() ==
// definitionPageCount(joined.size()) (Error(InvalidState) otherwise).
std::vector<std::vector<std::uint8_t>> splitDefinitionPages(ByteSpan joined,
                                                            const std::vector<std::uint32_t>& pageNumbers,
                                                            const format::Layout& layout);

}  // namespace jet
