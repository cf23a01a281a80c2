#pragma once
// Storing long values (Memo and OLE data): inline after the 12-byte field when short (at most 64
// bytes) and the row has room, as one row of an LVAL page when it fits in one, otherwise as a
// chain of LVAL rows, each starting with the row pointer of the next (0 in the last). And freeing
// them again when a row is edited or deleted.
//
// LVAL pages of a column that has its own usage maps (Jet 4 files list them in the table
// definition) are kept in those maps: owned pages, and pages with free space. Columns without maps
// share one LVAL page at a time per writer.

#include <cstdint>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

class PageFile;
class PageAllocator;

class LongValueWriter {
 public:
  LongValueWriter(PageFile& file, PageAllocator& allocator);

  // Stores data and returns the column's bytes for the row: the field, and the data when inline.
  // maps: the column's usage maps, or nullptr. roomInRow: bytes the row can still give the column.
  Bytes write(ByteSpan data, const ColumnUsageMaps* maps, std::size_t roomInRow);
  // Frees the LVAL rows a stored field points to (nothing for inline values); pages left without
  // rows are given back. Throws Error(Damaged) when the chain is broken.
  void free(ByteSpan field, const ColumnUsageMaps* maps);

  // The most bytes of a value stored in one LVAL row (the data of a single-row value; a chain row
  // holds 4 bytes fewer).
  std::size_t maxRowData() const;

  // Forgets the LVAL pages it remembers (after a rollback).
  void reset() {
    sharedPage_ = 0;
    roomy_.clear();
  }

 private:
  // Places one LVAL row and returns its row pointer.
  std::uint32_t place(ByteSpan row, const ColumnUsageMaps* maps);
  std::uint32_t pageWithRoom(std::size_t size, const ColumnUsageMaps* maps);

  PageFile& file_;
  PageAllocator& allocator_;
  std::uint32_t sharedPage_ = 0;  // LVAL page for columns without maps
  std::vector<std::uint32_t> roomy_;  // LVAL pages of columns without maps that rows were freed on
};

}  // namespace jet
