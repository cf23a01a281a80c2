#pragma once
// The database header (page 0): which Jet version the file is, its page size, and the settings kept
// in the masked region of the header (code page, sort order, database key).

#include <cstdint>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/value.h"

namespace jet {

struct DatabaseHeader {
  Format version = Format::Jet4;
  std::uint32_t pageSize = 4096;
  std::uint16_t codePage = 1252;       // Jet 3 text encoding (0 in the file reads as 1252)
  std::uint16_t sortOrder = format::header::kGeneralSortOrder;  // collation of text indexes
  std::uint8_t sortOrderVersion = 0;   // Jet 4: version byte of the collation
  std::uint32_t databaseKey = 0;       // non-zero: pages 1.. are RC4-encoded with a per-page key
};

// Reads the header from the first bytes of a file (at least 0x100 of them; a whole page is best).
// Throws Error(NotAccessFile) when they are not a Jet 3 / Jet 4 header, Error(Unsupported) for the
// later Access formats (2007 and on) and for a Jet 3 code page this engine cannot convert.
DatabaseHeader readDatabaseHeader(ByteSpan firstBytes);

// The header page of a new database as Access writes it: the version, the code page (Jet 3 text),
// the General sort order, database key 0, no password and the creation date (Jet 4), with the
// header mask applied. REQUIRES: a code page isSupportedCodePage() accepts (Error(Unsupported)).
std::vector<std::uint8_t> encodeDatabaseHeader(Format version, std::uint16_t codePage, DateTime created);

// Undoes the header mask on a copy of page 0 (the region that readDatabaseHeader decodes).
void unmaskHeader(std::vector<std::uint8_t>& page0, const format::Layout& layout);

}  // namespace jet
