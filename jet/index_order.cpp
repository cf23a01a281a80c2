// Placeholder until the index reader provides index orders (it replaces this file).

#include "jet/error.h"
#include "jet/row_order.h"
#include "jet/table_definition.h"

namespace jet {

std::unique_ptr<RowOrder> makeIndexOrder(detail::TableCursor&, const LogicalIndex& index) {
  throw Error(ErrorCode::Unsupported, "walking index " + index.name + " is not available yet");
}

}  // namespace jet
