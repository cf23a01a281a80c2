// Fuzzes the index reader and the index checks: the input becomes the index pages of an in-memory
// database (first byte: format and the root page), which is walked both ways, sought into and
// checked. Any outcome but jet::Error (a crash, a hang, a sanitizer report) is a fault.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "jet/database_header.h"
#include "jet/error.h"
#include "jet/index_check.h"
#include "jet/index_reader.h"
#include "jet/page_file.h"
#include "jet/storage.h"

namespace {

std::vector<std::uint8_t> databaseOf(const std::uint8_t* data, std::size_t size, jet::format::Version version) {
  const jet::format::Layout& layout = jet::format::layout(version);
  std::vector<std::uint8_t> file(layout.pageSize * 3, 0);
  std::memcpy(file.data() + jet::format::header::kMagicOffset, jet::format::header::kMagic,
              jet::format::header::kMagicLength);
  file[jet::format::header::kVersionOffset] = version == jet::format::Version::Jet3 ? 0 : 1;
  std::vector<std::uint8_t> header(file.begin(), file.begin() + layout.pageSize);
  jet::unmaskHeader(header, layout);
  std::copy(header.begin(), header.end(), file.begin());
  file[2 * layout.pageSize] = jet::format::page_type::kTableDefinition;
  // The input fills pages 3.. (the last one padded with zeros).
  std::size_t pages = (size + layout.pageSize - 1) / layout.pageSize;
  file.resize(file.size() + pages * layout.pageSize, 0);
  std::memcpy(file.data() + 3 * layout.pageSize, data, size);
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  auto version = (data[0] & 1) ? jet::format::Version::Jet4 : jet::format::Version::Jet3;
  std::uint32_t root = 3 + (data[0] >> 1);
  try {
    jet::PageFile file(std::make_unique<jet::MemoryStorage>(databaseOf(data + 1, size - 1, version)));
    jet::IndexReader reader(file, root, 2);
    try {
      for (bool ok = reader.first(); ok; ok = reader.next()) {
      }
    } catch (const jet::Error&) {
    }
    try {
      for (bool ok = reader.last(); ok; ok = reader.previous()) {
      }
    } catch (const jet::Error&) {
    }
    try {
      reader.seek(jet::Bytes{0x7F, 0x80, 0x00});
      reader.seek(jet::Bytes{0x7F, 0x80, 0x00}, jet::RowLocation{5, 1});
    } catch (const jet::Error&) {
    }
    jet::StoredTableDefinition table;
    table.name = "fuzz";
    table.firstPage = 2;
    jet::StoredColumn column{};
    column.name = "n";
    column.type = jet::ColumnType::Long;
    table.columns = {column};
    jet::RealIndex index;
    index.columns = {{0, false}};
    index.firstPage = root;
    table.realIndexes = {index};
    std::vector<jet::Problem> problems;
    jet::checkIndexes(file, table, {{jet::RowLocation{5, 1}, {jet::Value(std::int32_t{7})}}}, problems);
  } catch (const jet::Error&) {
  }
  return 0;
}
