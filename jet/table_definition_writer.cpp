#include "jet/table_definition_writer.h"

#include <map>
#include <vector>

#include "jet/error.h"
#include "jet/page_file.h"

namespace jet {

void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::size_t offset, ByteSpan data) {
  const std::size_t pageSize = file.pageSize();
  const std::size_t perContinuation = pageSize - format::kTdefContinuationOffset;
  // Each byte's page and offset in it; bytes of one page are written together.
  std::map<std::uint32_t, std::vector<std::uint8_t>> changed;
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::size_t at = offset + i;
    std::size_t pageIndex = 0;
    std::size_t inPage = at;
    if (at >= pageSize) {
      pageIndex = 1 + (at - pageSize) / perContinuation;
      inPage = format::kTdefContinuationOffset + (at - pageSize) % perContinuation;
    }
    if (pageIndex >= table.pages.size())
      throw Error(ErrorCode::InvalidState, "a write past the end of the definition of table " + table.name);
    std::uint32_t page = table.pages[pageIndex];
    if (!changed.count(page) && file.page(page)->bytes()[inPage] == data[i]) continue;  // already so
    auto [it, fresh] = changed.try_emplace(page);
    if (fresh) it->second = file.copyPage(page);
    it->second[inPage] = data[i];
  }
  for (auto& [page, bytes] : changed) file.writePage(page, std::move(bytes));
}

void writeRowCounts(PageFile& file, const StoredTableDefinition& table) {
  const format::Layout& layout = file.layout();
  // Both fields lie on the first TDEF page.
  std::vector<std::uint8_t> page = file.copyPage(table.firstPage);
  bytes::put32(page, layout.tdefRowCountOffset, table.rowCount);
  bytes::put32(page, layout.tdefAutoNumberOffset, table.nextAutoNumber);
  file.writePage(table.firstPage, std::move(page));
}

void writeIndexRoot(PageFile& file, const StoredTableDefinition& table, const RealIndex& index) {
  const format::Layout& layout = file.layout();
  std::uint8_t root[4], count[4];
  bytes::put32(root, 0, index.firstPage);
  bytes::put32(count, 0, index.rowCountHint);
  writeDefinitionBytes(file, table, index.entryOffset + layout.realIndexFirstPageOffset, root);
  writeDefinitionBytes(file, table, index.countEntryOffset + 4, count);
}

}  // namespace jet
