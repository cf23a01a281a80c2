#include "jet/page/physical_order.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/page/usage_map.h"

namespace jet {

std::optional<RowLocation> RowOrder::seek(const std::vector<Value>&) {
  throw Error(ErrorCode::Unsupported, "seek needs an index; none is selected");
}

PhysicalOrder::PhysicalOrder(PageFile& file, const StoredTableDefinition& definition)
    : file_(&file), definition_(&definition) {}

void PhysicalOrder::loadPages() {
  UsageMapPages map = readUsageMap(*file_, definition_->ownedPagesMap, UsageMapRead::PassOver);
  pages_ = std::move(map.pages);
  unreadableInMap_ = static_cast<std::int64_t>(map.beyondEnd) + map.unreadableBitmaps;
  loaded_ = true;
}

std::int64_t PhysicalOrder::unreadablePages() const {
  return static_cast<std::int64_t>(unreadable_.size()) + unreadableInMap_;
}

const std::vector<std::uint32_t>& PhysicalOrder::pages() {
  loadPages();
  return pages_;
}

PhysicalOrder::TablePage PhysicalOrder::tablePage(std::size_t index) {
  PageRef page = file_->page(pages_[index]);
  if (page->type() == format::page_type::kData && dataPageOwner(*page, file_->layout()) == definition_->firstPage) {
    try {
      return {page, dataRowCount(*page, file_->layout())};
    } catch (const Error&) {
      // the row table does not fit in the page
    }
  }
  unreadable_.insert(pages_[index]);
  return {};
}

bool PhysicalOrder::isLiveRow(const Page& page, std::uint16_t row) const {
  std::uint16_t raw = bytes::u16(page.bytes(), file_->layout().dataRowTableOffset + 2u * row);
  return (raw & format::row_entry::kDeleted) == 0;
}

std::optional<RowLocation> PhysicalOrder::scanForward(std::size_t pageIndex, int row) {
  for (; pageIndex < pages_.size(); ++pageIndex, row = 0) {
    TablePage page = tablePage(pageIndex);
    if (!page) continue;
    for (; row < page.rows; ++row) {
      if (!isLiveRow(*page.page, static_cast<std::uint16_t>(row))) continue;
      state_ = State::OnRow;
      pageIndex_ = pageIndex;
      row_ = static_cast<std::uint16_t>(row);
      return RowLocation{pages_[pageIndex], row_};
    }
  }
  state_ = State::AfterLast;
  return std::nullopt;
}

std::optional<RowLocation> PhysicalOrder::scanBackward(std::size_t pageIndex, int row) {
  // row < 0 means: from the last row of the page.
  for (std::size_t i = pageIndex + 1; i-- > 0; row = -1) {
    TablePage page = tablePage(i);
    if (!page) continue;
    int count = page.rows;
    if (row < 0 || row >= count) row = count - 1;
    for (; row >= 0; --row) {
      if (!isLiveRow(*page.page, static_cast<std::uint16_t>(row))) continue;
      state_ = State::OnRow;
      pageIndex_ = i;
      row_ = static_cast<std::uint16_t>(row);
      return RowLocation{pages_[i], row_};
    }
  }
  state_ = State::BeforeFirst;
  return std::nullopt;
}

std::optional<RowLocation> PhysicalOrder::first() {
  stale_ = false;
  loadPages();
  return scanForward(0, 0);
}

std::optional<RowLocation> PhysicalOrder::last() {
  stale_ = false;
  loadPages();
  if (pages_.empty()) {
    state_ = State::BeforeFirst;
    return std::nullopt;
  }
  return scanBackward(pages_.size() - 1, -1);
}

std::optional<RowLocation> PhysicalOrder::next() {
  catchUp();
  switch (state_) {
    case State::BeforeFirst: return first();
    case State::AfterLast: return std::nullopt;
    case State::Between: return scanForward(pageIndex_, row_);
    case State::OnRow: break;
  }
  return scanForward(pageIndex_, row_ + 1);
}

std::optional<RowLocation> PhysicalOrder::previous() {
  catchUp();
  switch (state_) {
    case State::AfterLast: return last();
    case State::BeforeFirst: return std::nullopt;
    case State::Between:
    case State::OnRow: break;
  }
  if (row_ == 0) {
    if (pageIndex_ == 0) {
      state_ = State::BeforeFirst;
      return std::nullopt;
    }
    return scanBackward(pageIndex_ - 1, -1);
  }
  return scanBackward(pageIndex_, row_ - 1);
}

void PhysicalOrder::refresh() { stale_ = loaded_; }

void PhysicalOrder::catchUp() {
  if (!stale_) return;
  stale_ = false;
  bool onRow = state_ == State::OnRow || state_ == State::Between;
  RowLocation at{onRow && pageIndex_ < pages_.size() ? pages_[pageIndex_] : 0, row_};
  loadPages();
  if (!onRow) return;
  auto it = std::lower_bound(pages_.begin(), pages_.end(), at.page);
  pageIndex_ = static_cast<std::size_t>(it - pages_.begin());
  if (it == pages_.end()) {
    state_ = pages_.empty() ? State::BeforeFirst : State::Between;
    row_ = 0;
    return;
  }
  if (*it != at.page) {
    state_ = State::Between;  // the page left the table: continue at the start of the next one
    row_ = 0;
    return;
  }
  TablePage page = tablePage(pageIndex_);
  bool live = page && at.row < page.rows && isLiveRow(*page.page, at.row);
  if (state_ == State::OnRow && !live) state_ = State::Between, row_ = static_cast<std::uint16_t>(at.row + 1);
}

bool PhysicalOrder::moveTo(RowLocation row) {
  // A stale page list serves while it has the row's page (the next move catches up from there).
  if (!loaded_) loadPages();
  auto it = std::lower_bound(pages_.begin(), pages_.end(), row.page);
  if (it == pages_.end() || *it != row.page) {
    // A page the table took since the list was read (rows were added): when it is one of the
    // table's data pages it joins the list, and the next move reads the whole list again.
    if (row.page >= file_->pageCount()) return false;
    PageRef added = file_->page(row.page);
    if (added->type() != format::page_type::kData || dataPageOwner(*added, file_->layout()) != definition_->firstPage)
      return false;
    it = pages_.insert(it, row.page);
    stale_ = true;
  }
  std::size_t index = static_cast<std::size_t>(it - pages_.begin());
  TablePage page = tablePage(index);
  if (!page || row.row >= page.rows || !isLiveRow(*page.page, row.row)) return false;
  state_ = State::OnRow;
  pageIndex_ = index;
  row_ = row.row;
  return true;
}

}  // namespace jet
