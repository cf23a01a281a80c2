// Files that are not sound databases: each gives a typed jet::Error (NotAccessFile, Damaged or
// Unsupported), never a crash, a hang or an unbounded allocation. The damaged copies are made in
// memory from the shared files, at structures found through the engine's own reading.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "jet/check.h"
#include "jet/page/data_page.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/page/long_value.h"
#include "jet/table/row_reader.h"
#include "jet/page/usage_map.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sharedBytes(const std::string& relative) {
  std::ifstream in(qbm::test::sharedDir() / relative, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Opens the bytes and reads everything the engine can read: every table, row and value, then the
// integrity check. Throws what the engine throws.
std::vector<jet::Problem> readEverything(Bytes bytes) {
  jet::Database db = jet::Database::openMemory(std::move(bytes));
  for (const std::string& name : db.tableNames()) {
    jet::Table t = db.table(name);
    for (t.moveFirst(); !t.eof(); t.moveNext())
      for (std::size_t c = 0; c < t.columns().size(); ++c) t.get(static_cast<int>(c));
  }
  return jet::check(db);
}

// The code of the jet::Error that reading the bytes gives; fails the test for any other exception.
std::optional<jet::ErrorCode> failureOf(Bytes bytes) {
  try {
    readEverything(std::move(bytes));
    return std::nullopt;
  } catch (const jet::Error& e) {
    return e.code();
  }
}

std::string messageOf(Bytes bytes) {
  try {
    readEverything(std::move(bytes));
  } catch (const jet::Error& e) {
    return e.what();
  }
  return "";
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  put16(b, at, static_cast<std::uint16_t>(v));
  put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// Where things are in a pristine file, found by reading it.
struct Landmarks {
  std::uint32_t pageSize = 0;
  std::shared_ptr<const jet::StoredTableDefinition> table;
  std::uint32_t firstDataPage = 0;
  jet::format::Layout layout = jet::format::kJet4;

  Landmarks(const Bytes& bytes, const std::string& tableName) {
    jet::Database db = jet::Database::openMemory(bytes);
    jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
    pageSize = core.file().pageSize();
    layout = core.file().layout();
    table = core.definition(*core.findTable(tableName));
    firstDataPage = jet::readUsageMap(core.file(), table->ownedPagesMap).pages.at(0);
  }
  std::size_t at(std::uint32_t page, std::size_t offset = 0) const { return std::size_t{page} * pageSize + offset; }
  std::size_t rowEntry(std::uint32_t page, int row) const { return at(page, layout.dataRowTableOffset + 2 * row); }
};

TEST(HostileFile, BytesThatAreNoDatabaseAtAll) {
  EXPECT_EQ(jet::ErrorCode::NotAccessFile, failureOf({}));
  EXPECT_EQ(jet::ErrorCode::NotAccessFile, failureOf(Bytes(100, 0)));
  EXPECT_EQ(jet::ErrorCode::NotAccessFile, failureOf(Bytes(8192, 0)));
  std::mt19937 random(7);
  Bytes noise(16384);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  EXPECT_EQ(jet::ErrorCode::NotAccessFile, failureOf(noise));
  std::string text = "Standard Jet DB, but only as text\n";
  EXPECT_EQ(jet::ErrorCode::NotAccessFile, failureOf(Bytes(text.begin(), text.end())));
}

TEST(HostileFile, LaterFormatsAreNamedUnsupported) {
  QBM_REQUIRE_SHARED();
  Bytes bytes = sharedBytes("interop/testV2000.mdb");
  bytes[0x14] = 0x02;  // Access 2007
  EXPECT_EQ(jet::ErrorCode::Unsupported, failureOf(bytes));
}

TEST(HostileFile, TruncatedFiles) {
  QBM_REQUIRE_SHARED();
  for (const char* name : {"interop/testV1997.mdb", "interop/test2V2000.mdb", "fixtures/qbaudio.mdb"}) {
    SCOPED_TRACE(name);
    Bytes bytes = sharedBytes(name);
    std::uint32_t pageSize = bytes[0x14] == 0 ? 2048 : 4096;
    EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(Bytes(bytes.begin(), bytes.begin() + 2 * pageSize)));
    EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(Bytes(bytes.begin(), bytes.begin() + 3 * pageSize + 100)));
    for (std::size_t keep : {bytes.size() / 2, bytes.size() * 3 / 4, bytes.size() - 1}) {
      std::optional<jet::ErrorCode> code = failureOf(Bytes(bytes.begin(), bytes.begin() + keep));
      if (code) {
        EXPECT_EQ(jet::ErrorCode::Damaged, *code) << "kept " << keep;
      }
    }
  }
}

TEST(HostileFile, TableDefinitionChainsThatLoopOrLeadNowhere) {
  QBM_REQUIRE_SHARED();
  Bytes pristine = sharedBytes("interop/testV2000.mdb");
  Landmarks m(pristine, "Table1");
  std::uint32_t tdef = m.table->firstPage;

  Bytes loop = pristine;
  put32(loop, m.at(tdef, m.layout.tdefNextPageOffset), tdef);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(loop));
  EXPECT_NE(std::string::npos, messageOf(loop).find("loop")) << messageOf(loop);

  Bytes nowhere = pristine;
  put32(nowhere, m.at(tdef, m.layout.tdefNextPageOffset), 0x7FFFFFFF);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(nowhere));

  Bytes hugeCounts = pristine;
  put16(hugeCounts, m.at(tdef, m.layout.tdefColumnCountOffset), 0xFFFF);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(hugeCounts));

  Bytes hugeIndexCount = pristine;
  put32(hugeIndexCount, m.at(tdef, m.layout.tdefRealIndexCountOffset), 0x7FFFFFFF);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(hugeIndexCount));

  Bytes catalogGone = pristine;
  catalogGone[m.at(2)] = jet::format::page_type::kData;  // MSysObjects' definition page
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(catalogGone));
}

TEST(HostileFile, DataPagesWithImpossibleRows) {
  QBM_REQUIRE_SHARED();
  Bytes pristine = sharedBytes("interop/testV2000.mdb");
  Landmarks m(pristine, "Table1");

  // A row table that does not fit in its page: walks pass over the page (see below), the check
  // reports it.
  Bytes manyRows = pristine;
  put16(manyRows, m.at(m.firstDataPage, m.layout.dataRowCountOffset), 0xFFFF);
  EXPECT_FALSE(readEverything(manyRows).empty());

  Bytes offsetOutside = pristine;
  put16(offsetOutside, m.rowEntry(m.firstDataPage, 0), 0x1FFF);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(offsetOutside));

  Bytes mapNowhere = pristine;
  put32(mapNowhere, m.at(m.table->firstPage, m.layout.tdefOwnedPagesOffset), 0xFFFFFF00);
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(mapNowhere));

  // A row that points to itself as its overflow row.
  Bytes overflowLoop = pristine;
  std::uint16_t entry = static_cast<std::uint16_t>(overflowLoop[m.rowEntry(m.firstDataPage, 0)] |
                                                   overflowLoop[m.rowEntry(m.firstDataPage, 0) + 1] << 8);
  put16(overflowLoop, m.rowEntry(m.firstDataPage, 0), entry | jet::format::row_entry::kOverflow);
  put32(overflowLoop, m.at(m.firstDataPage, entry & jet::format::row_entry::kOffsetMask),
        jet::format::makeRowPointer(m.firstDataPage, 0));
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(overflowLoop));
  EXPECT_NE(std::string::npos, messageOf(overflowLoop).find("loop")) << messageOf(overflowLoop);
}

// A walk in physical order passes over each page of the table's map that it cannot read as one of
// the table's data pages, counts it once, and reads every other row.
TEST(HostileFile, TableWalksPassOverPagesTheyCannotReadAndCountThem) {
  QBM_REQUIRE_SHARED();
  const Bytes pristine = sharedBytes("fixtures/qbaudio.mdb");
  const Landmarks m(pristine, "woofers");
  // The rows of each data page, and the page damaged: the second of the table.
  std::map<std::uint32_t, int> rowsOn;
  const auto walk = [](const Bytes& bytes, std::map<std::uint32_t, int>& rows) {
    jet::Database db = jet::Database::openMemory(bytes);
    jet::Table t = db.table("woofers");
    for (int pass = 0; pass < 2; ++pass) {  // the second walk counts nothing again
      rows.clear();
      for (t.moveFirst(); !t.eof(); t.moveNext()) ++rows[t.bookmark().page];
    }
    return t.unreadablePages();
  };
  ASSERT_EQ(walk(pristine, rowsOn), 0);
  ASSERT_GE(rowsOn.size(), 3u);
  const std::uint32_t page = std::next(rowsOn.begin())->first;
  std::uint32_t companies = 0;
  {
    jet::Database db = jet::Database::openMemory(pristine);
    companies = jet::detail::coreOf(db).definition(*jet::detail::coreOf(db).findTable("companies"))->firstPage;
  }
  Bytes zeroed = pristine, rowTableTooLong = pristine, otherTable = pristine;
  std::fill(zeroed.begin() + m.at(page), zeroed.begin() + m.at(page + 1), 0);
  put16(rowTableTooLong, m.at(page, m.layout.dataRowCountOffset), 0xFFFF);
  put32(otherTable, m.at(page, m.layout.dataOwnerOffset), companies);
  for (const Bytes* damaged : {&zeroed, &rowTableTooLong, &otherTable}) {
    std::map<std::uint32_t, int> rows;
    EXPECT_EQ(walk(*damaged, rows), 1);
    std::map<std::uint32_t, int> expected = rowsOn;
    expected.erase(page);
    EXPECT_EQ(rows, expected);
  }
  // Cut at the page: every page of the map from there on is past the end of the file.
  std::map<std::uint32_t, int> rows;
  const std::uint32_t beyond = static_cast<std::uint32_t>(
      std::count_if(rowsOn.begin(), rowsOn.end(), [&](const auto& r) { return r.first >= page; }));
  EXPECT_EQ(walk(Bytes(pristine.begin(), pristine.begin() + m.at(page)), rows), beyond);
  EXPECT_EQ(rows, (std::map<std::uint32_t, int>(rowsOn.begin(), std::next(rowsOn.begin()))));
}

// The first chain-form long value of a table: where its 12-byte field is in the file.
std::optional<std::size_t> chainFieldOffset(const Bytes& bytes, const Landmarks& m, jet::LongValueField& field) {
  jet::Database db = jet::Database::openMemory(bytes);
  jet::PageFile& file = jet::detail::coreOf(db).file();
  jet::RowReader reader(file, *m.table);
  for (std::uint32_t page : jet::readUsageMap(file, m.table->ownedPagesMap).pages) {
    jet::PageRef p = file.page(page);
    for (std::uint16_t row = 0; row < jet::dataRowCount(*p, m.layout); ++row) {
      auto image = reader.fetch({page, row});
      if (!image) continue;
      jet::RowColumns columns = reader.split(*image);
      for (const jet::StoredColumn& c : m.table->columns) {
        if (!c.isLongValue() || !columns.hasValue(c.number)) continue;
        auto data = columns.variableBytes(c.varIndex);
        if (!data || data->size() < 12) continue;
        field = jet::parseLongValueField(*data);
        if (field.form == jet::LongValueForm::Chain)
          return static_cast<std::size_t>(data->data() - image->page->bytes().data()) + std::size_t{image->page->number()} * m.pageSize;
      }
    }
  }
  return std::nullopt;
}

TEST(HostileFile, LongValuesThatLoopOrClaimTooMuch) {
  QBM_REQUIRE_SHARED();
  Bytes pristine = sharedBytes("interop/test2V2000.mdb");
  Landmarks m(pristine, "MSP_PROJECTS");
  jet::LongValueField field;
  std::optional<std::size_t> at = chainFieldOffset(pristine, m, field);
  ASSERT_TRUE(at.has_value()) << "the file has a memo stored as a chain of pages";

  // The first LVAL row of the chain points back to itself.
  Bytes loop = pristine;
  {
    jet::Database db = jet::Database::openMemory(pristine);
    jet::PageFile& file = jet::detail::coreOf(db).file();
    jet::RowLocation first = jet::rowLocationFromPointer(field.firstRow);
    jet::PageRef page = file.page(first.page);
    jet::RowSlot slot = jet::dataRowSlot(*page, m.layout, first.row);
    put32(loop, m.at(first.page, slot.start), field.firstRow);
  }
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(loop));
  EXPECT_NE(std::string::npos, messageOf(loop).find("loop")) << messageOf(loop);

  Bytes huge = pristine;
  put32(huge, *at, 0x3FFFFFFF);  // chain form, a gigabyte long
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(huge));
  EXPECT_NE(std::string::npos, messageOf(huge).find("larger than the file")) << messageOf(huge);

  Bytes cutShort = pristine;
  put32(cutShort, *at, field.length + 100000);  // longer than the chain holds
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(cutShort));

  Bytes inlineTooLong = pristine;
  put32(inlineTooLong, *at, 0x80000000u | 5000u);  // "inline" data far past the row
  EXPECT_EQ(jet::ErrorCode::Damaged, failureOf(inlineTooLong));
}

// Random damage anywhere: whatever happens, it is a typed error or a successful read.
TEST(HostileFile, RandomDamageGivesTypedErrorsOnly) {
  QBM_REQUIRE_SHARED();
  std::mt19937 random(20240607);
  for (const char* name : {"interop/testV1997.mdb", "interop/test2V2000.mdb", "interop/overflowTestV1997.mdb",
                           "interop/delColTestV2000.mdb", "fixtures/spkrbase.mdb"}) {
    SCOPED_TRACE(name);
    Bytes pristine = sharedBytes(name);
    for (int round = 0; round < 60; ++round) {
      Bytes bytes = pristine;
      int flips = 1 + static_cast<int>(random() % 24);
      for (int i = 0; i < flips; ++i) bytes[0x80 + random() % (bytes.size() - 0x80)] = static_cast<std::uint8_t>(random());
      try {
        readEverything(std::move(bytes));
      } catch (const jet::Error& e) {
        EXPECT_TRUE(e.code() == jet::ErrorCode::Damaged || e.code() == jet::ErrorCode::NotAccessFile ||
                    e.code() == jet::ErrorCode::Unsupported)
            << jet::toString(e.code()) << ": " << e.what();
      }
    }
  }
}

}  // namespace
