// Writing table definitions: every definition of the shared Access files, written again, reads back
// the same and takes as many bytes as Access gave it; definitions too large for one page continue
// on linked pages; the system tables of a new database are Access's own, byte for byte where Access
// initializes its bytes.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/file/bytes.h"
#include "jet/text/clock.h"
#include "jet/database.h"
#include "jet/file/database_header.h"
#include "jet/table/database_core.h"
#include "jet/table/new_database.h"
#include "jet/file/page_file.h"
#include "jet/tdef/system_catalog.h"
#include "jet/tdef/table_definition_builder.h"
#include "jet/tdef/table_definition_plan.h"
#include "tests/jet/definition_compare.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Format;

std::vector<std::uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A database image whose pages 2.. hold the given definition pages at the given numbers.
std::vector<std::uint8_t> imageWith(Format version, std::uint16_t codePage,
                                    const std::vector<std::vector<std::uint8_t>>& pages,
                                    const std::vector<std::uint32_t>& numbers) {
  const jet::format::Layout& layout = jet::format::layout(version);
  std::uint32_t count = 3;
  for (std::uint32_t n : numbers) count = std::max(count, n + 1);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(count) * layout.pageSize, 0);
  auto header = jet::encodeDatabaseHeader(version, codePage, jet::DateTime{40000});
  std::copy(header.begin(), header.end(), image.begin());
  for (std::size_t i = 0; i < pages.size(); ++i)
    std::copy(pages[i].begin(), pages[i].end(), image.begin() + std::ptrdiff_t(numbers[i]) * layout.pageSize);
  return image;
}

// The definition written to the given pages and read back.
jet::StoredTableDefinition writeAndRead(const jet::StoredTableDefinition& def, std::uint16_t codePage,
                                        const std::vector<std::uint32_t>& numbers) {
  const jet::format::Layout& layout = jet::format::layout(def.version);
  std::vector<std::uint8_t> joined = jet::encodeTableDefinition(def, codePage);
  auto pages = jet::splitDefinitionPages(joined, numbers, layout);
  jet::PageFile file(std::make_unique<jet::MemoryStorage>(imageWith(def.version, codePage, pages, numbers)));
  return jet::readTableDefinition(file, numbers.front(), def.name);
}

class SharedDefinitions : public testing::TestWithParam<std::string> {};

TEST_P(SharedDefinitions, EveryDefinitionReadsBackTheSameAtTheLengthAccessGaveIt) {
  QBM_REQUIRE_SHARED();
  jet::Database db = jet::Database::open(qbm::test::sharedDir() / GetParam(), {.exclusive = false, .readOnly = true});
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
  jet::PageFile& file = core.file();
  for (const jet::CatalogEntry& entry : core.catalog()) {
    SCOPED_TRACE(entry.name);
    const jet::StoredTableDefinition& def = *core.definition(entry);
    std::vector<std::uint8_t> joined = jet::encodeTableDefinition(def, file.header().codePage);
    std::uint32_t stored = jet::bytes::u32(file.page(def.firstPage)->bytes(), file.layout().tdefLengthOffset);
    // The reader leaves out maps that Access 97 lists with a missing half; each is one entry less.
    std::size_t longValueColumns = 0;
    for (const jet::StoredColumn& c : def.columns) longValueColumns += c.isLongValue() ? 1 : 0;
    std::size_t unread = longValueColumns - std::min(longValueColumns, def.columnUsageMaps.size());
    EXPECT_EQ(joined.size() + unread * file.layout().columnUsageEntrySize, stored);
    EXPECT_EQ(jet::definitionPageCount(joined.size(), file.layout()), def.pages.size());
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < def.pages.size(); ++i) numbers.push_back(static_cast<std::uint32_t>(2 + i));
    qbm::test::expectSameDefinition(def, writeAndRead(def, file.header().codePage, numbers));
    // The logical index entries Access wrote come out byte for byte: its cascade bytes are 0x04 on
    // every index that is no relationship, 0 or 1 on relationships. (The driver databases were
    // written by another program, which leaves 0 in plain indexes.)
    if (GetParam().starts_with("interop/") && !def.realIndexes.empty()) {
      std::vector<std::uint8_t> theirs;
      for (std::uint32_t page : def.pages) {
        jet::ByteSpan b = file.page(page)->bytes();
        theirs.insert(theirs.end(), b.begin() + (theirs.empty() ? 0 : 8), b.end());
      }
      const std::size_t from = def.realIndexes.back().entryOffset + file.layout().realIndexEntrySize;
      const std::size_t length = def.logicalIndexes.size() * file.layout().logicalIndexEntrySize;
      ASSERT_LE(from + length, std::min(joined.size(), theirs.size()));
      EXPECT_TRUE(std::equal(joined.begin() + std::ptrdiff_t(from), joined.begin() + std::ptrdiff_t(from + length),
                             theirs.begin() + std::ptrdiff_t(from)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SharedDefinitions, testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

// Older files end a definition without the list of long-value maps (not even its 0xFFFF end): a
// definition whose last name ends exactly at the end of its page, or one byte before it, still
// reads whole.
TEST(DefinitionPages, DefinitionEndingAtItsPageEndWithoutMapsReads) {
  const jet::format::Layout& layout = jet::format::layout(Format::Jet3);
  for (std::size_t spare : {0u, 1u}) {
    SCOPED_TRACE(spare);
    jet::TableDefinition t{"t", {}, {}};
    for (int i = 0; i < 60; ++i) t.columns.push_back({"c" + std::to_string(i), jet::ColumnType::Long});
    jet::StoredTableDefinition def = jet::planTableDefinition(t, Format::Jet3);
    std::size_t length = jet::encodeTableDefinition(def, 1252).size() - 2;  // without the list's end
    ASSERT_LT(length, layout.pageSize);
    // Longer column names take up the page's room, at most 64 characters each.
    for (jet::StoredColumn& c : def.columns) {
      const std::size_t grow = std::min<std::size_t>(64 - c.name.size(), layout.pageSize - spare - length);
      c.name.append(grow, 'x');
      length += grow;
    }
    ASSERT_EQ(length, layout.pageSize - spare);
    std::vector<std::uint8_t> page = jet::encodeTableDefinition(def, 1252);
    page.resize(length);
    page.resize(layout.pageSize, 0);
    jet::PageFile file(std::make_unique<jet::MemoryStorage>(imageWith(Format::Jet3, 1252, {page}, {2})));
    qbm::test::expectSameDefinition(def, jet::readTableDefinition(file, 2, "t"));
  }
}

// 255 columns with 64-character names: Jet 4 needs ten pages, Jet 3 (2 KB pages) more.
jet::TableDefinition widest() {
  jet::TableDefinition t{"wide", {}, {}};
  for (int i = 0; i < 255; ++i) {
    std::string name = "column " + std::to_string(i) + " ";
    name.resize(64, 'x');
    jet::ColumnType type = i % 3 == 0 ? jet::ColumnType::Text : i % 3 == 1 ? jet::ColumnType::Double : jet::ColumnType::Memo;
    t.columns.push_back({name, type});
  }
  for (int i = 0; i < 32; ++i) t.indexes.push_back({"index " + std::to_string(i), {{t.columns[3 * i].name}}});
  return t;
}

TEST(DefinitionPages, LargeDefinitionsContinueOnLinkedPagesInAnyOrder) {
  for (Format version : {Format::Jet4, Format::Jet3}) {
    const jet::format::Layout& layout = jet::format::layout(version);
    jet::StoredTableDefinition def = jet::planTableDefinition(widest(), version);
    std::uint32_t map = jet::format::makeRowPointer(9, 0);
    for (jet::ColumnUsageMaps& m : def.columnUsageMaps) m = {m.columnNumber, map++, map++};
    std::vector<std::uint8_t> joined = jet::encodeTableDefinition(def, 1252);
    std::size_t count = jet::definitionPageCount(joined.size(), layout);
    ASSERT_GT(count, 5u);
    // Pages scattered backwards through the file.
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < count; ++i) numbers.push_back(static_cast<std::uint32_t>(2 + 2 * (count - i)));
    auto pages = jet::splitDefinitionPages(joined, numbers, layout);
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(pages[i][0], jet::format::page_type::kTableDefinition);
      EXPECT_EQ(pages[i][1], 0x01);  // as on every definition page Access writes
      EXPECT_EQ(jet::bytes::u32(pages[i], layout.tdefNextPageOffset), i + 1 < count ? numbers[i + 1] : 0u);
    }
    if (version == Format::Jet4) {
      // Free space less 8: none on full pages, the rest on the last one.
      EXPECT_EQ(jet::bytes::u16(pages[0], 2), 0);
      std::size_t lastUsed = 8 + (joined.size() - layout.pageSize) % (layout.pageSize - 8);
      EXPECT_EQ(jet::bytes::u16(pages.back(), 2), layout.pageSize - lastUsed - 8);
    } else {
      EXPECT_EQ(jet::bytes::u16(pages.back(), 2), 0x4356);  // "VC"
    }
    jet::StoredTableDefinition back = writeAndRead(def, 1252, numbers);
    EXPECT_EQ(back.pages, numbers);
    qbm::test::expectSameDefinition(def, back);
  }
}

TEST(DefinitionPages, PageCountMustMatchTheDefinition) {
  const jet::format::Layout& layout = jet::format::layout(Format::Jet4);
  std::vector<std::uint8_t> joined(layout.pageSize + 1, 0);
  EXPECT_EQ(jet::definitionPageCount(joined.size(), layout), 2u);
  EXPECT_EQ(jet::definitionPageCount(layout.pageSize, layout), 1u);
  EXPECT_THROW(jet::splitDefinitionPages(joined, {2}, layout), jet::Error);
}

// A definition that gives two columns one number is refused, the first two columns included.
TEST(DefinitionPages, ColumnsSharingANumberAreRefused) {
  jet::TableDefinition t{"t", {{"a", jet::ColumnType::Long}, {"b", jet::ColumnType::Long}, {"c", jet::ColumnType::Long}}, {}};
  for (std::size_t second : {1, 2}) {
    jet::StoredTableDefinition def = jet::planTableDefinition(t, Format::Jet4);
    def.columns[second].number = def.columns[second - 1].number;
    EXPECT_THROW(writeAndRead(def, 1252, {2}), jet::Error) << second;
  }
}

TEST(DefinitionNames, Jet3NamesMustFitTheCodePage) {
  jet::TableDefinition t{"Tabelle", {{"Größe", jet::ColumnType::Long}}, {}};
  jet::StoredTableDefinition def = jet::planTableDefinition(t, Format::Jet3);
  EXPECT_EQ(writeAndRead(def, 1252, {2}).columns.at(0).name, "Größe");
  def.columns[0].name = "Размер";  // Cyrillic: not in code page 1252
  try {
    jet::encodeTableDefinition(def, 1252);
    FAIL() << "a name the code page cannot hold was written";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ValueRejected);
  }
  EXPECT_EQ(writeAndRead(def, 1251, {2}).columns.at(0).name, "Размер");
}

// ---- The system tables of a new database --------------------------------------------------------

struct Reference {
  Format version;
  const char* file;  // an empty database made by the Jet engine (Jet 4) or Access 97 (Jet 3)
};

class SystemTables : public testing::TestWithParam<Reference> {};

TEST_P(SystemTables, AreTheOnesAccessMakes) {
  QBM_REQUIRE_SHARED();
  jet::NewDatabaseImage image = jet::buildNewDatabase(GetParam().version, 1252, jet::localNow());
  jet::PageFile mine(std::make_unique<jet::MemoryStorage>(image.bytes));
  jet::Database reference = jet::Database::open(qbm::test::sharedDir() / "interop" / GetParam().file,
                                                {.exclusive = false, .readOnly = true});
  jet::detail::DatabaseCore& core = jet::detail::coreOf(reference);
  std::vector<jet::StoredTableDefinition> tables = jet::systemTableDefinitions(GetParam().version);
  ASSERT_EQ(image.systemTablePages, (std::vector<std::uint32_t>{2, 3, 4, 5}));
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const jet::CatalogEntry* entry = core.findTable(tables[i].name);
    ASSERT_NE(entry, nullptr) << tables[i].name;
    EXPECT_EQ(entry->firstPage, image.systemTablePages[i]);
    jet::StoredTableDefinition theirs = *core.definition(*entry);
    jet::StoredTableDefinition ours = jet::readTableDefinition(mine, image.systemTablePages[i], tables[i].name);
    qbm::test::expectSameDefinition(theirs, ours, {.pagesAndMaps = false, .counts = false});
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, SystemTables,
                         testing::Values(Reference{Format::Jet4, "emptyJet4.mdb"},
                                         Reference{Format::Jet3, "testV1997.mdb"}),
                         [](const auto& info) { return info.param.version == Format::Jet4 ? "Jet4" : "Jet3"; });

// The bytes of a TDEF page that Access leaves as they were in memory (or that count rows): the
// test ignores them and compares every other byte.
std::vector<bool> uninitializedBytes(const jet::StoredTableDefinition& def, const jet::format::Layout& layout) {
  std::vector<bool> skip(layout.pageSize, false);
  auto mark = [&](std::size_t from, std::size_t length) {
    for (std::size_t i = from; i < from + length && i < skip.size(); ++i) skip[i] = true;
  };
  mark(layout.tdefRowCountOffset, 4);
  mark(32, 8);  // after the autonumber fields of the Jet 4 header
  std::size_t at = layout.tdefBlocksOffset;
  for (std::size_t i = 0; i < def.realIndexes.size(); ++i, at += layout.realIndexCountEntrySize) mark(at + 4, 4);
  // Fixed offsets of variable columns.
  for (std::size_t i = 0; i < def.columns.size(); ++i, at += layout.columnEntrySize)
    mark(at + layout.colFixedOffsetOffset, 2);
  for (const jet::StoredColumn& c : def.columns) at += layout.nameLengthSize + 2 * c.name.size();  // ASCII names
  for (const jet::RealIndex& r : def.realIndexes) {
    for (std::size_t slot = r.columns.size(); slot < jet::format::kMaxIndexColumns; ++slot)
      mark(at + layout.realIndexColumnsOffset + 3 * slot + 2, 1);
    mark(at + layout.realIndexFirstPageOffset + 4, 4);
    at += layout.realIndexEntrySize;
  }
  return skip;
}

TEST(SystemTables, Jet4DefinitionPagesAreAccessesByteForByte) {
  QBM_REQUIRE_SHARED();
  // adox_jet4.mdb has the same pages in the same places as a new database of this engine.
  std::vector<std::uint8_t> theirs = readFile(qbm::test::sharedDir() / "interop" / "adox_jet4.mdb");
  jet::NewDatabaseImage image = jet::buildNewDatabase(Format::Jet4, 1252, jet::localNow());
  const jet::format::Layout& layout = jet::format::layout(Format::Jet4);
  std::vector<jet::StoredTableDefinition> tables = jet::systemTableDefinitions(Format::Jet4);
  for (std::size_t t = 0; t < tables.size(); ++t) {
    std::size_t base = image.systemTablePages[t] * layout.pageSize;
    std::vector<bool> skip = uninitializedBytes(tables[t], layout);
    int differences = 0;
    for (std::size_t i = 0; i < layout.pageSize; ++i)
      if (!skip[i] && image.bytes[base + i] != theirs[base + i] && ++differences < 5)
        ADD_FAILURE() << tables[t].name << " byte " << i << ": ours " << int(image.bytes[base + i]) << ", Access "
                      << int(theirs[base + i]);
    EXPECT_EQ(differences, 0) << tables[t].name;
  }
}

}  // namespace
