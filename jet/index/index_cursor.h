#pragma once
// The order of one named index over a table's rows, as a table cursor walks it: moves in key order
// and "=" seeks on the leading key columns. It yields the rows' ids; reading the rows is the table
// cursor's business.
//
// Writes through any cursor of the database may change the index under a standing position: a
// move after the file changed first finds the current entry again by its key and row, so moves
// always go on through the index as it is now (from where the entry is, or would be when it was
// removed).

#include <optional>
#include <string>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_reader.h"
#include "jet/tdef/table_definition.h"

namespace jet {

class PageFile;

class IndexCursor {
 public:
  // The cursor over logical index `index` of the table. Throws Error(Damaged) when the index's
  // definition does not fit the table. The PageFile must outlive the cursor.
  IndexCursor(PageFile& pages, const StoredTableDefinition& table, const LogicalIndex& index);

  const std::string& name() const { return name_; }
  const IndexKeyEncoder& keys() const { return keys_; }

  // The row of the first, last, next or previous entry; empty past either end (next/previous
  // from past an end stay there).
  std::optional<RowLocation> first();
  std::optional<RowLocation> last();
  std::optional<RowLocation> next();
  std::optional<RowLocation> previous();
  // "=" seek: the row of the first entry in index order whose leading key columns equal values
  // (text without regard to letter case); empty when there is none. Afterwards the position is
  // that entry, or undefined (next/previous give empty) when nothing matched.
  // REQUIRES: 1 <= values.size() <= number of key columns.
  std::optional<RowLocation> seek(const std::vector<Value>& values);
  // Stands on the entry of the given row, whose key is key (from keys().rowKey). False when the
  // index has no such entry (the position is then undefined).
  bool positionAt(const Bytes& key, RowLocation row);
  // The current entry's row, if any.
  std::optional<RowLocation> current() const;
  // The current entry's key and row, if any.
  std::optional<std::pair<Bytes, RowLocation>> currentEntry() const;

  // Where resume() left the cursor.
  enum class Resume { Exact, After, End };
  // Stands on the entry (key, row) when the index has it (Exact), else on the first entry after it
  // (After), else nowhere (End). For picking up a walk after the index changed.
  Resume resume(const Bytes& key, RowLocation row);

  // Forgets position and decoded pages, after the file's pages changed.
  void reset() { reader_.reset(); }

 private:
  std::optional<RowLocation> rowIf(bool ok) const;
  // The position as it stands: from now on, a change of the file means it must be found again.
  void settled();
  // After the file changed, the reader's position is found again by its entry's key and row.
  // Returns true when that entry is still there (the reader stands on it); otherwise the reader
  // stands on the first entry after it (or is invalid when there is none).
  bool refind();

  PageFile& pages_;
  std::uint64_t seenChanges_ = 0;
  std::string name_;
  IndexKeyEncoder keys_;
  IndexReader reader_;
};

}  // namespace jet
