// The integrity checker's view of page ownership: each kind of damage a writer could cause is
// reported where it is; pages left unused are listed.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "jet/check.h"
#include "jet/page/data_page.h"
#include "jet/page/data_page_writer.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/page/free_page_map.h"
#include "jet/check/free_page_map_repair.h"
#include "jet/page/long_value.h"
#include "jet/table/row_reader.h"
#include "jet/tdef/table_definition_writer.h"
#include "jet/page/usage_map.h"
#include "jet/page/usage_map_editor.h"
#include "jet/page/usage_map_page.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;
constexpr std::uint32_t kFreePages = jet::format::usage_map::kGlobalFreePagesPointer;

bool mentions(const std::vector<jet::Problem>& problems, const std::string& text) {
  return std::any_of(problems.begin(), problems.end(),
                     [&](const jet::Problem& p) { return (p.where + ": " + p.what).find(text) != std::string::npos; });
}

std::string describeProblems(const std::vector<jet::Problem>& problems) {
  std::string s;
  for (const auto& p : problems) s += p.where + ": " + p.what + "\n";
  return s;
}

class OwnershipCheck : public testing::Test {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
    path_ = qbm::test::copyShared("fixtures/qbaudio.mdb", dir_.path());
    db_ = std::make_unique<jet::Database>(jet::Database::open(path_));
  }
  jet::detail::DatabaseCore& core() { return jet::detail::coreOf(*db_); }
  jet::PageFile& file() { return core().file(); }
  const jet::StoredTableDefinition& table(const char* name) { return *core().definition(*core().findTable(name)); }
  std::uint32_t firstDataPage(const char* name) {
    return jet::readUsageMap(file(), table(name).ownedPagesMap).pages.front();
  }
  // Row 0 of page 1 replaced by an inline map from `start` with `bitmapBytes` bytes, all clear.
  void writeInlineFreePageMap(std::uint32_t start, std::size_t bitmapBytes) {
    std::vector<std::uint8_t> row(5 + bitmapBytes, 0);
    jet::bytes::put32(row, 1, start);
    std::vector<std::uint8_t> page = file().copyPage(1);
    jet::replaceRow(page, file().layout(), 0, row, 0);
    file().writePage(1, page);
  }
  // The ways another writer leaves the map: a page in use listed free, the map's window moved past
  // pages in use, a map too short for the file.
  struct Damage {
    const char* name;
    std::function<std::uint32_t(OwnershipCheck&)> apply;  // returns the lowest page in use it concerns
    const char* reported;
  };
  std::uint32_t lowestInUseFrom(std::uint32_t from) {
    std::vector<bool> owned = core().ownedPages();
    return static_cast<std::uint32_t>(std::find(owned.begin() + from, owned.end(), true) - owned.begin());
  }
  static std::vector<Damage> damages() {
    const char* outside = "but the map of free pages does not cover it (other writers take it as free)";
    return {{"a page in use listed free",
             [](OwnershipCheck& t) {
               t.core().allocator().addToMap(kFreePages, t.firstDataPage("woofers"));
               return t.firstDataPage("woofers");
             },
             "but the database lists it as free"},
            {"the window moved to page 40",
             [](OwnershipCheck& t) {
               t.writeInlineFreePageMap(40, 64);
               return t.lowestInUseFrom(0);
             },
             outside},
            {"a map of 64 pages",
             [](OwnershipCheck& t) {
               t.writeInlineFreePageMap(0, 8);
               return t.lowestInUseFrom(64);
             },
             outside}};
  }

  qbm::test::ScratchDir dir_;
  fs::path path_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(OwnershipCheck, SoundFileHasNoProblemsAndNoUnusedPages) {
  EXPECT_EQ("", describeProblems(jet::check(*db_)));
  EXPECT_TRUE(jet::unusedPages(*db_).empty());
}

TEST_F(OwnershipCheck, APageUsedAndListedFreeIsReported) {
  std::uint32_t page = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(jet::format::usage_map::kGlobalFreePagesPointer, page);
  auto problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "page " + std::to_string(page) + ": it is used by the rows of table woofers, but the database lists it as free"))
      << describeProblems(problems);
  db_->rollback();
}

TEST_F(OwnershipCheck, APageOwnedByTwoTablesIsReported) {
  std::uint32_t page = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(table("tweeters").ownedPagesMap, page);
  auto problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "it is used by the rows of table tweeters and by the rows of table woofers") ||
              mentions(problems, "it is used by the rows of table woofers and by the rows of table tweeters"))
      << describeProblems(problems);
  db_->rollback();
}

TEST_F(OwnershipCheck, AFreeSpaceMapListingAForeignPageIsReported) {
  std::uint32_t page = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(table("tweeters").freePagesMap, page);
  EXPECT_TRUE(mentions(jet::check(*db_), "table tweeters, page " + std::to_string(page) +
                                             ": the free-space map lists it, but it is not one of the table's pages"));
  db_->rollback();
}

TEST_F(OwnershipCheck, AnAutonumberCounterBelowTheNumbersIsReported) {
  db_->begin();
  jet::StoredTableDefinition& def = core().mutableDefinition(table("companies"));
  def.nextAutoNumber = 5;
  jet::writeRowCounts(file(), def);
  EXPECT_TRUE(mentions(jet::check(*db_), "table companies: its autonumber counter (5) is below the highest number in column ID (31)"));
  db_->rollback();
}

TEST_F(OwnershipCheck, LongValuesSharedOrCutShortAreReported) {
  // Two rows with memos stored in LVAL rows; the second one's field is then pointed at the first's.
  jet::Table t = db_->table("woofers");
  db_->begin();
  std::vector<jet::Bookmark> marks;
  for (int i = 0; i < 2; ++i) {
    t.addNew();
    t.set("Model", Value("memo " + std::to_string(i)));
    t.set("Notes", Value(std::string(9000 + i, 'x')));  // a chain over several pages
    t.update();
    marks.push_back(t.bookmark());
  }
  const jet::StoredTableDefinition& def = table("woofers");
  jet::RowReader reader(file(), def);
  auto fieldOf = [&](const jet::Bookmark& b, std::size_t& offsetInPage) {
    std::optional<jet::RowImage> image = reader.fetch({b.page, b.row});
    jet::RowColumns columns = reader.split(*image);
    const jet::StoredColumn* notes = nullptr;
    for (const auto& c : def.columns)
      if (c.name == "Notes") notes = &c;
    jet::ByteSpan field = *columns.variableBytes(notes->varIndex);
    offsetInPage = static_cast<std::size_t>(field.data() - image->page->bytes().data());
    return jet::parseLongValueField(field);
  };
  std::size_t firstAt = 0, secondAt = 0;
  jet::LongValueField first = fieldOf(marks[0], firstAt);
  fieldOf(marks[1], secondAt);
  std::vector<std::uint8_t> page = file().copyPage(marks[1].page);
  jet::bytes::put32(page, secondAt + 4, first.firstRow);
  jet::bytes::put32(page, secondAt, first.length);
  file().writePage(marks[1].page, page);
  auto problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "which another value uses too")) << describeProblems(problems);

  // The first value's chain cut after its first row: the value is short.
  jet::RowLocation head = jet::rowLocationFromPointer(first.firstRow);
  std::vector<std::uint8_t> lval = file().copyPage(head.page);
  jet::RowSlot slot = jet::dataRowSlot(*file().page(head.page), file().layout(), head.row);
  jet::bytes::put32(lval, slot.start, 0);
  file().writePage(head.page, lval);
  problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "holds 4072 of its 18000 bytes")) << describeProblems(problems);
  db_->rollback();
}

TEST_F(OwnershipCheck, APageNobodyOwnsIsListedUnused) {
  db_->begin();
  std::vector<std::uint8_t> bytes(file().pageSize(), 0);
  bytes[0] = jet::format::page_type::kData;
  bytes[1] = 1;
  std::uint32_t page = file().appendPage(bytes);
  jet::UsageMapEditor(file(), jet::format::usage_map::kGlobalFreePagesPointer).remove(page);
  std::uint32_t lost = core().allocator().allocate(std::vector<std::uint8_t>(file().pageSize(), 7), {});
  EXPECT_EQ(std::vector<std::uint32_t>{lost}, jet::unusedPages(*db_)) << "an empty page does not count";
  db_->rollback();
}

TEST_F(OwnershipCheck, PagesInUseThatOtherWritersTakeAsFreeAreReported) {
  for (const Damage& damage : damages()) {
    SCOPED_TRACE(damage.name);
    db_->begin();
    std::uint32_t page = damage.apply(*this);
    auto problems = jet::check(*db_);
    EXPECT_TRUE(mentions(problems, "page " + std::to_string(page) + ": it is used by ")) << describeProblems(problems);
    EXPECT_TRUE(mentions(problems, damage.reported)) << describeProblems(problems);
    db_->rollback();
  }
}

TEST_F(OwnershipCheck, RepairRebuildsTheMapFromThePagesInUse) {
  db_->begin();
  EXPECT_FALSE(jet::repairFreePageMap(*db_).rebuilt) << "a sound map is left as it is";
  db_->rollback();
  for (const Damage& damage : damages()) {
    SCOPED_TRACE(damage.name);
    db_->begin();
    damage.apply(*this);
    jet::FreePageMapView before = jet::readFreePageMap(file());
    std::vector<bool> owned = core().ownedPages();
    std::size_t inUseTakenAsFree = 0;
    for (std::uint32_t p = 0; p < file().pageCount(); ++p) inUseTakenAsFree += owned[p] && before.takenAsFree(p);

    jet::FreePageMapRepair repair = jet::repairFreePageMap(*db_);
    EXPECT_TRUE(repair.rebuilt);
    EXPECT_EQ(inUseTakenAsFree, repair.pagesInUseTakenAsFree);
    EXPECT_GT(repair.pagesInUseTakenAsFree, 0u);
    EXPECT_TRUE(jet::readFreePageMap(file()).coversFile(file().pageCount()));
    EXPECT_EQ("", describeProblems(jet::check(*db_)));
    EXPECT_FALSE(jet::repairFreePageMap(*db_).rebuilt);
    db_->rollback();
  }
}

// The checks of chosen tables, as a writer runs them first: the free-page map's damage is all of
// the kind the repair mends (and nothing is left after it); two owners of a page are damage, seen
// from either table; other tables' rows are not read.
TEST_F(OwnershipCheck, ChosenTablesAreCheckedWithTheOwnershipOfEveryPage) {
  const std::vector<std::string> woofers = {"woofers"};
  EXPECT_EQ("", describeProblems(jet::check(*db_, {"woofers", "tweeters", "companies"})));
  EXPECT_THROW(jet::check(*db_, {"woofers", "no such table"}), jet::Error);
  for (const Damage& damage : damages()) {
    SCOPED_TRACE(damage.name);
    db_->begin();
    damage.apply(*this);
    auto problems = jet::check(*db_, woofers);
    EXPECT_FALSE(problems.empty());
    for (const jet::Problem& p : problems)
      EXPECT_EQ(p.kind, jet::ProblemKind::FreePageMap) << p.where << ": " << p.what;
    jet::repairFreePageMap(*db_);
    EXPECT_EQ("", describeProblems(jet::check(*db_, woofers)));
    db_->rollback();
  }

  db_->begin();
  core().allocator().addToMap(table("tweeters").ownedPagesMap, firstDataPage("woofers"));
  for (const char* chosen : {"woofers", "companies"}) {
    auto problems = jet::check(*db_, {chosen});
    EXPECT_TRUE(mentions(problems, "by the rows of table woofers")) << describeProblems(problems);
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(),
                            [](const jet::Problem& p) { return p.kind == jet::ProblemKind::Damage; }));
  }
  db_->rollback();

  const std::size_t countAt = std::size_t{table("tweeters").firstPage} * file().pageSize() + file().layout().tdefRowCountOffset;
  db_.reset();
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(countAt));
    f.put(static_cast<char>(0x7F));
  }
  jet::Database db = jet::Database::open(path_, {.exclusive = false, .readOnly = true});
  EXPECT_EQ("", describeProblems(jet::check(db, woofers)));
  EXPECT_TRUE(mentions(jet::check(db, {"tweeters"}), "table tweeters: its definition counts"));
}

TEST_F(OwnershipCheck, TheAllocatorTakesNoPageInUseThatIsListedFree) {
  std::uint32_t inUse = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(kFreePages, inUse);
  // A page nothing uses, not empty, listed free (the map lists the pages past the end as free).
  std::uint32_t spare = file().appendPage(std::vector<std::uint8_t>(file().pageSize(), 7));
  ASSERT_TRUE(jet::UsageMapEditor(file(), kFreePages).contains(spare));
  std::string damage = describeProblems(jet::check(*db_));
  EXPECT_EQ(spare, core().allocator().allocateLongValuePage({}));
  EXPECT_EQ(std::vector<std::uint32_t>{inUse}, core().allocator().ownedButListedFree());
  EXPECT_EQ(damage, describeProblems(jet::check(*db_))) << "the rows of woofers are as they were";
  db_->rollback();
}

// The map of free pages as the file grows: inline from page 0, 32 bytes wider at a time, pages past
// the end listed free; a reference map once the inline one no longer fits on page 1.
class FreePageMapGrowth : public testing::TestWithParam<jet::Format> {
 protected:
  void SetUp() override {
    db_ = std::make_unique<jet::Database>(jet::Database::create(dir_.path() / "grow.mdb", GetParam()));
    db_->begin();
  }
  void TearDown() override {
    if (db_) db_->rollback();
  }
  jet::detail::DatabaseCore& core() { return jet::detail::coreOf(*db_); }
  jet::PageFile& file() { return core().file(); }
  void growTo(std::uint32_t pages) {
    while (file().pageCount() < pages) core().allocator().allocateLongValuePage({});
  }
  std::size_t mapRowSize() {
    jet::PageRef page = file().page(1);
    return jet::slotBytes(*page, jet::dataRowSlot(*page, file().layout(), 0)).size();
  }

  qbm::test::ScratchDir dir_;
  std::unique_ptr<jet::Database> db_;
};

TEST_P(FreePageMapGrowth, InlineFromPageZeroWidenedAsTheFileGrows) {
  const std::uint32_t first = GetParam() == jet::Format::Jet4 ? 512 : 1024;  // pages of Access's first map
  for (std::uint32_t pages : {first, first + 1, first + 256, first + 257}) {
    growTo(pages);
    std::uint32_t covered = pages <= first ? first : (pages + 255) / 256 * 256;
    EXPECT_EQ(5 + covered / 8, mapRowSize()) << pages << " pages";
    jet::FreePageMapView map = jet::readFreePageMap(file());
    EXPECT_FALSE(map.reference);
    EXPECT_EQ(0u, map.start);
    EXPECT_EQ(covered, map.end);
    EXPECT_TRUE(map.listed.empty());
    jet::UsageMapEditor editor(file(), kFreePages);
    for (std::uint32_t p = pages; p < covered; ++p) EXPECT_TRUE(editor.contains(p)) << p;
    EXPECT_FALSE(editor.contains(covered)) << "the first page past the map";
    if (pages < covered) {  // the map's last bit, a spare page: cleared and set in place
      editor.remove(covered - 1);
      editor.remove(covered);  // past the map: nothing to clear
      EXPECT_FALSE(editor.contains(covered - 1));
      EXPECT_EQ(covered, jet::readFreePageMap(file()).end);
      editor.add(covered - 1, {});
      EXPECT_TRUE(editor.contains(covered - 1));
    }
  }
  EXPECT_EQ("", describeProblems(jet::check(*db_)));
}

TEST_P(FreePageMapGrowth, AReferenceMapOnceTheInlineOneNoLongerFitsOnPageOne) {
  // Another writer's row fills page 1 but for less than the 32 bytes the map would grow by.
  const jet::format::Layout& layout = file().layout();
  const std::uint32_t first = GetParam() == jet::Format::Jet4 ? 512 : 1024;
  std::vector<std::uint8_t> page = file().copyPage(1);
  std::size_t room = jet::dataPageFreeSpace(*file().page(1), layout);
  jet::addRow(page, layout, std::vector<std::uint8_t>(room - 2 - 31, 0));
  file().writePage(1, page);
  growTo(first);
  EXPECT_EQ(jet::inlineUsageMapRowSize(layout), mapRowSize());
  growTo(first + 1);
  EXPECT_EQ(jet::inlineUsageMapRowSize(layout), mapRowSize()) << "the reference row has as many bytes";
  jet::FreePageMapView map = jet::readFreePageMap(file());
  EXPECT_TRUE(map.reference);
  EXPECT_TRUE(map.coversFile(524288)) << "the largest file of the format (1 GB of 2 KB pages, 2 GB of 4 KB)";
  EXPECT_TRUE(map.listed.empty()) << "no bitmap page while nothing is free";

  // A page given back gets a bitmap page (05 01 00 00) and is taken again first.
  std::uint32_t spare = core().allocator().allocateLongValuePage({});
  core().allocator().release(spare, {});
  map = jet::readFreePageMap(file());
  EXPECT_EQ(std::vector<std::uint32_t>{spare}, map.listed);
  std::uint32_t bitmapPage = file().pageCount() - 1;
  std::vector<std::uint8_t> header(file().page(bitmapPage)->bytes().begin(), file().page(bitmapPage)->bytes().begin() + 4);
  EXPECT_EQ((std::vector<std::uint8_t>{0x05, 0x01, 0x00, 0x00}), header);
  EXPECT_EQ("", describeProblems(jet::check(*db_)));
  // Rebuilt by the repair (a page in use listed free), the reference map keeps the free page.
  jet::UsageMapEditor(file(), kFreePages).add(2, {});
  EXPECT_EQ(1u, jet::repairFreePageMap(*db_).pagesInUseTakenAsFree);
  EXPECT_EQ(std::vector<std::uint32_t>{spare}, jet::readFreePageMap(file()).listed);
  EXPECT_EQ(spare, core().allocator().allocateLongValuePage({}));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, FreePageMapGrowth, testing::Values(jet::Format::Jet3, jet::Format::Jet4),
                         [](const auto& info) { return info.param == jet::Format::Jet4 ? "Jet4" : "Jet3"; });

}  // namespace
