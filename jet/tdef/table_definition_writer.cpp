#include "jet/tdef/table_definition_writer.h"

#include <array>
#include <map>
#include <vector>

#include "jet/error.h"
#include "jet/file/page_file.h"

namespace jet {

void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::span<const DefinitionBytes> pieces) {
  const std::size_t pageSize = file.pageSize();
  const std::size_t perContinuation = pageSize - format::kTdefContinuationOffset;
  // Each byte's page and offset in it; bytes of one page are written together.
  std::map<std::uint32_t, std::vector<std::uint8_t>> changed;
  for (const DefinitionBytes& piece : pieces) {
    for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
      std::size_t at = piece.offset + i;
      std::size_t pageIndex = 0;
      std::size_t inPage = at;
      if (at >= pageSize) {
        pageIndex = 1 + (at - pageSize) / perContinuation;
        inPage = format::kTdefContinuationOffset + (at - pageSize) % perContinuation;
      }
      if (pageIndex >= table.pages.size())
        throw Error(ErrorCode::InvalidState, "a write past the end of the definition of table " + table.name);
      std::uint32_t page = table.pages[pageIndex];
      auto it = changed.find(page);
      if (it == changed.end()) {
        if (file.page(page)->bytes()[inPage] == piece.bytes[i]) continue;  // already so
        it = changed.emplace(page, file.copyPage(page)).first;
      }
      it->second[inPage] = piece.bytes[i];
    }
  }
  for (auto& [page, bytes] : changed) file.writePage(page, std::move(bytes));
}

void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::size_t offset, ByteSpan data) {
  DefinitionBytes piece{offset, data};
  writeDefinitionBytes(file, table, std::span<const DefinitionBytes>(&piece, 1));
}

void writeRowCounts(PageFile& file, const StoredTableDefinition& table) {
  const format::Layout& layout = file.layout();
  // Both fields lie on the first TDEF page.
  file.modifyPage(table.firstPage, [&](auto& page) {
    bytes::put32(page, layout.tdefRowCountOffset, table.rowCount);
    bytes::put32(page, layout.tdefAutoNumberOffset, table.nextAutoNumber);
  });
}

namespace {

// The pieces of each index tree's root page and row count; values holds their bytes.
void addIndexRootPieces(const format::Layout& layout, std::span<const RealIndex* const> indexes,
                        std::vector<std::array<std::uint8_t, 8>>& values, std::vector<DefinitionBytes>& pieces) {
  values.resize(indexes.size());  // root, then count
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    bytes::put32(values[i], 0, indexes[i]->firstPage);
    bytes::put32(values[i], 4, indexes[i]->rowCountHint);
    pieces.push_back({indexes[i]->entryOffset + layout.realIndexFirstPageOffset, ByteSpan(values[i].data(), 4)});
    pieces.push_back({indexes[i]->countEntryOffset + 4, ByteSpan(values[i].data() + 4, 4)});
  }
}

}  // namespace

void writeIndexRoots(PageFile& file, const StoredTableDefinition& table, std::span<const RealIndex* const> indexes) {
  std::vector<std::array<std::uint8_t, 8>> values;
  std::vector<DefinitionBytes> pieces;
  pieces.reserve(2 * indexes.size());
  addIndexRootPieces(file.layout(), indexes, values, pieces);
  writeDefinitionBytes(file, table, pieces);
}

void writeRowCounts(PageFile& file, const StoredTableDefinition& table, std::span<const RealIndex* const> indexes) {
  const format::Layout& layout = file.layout();
  std::array<std::uint8_t, 8> counts{};
  bytes::put32(counts, 0, table.rowCount);
  bytes::put32(counts, 4, table.nextAutoNumber);
  std::vector<std::array<std::uint8_t, 8>> values;
  std::vector<DefinitionBytes> pieces;
  pieces.reserve(2 + 2 * indexes.size());
  pieces.push_back({layout.tdefRowCountOffset, ByteSpan(counts.data(), 4)});
  pieces.push_back({layout.tdefAutoNumberOffset, ByteSpan(counts.data() + 4, 4)});
  addIndexRootPieces(layout, indexes, values, pieces);
  writeDefinitionBytes(file, table, pieces);
}

void writeIndexRoot(PageFile& file, const StoredTableDefinition& table, const RealIndex& index) {
  const RealIndex* one = &index;
  writeIndexRoots(file, table, std::span<const RealIndex* const>(&one, 1));
}

}  // namespace jet
