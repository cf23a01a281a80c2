#pragma once
// Physical order: the table's data pages (from its owned-pages usage map) in page-number order,
// rows in row-number order, deleted rows and the targets of overflow pointers skipped (the row
// pointing to an overflow target stands for it). Pages of the map that cannot be read as data pages
// of the table (past the end of the file, another kind of page or another table's, a row table that
// does not fit) are passed over and counted (unreadablePages), as are the pages of a bitmap of the
// map that cannot be read: the walk keeps every row it can read.

#include <cstdint>
#include <set>
#include <vector>

#include "jet/file/page_file.h"
#include "jet/page/row_order.h"
#include "jet/tdef/table_definition.h"

namespace jet {

class PhysicalOrder final : public RowOrder {
 public:
  // The file and definition must outlive the order.
  PhysicalOrder(PageFile& file, const StoredTableDefinition& definition);

  std::optional<RowLocation> first() override;
  std::optional<RowLocation> last() override;
  std::optional<RowLocation> next() override;
  std::optional<RowLocation> previous() override;
  bool moveTo(RowLocation row) override;
  void refresh() override;

  // The pages the scan visits (the usage map read afresh).
  const std::vector<std::uint32_t>& pages();

  // The pages passed over so far, each counted once: those the walks met (above) and, from the
  // map as last read, the pages it lists past the end of the file and its unreadable bitmaps.
  std::int64_t unreadablePages() const override;

 private:
  struct TablePage {
    PageRef page;
    std::uint16_t rows = 0;
    explicit operator bool() const { return page != nullptr; }
  };
  // Between: just before row row_ of page pages_[pageIndex_] (the row that was current is gone).
  enum class State { BeforeFirst, OnRow, Between, AfterLast };
  // The page at pages_[index] and its row count if it is a readable data page of this table; else
  // none, and the page is counted as unreadable.
  TablePage tablePage(std::size_t index);
  bool isLiveRow(const Page& page, std::uint16_t row) const;
  std::optional<RowLocation> scanForward(std::size_t pageIndex, int row);
  std::optional<RowLocation> scanBackward(std::size_t pageIndex, int row);
  void loadPages();
  // Reads the page list again and finds the position in it, when the file changed since.
  void catchUp();

  PageFile* file_;
  const StoredTableDefinition* definition_;
  std::vector<std::uint32_t> pages_;
  bool loaded_ = false;
  bool stale_ = false;  // the file changed since the page list was read
  State state_ = State::BeforeFirst;
  std::size_t pageIndex_ = 0;
  std::uint16_t row_ = 0;
  std::set<std::uint32_t> unreadable_;
  std::int64_t unreadableInMap_ = 0;
};

}  // namespace jet
