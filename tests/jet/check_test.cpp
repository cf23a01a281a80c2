// The integrity checker: sound files give no problems; damage is reported where it is, and the
// checker keeps going past it.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <iterator>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/page/free_page_map.h"
#include "jet/page/long_value.h"
#include "jet/table/row_reader.h"
#include "jet/page/usage_map.h"
#include "jet/page/usage_map_editor.h"
#include "jet/page/usage_map_page.h"
#include "jet/file/bytes.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string describe(const std::vector<jet::Problem>& problems) {
  std::string s;
  for (const auto& p : problems) s += p.where + ": " + p.what + "\n";
  return s;
}

class CheckSharedFile : public testing::TestWithParam<std::string> {};

TEST_P(CheckSharedFile, SoundFileHasNoProblems) {
  QBM_REQUIRE_SHARED();
  std::vector<jet::Problem> problems = jet::check(qbm::test::sharedDir() / GetParam());
  EXPECT_TRUE(problems.empty()) << describe(problems);
}

// Access's map of free pages starts at page 0 and covers the whole file; inline, it has the width
// the writer gives it for a file of that many pages (testV2000.mdb: 743 pages, 768 covered).
TEST_P(CheckSharedFile, FreePageMapCoversTheFileAsAccessSizesIt) {
  QBM_REQUIRE_SHARED();
  jet::Database db = jet::Database::open(qbm::test::sharedDir() / GetParam(), {.exclusive = false, .readOnly = true});
  jet::PageFile& file = jet::detail::coreOf(db).file();
  jet::FreePageMapView map = jet::readFreePageMap(file);
  EXPECT_TRUE(map.coversFile(file.pageCount()));
  if (!map.reference) {
    EXPECT_EQ(jet::freePageMapBitmapBytes(file.layout(), file.pageCount()) * 8, map.end);
  }
}

INSTANTIATE_TEST_SUITE_P(AllSharedDatabases, CheckSharedFile, testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

TEST(Check, WrongRowCountIsReportedForItsTable) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  Bytes bytes = qbm::test::fileBytes(qbm::test::sharedDir() / "interop/testV2000.mdb");
  std::uint32_t tdef;
  {
    jet::Database db = jet::Database::openMemory(bytes);
    tdef = jet::detail::coreOf(db).findTable("Table2")->firstPage;
  }
  bytes[tdef * 4096 + jet::format::kJet4.tdefRowCountOffset] += 5;
  qbm::test::writeFileBytes(dir / "counts.mdb", bytes);
  std::vector<jet::Problem> problems = jet::check(dir / "counts.mdb");
  ASSERT_EQ(1u, problems.size()) << describe(problems);
  EXPECT_EQ("table Table2", problems[0].where);
  EXPECT_NE(std::string::npos, problems[0].what.find("counts")) << problems[0].what;
}

TEST(Check, BrokenLongValueIsReportedAtItsRowAndTheRestIsStillChecked) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  Bytes bytes = qbm::test::fileBytes(qbm::test::sharedDir() / "interop/test2V2000.mdb");
  std::size_t fieldAt = 0;
  std::uint32_t dataPage = 0;
  {
    jet::Database db = jet::Database::openMemory(bytes);
    jet::PageFile& file = jet::detail::coreOf(db).file();
    auto def = jet::detail::coreOf(db).definition(*jet::detail::coreOf(db).findTable("MSP_PROJECTS"));
    jet::RowReader reader(file, *def);
    dataPage = jet::readUsageMap(file, def->ownedPagesMap).pages.at(0);
    auto image = reader.fetch({dataPage, 0});
    jet::RowColumns columns = reader.split(*image);
    for (const auto& c : def->columns) {
      if (c.type != jet::ColumnType::Memo || !columns.hasValue(c.number)) continue;
      auto data = *columns.variableBytes(c.varIndex);
      if (jet::parseLongValueField(data).form == jet::LongValueForm::Inline) continue;
      fieldAt = dataPage * 4096 + static_cast<std::size_t>(data.data() - image->page->bytes().data());
      break;
    }
  }
  ASSERT_NE(0u, fieldAt) << "the row has a memo stored on an LVAL page";
  bytes[fieldAt + 5] = 0xFF;  // the LVAL page number: far past the end of the file
  bytes[fieldAt + 6] = 0xFF;
  qbm::test::writeFileBytes(dir / "memo.mdb", bytes);
  std::vector<jet::Problem> problems = jet::check(dir / "memo.mdb");
  ASSERT_EQ(1u, problems.size()) << describe(problems);
  EXPECT_EQ("table MSP_PROJECTS, page " + std::to_string(dataPage) + ", row 0", problems[0].where);
}

TEST(Check, FilesThatCannotBeOpenedGiveOneProblemSayingWhy) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  std::vector<jet::Problem> missing = jet::check(dir / "absent.mdb");
  ASSERT_EQ(1u, missing.size());
  EXPECT_NE(std::string::npos, missing[0].what.find("cannot be opened")) << missing[0].what;

  qbm::test::writeFileBytes(dir / "text.mdb", Bytes(5000, 'x'));
  std::vector<jet::Problem> notAccess = jet::check(dir / "text.mdb");
  ASSERT_EQ(1u, notAccess.size());
  EXPECT_NE(std::string::npos, notAccess[0].what.find("not an Access database")) << notAccess[0].what;

  fs::path copy = qbm::test::copyShared("interop/testV1997.mdb", dir.path());
  jet::Database db = jet::Database::open(copy);
  std::vector<jet::Problem> locked = jet::check(copy);
  ASSERT_EQ(1u, locked.size());
  EXPECT_NE(std::string::npos, locked[0].what.find("locked")) << locked[0].what;
}

TEST(Check, PartialLastPageIsReported) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  Bytes bytes = qbm::test::fileBytes(qbm::test::sharedDir() / "interop/delTestV1997.mdb");
  bytes.resize(bytes.size() + 100, 0);
  qbm::test::writeFileBytes(dir / "partial.mdb", bytes);
  std::vector<jet::Problem> problems = jet::check(dir / "partial.mdb");
  ASSERT_EQ(1u, problems.size()) << describe(problems);
  EXPECT_EQ("file", problems[0].where);
}

// Each kind of damage the checker reports, made in a small sound file of our own and found where
// it is. Row counts are pinned on both sides of the true count.
struct Damage {
  const char* name;
  // Damages the table; returns the page the problem is reported at, or 0 for the table or index.
  std::function<std::uint32_t(jet::PageFile&, const jet::StoredTableDefinition&)> apply;
  std::string where;  // after "table Parts" when no page is named
  std::string what;
};

class CheckFindsDamage : public testing::TestWithParam<Damage> {};

constexpr std::uint32_t kRows = 400;

std::vector<std::uint32_t> dataPagesOf(jet::PageFile& file, const jet::StoredTableDefinition& def) {
  return jet::readUsageMap(file, def.ownedPagesMap).pages;
}

std::uint32_t setRowCount(jet::PageFile& file, const jet::StoredTableDefinition& def, std::uint32_t count) {
  file.modifyPage(def.firstPage, [&](auto& page) { jet::bytes::put32(page, file.layout().tdefRowCountOffset, count); });
  return 0;
}

std::uint32_t setIndexRoot(jet::PageFile& file, const jet::StoredTableDefinition& def, std::uint32_t root) {
  // The first real index's entry lies on the first definition page in a table this small.
  std::size_t at = def.realIndexes.at(0).entryOffset + file.layout().realIndexFirstPageOffset;
  file.modifyPage(def.firstPage, [&](auto& page) { jet::bytes::put32(page, at, root); });
  return 0;
}

TEST_P(CheckFindsDamage, AtItsPlace) {
  qbm::test::ScratchDir dir;
  const fs::path path = dir / "parts.mdb";
  std::uint32_t page = 0;
  {
    jet::Database db = jet::Database::create(path, jet::Format::Jet4);
    db.createTable({"Parts", {{"id", jet::ColumnType::Long}, {"name", jet::ColumnType::Text, 60}},
                    {{"id", {{"id"}}, true}}});
    jet::Table parts = db.table("Parts");
    db.begin();
    for (std::uint32_t i = 0; i < kRows; ++i) {
      parts.addNew();
      parts.set("id", jet::Value(static_cast<std::int32_t>(i)));
      parts.set("name", jet::Value(std::string(50, static_cast<char>('a' + i % 26))));
      parts.update();
    }
    db.commit();
    ASSERT_EQ("", describe(jet::check(db)));
    jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
    const jet::StoredTableDefinition& def = *core.definition(*core.findTable("Parts"));
    ASSERT_GE(dataPagesOf(core.file(), def).size(), 3u);
    jet::Transaction change(db);
    page = GetParam().apply(core.file(), def);
    change.commit();
  }
  const std::string where = "table Parts" + (page ? ", page " + std::to_string(page) : GetParam().where);
  std::vector<jet::Problem> problems = jet::check(path);
  bool found = false;
  for (const jet::Problem& p : problems)
    found = found || (p.where == where && p.what.find(GetParam().what) != std::string::npos);
  EXPECT_TRUE(found) << "expected at " << where << ": " << GetParam().what << "\ngot:\n" << describe(problems);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, CheckFindsDamage,
    testing::Values(
        Damage{"RowCountOneHigh", [](auto& f, auto& d) { return setRowCount(f, d, kRows + 1); }, "",
               "counts 401 rows, but it holds 400"},
        Damage{"RowCountOneLow", [](auto& f, auto& d) { return setRowCount(f, d, kRows - 1); }, "",
               "counts 399 rows, but it holds 400"},
        Damage{"DataPageMissingFromPageMap",
               [](auto& f, auto& d) {
                 std::uint32_t last = dataPagesOf(f, d).back();
                 jet::UsageMapEditor(f, d.ownedPagesMap).remove(last);
                 return last;
               },
               "", "missing from the table's page map"},
        Damage{"PageMapListsAnIndexPage",
               [](auto& f, auto& d) {
                 std::uint32_t root = d.realIndexes.at(0).firstPage;
                 jet::UsageMapEditor(f, d.ownedPagesMap).add(root, []() -> std::uint32_t {
                   throw std::logic_error("the map has room for the page");
                 });
                 return root;
               },
               "", "not one of the table's data pages"},
        Damage{"IndexRootIsADataPage", [](auto& f, auto& d) { return setIndexRoot(f, d, dataPagesOf(f, d).front()); },
               ", index id", "is not an index page"},
        Damage{"IndexRootPastTheEnd", [](auto& f, auto& d) { return setIndexRoot(f, d, f.pageCount()); }, ", index id",
               "is not in the file"},
        Damage{"DefinitionPageOverwritten",
               [](auto& f, auto& d) {
                 f.modifyPage(d.firstPage, [](auto& bytes) { bytes[0] = 0x01; });
                 return 0u;
               },
               "", "its definition cannot be read"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
