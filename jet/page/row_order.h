#pragma once
// The order a table cursor walks its rows in: physical order (data pages by page number, rows by
// row number) or the order of an index. The cursor keeps eof/bof and the current row's values; a
// RowOrder only says which row comes next.
//
// A RowOrder has a position of its own: before the first row, on a row, or after the last. Moves
// return the row now current, or nullopt when the move went past either end.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/value.h"

namespace jet {

struct LogicalIndex;
namespace detail {
class TableCursor;
}

class RowOrder {
 public:
  virtual ~RowOrder() = default;
  virtual std::optional<RowLocation> first() = 0;
  virtual std::optional<RowLocation> last() = 0;
  // From before the first row, next() gives the first; from after the last, previous() the last.
  virtual std::optional<RowLocation> next() = 0;
  virtual std::optional<RowLocation> previous() = 0;
  // Makes the given row current (bookmarks); false when the row is not in this order.
  virtual bool moveTo(RowLocation row) = 0;
  // "=" seek on the order's key: stands on the first row whose leading key columns equal key and
  // returns it; nullopt when no row matches. Orders without a key throw Error(Unsupported).
  virtual std::optional<RowLocation> seek(const std::vector<Value>& key);
  // The file's pages changed (rows were written): re-read what the order keeps, and keep the
  // position. When the current row is gone, the position is between its neighbours: next() gives
  // the row after it, previous() the row before it.
  virtual void refresh() = 0;
  // Pages of the table the moves have passed over because they could not be read (damage); their
  // rows are missing from the order.
  virtual std::int64_t unreadablePages() const { return 0; }
};

// The order of the given index of the cursor's table. Implemented by the index reader; throws
// Error(Unsupported) while the engine has none.
std::unique_ptr<RowOrder> makeIndexOrder(detail::TableCursor& cursor, const LogicalIndex& index);

}  // namespace jet
