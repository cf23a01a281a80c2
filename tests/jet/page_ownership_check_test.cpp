// The integrity checker's view of page ownership: each kind of damage a writer could cause is
// reported where it is; pages left unused are listed.

#include <gtest/gtest.h>

#include <algorithm>

#include "jet/check.h"
#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/database_impl.h"
#include "jet/long_value.h"
#include "jet/row_reader.h"
#include "jet/table_definition_writer.h"
#include "jet/usage_map.h"
#include "jet/usage_map_editor.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;

bool mentions(const std::vector<jet::Problem>& problems, const std::string& text) {
  return std::any_of(problems.begin(), problems.end(),
                     [&](const jet::Problem& p) { return (p.where + ": " + p.what).find(text) != std::string::npos; });
}

std::string describe(const std::vector<jet::Problem>& problems) {
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
  jet::detail::DatabaseCore& core() { return db_->impl().core(); }
  jet::PageFile& file() { return core().file(); }
  const jet::StoredTableDefinition& table(const char* name) { return *core().definition(*core().findTable(name)); }
  std::uint32_t firstDataPage(const char* name) {
    return jet::readUsageMap(file(), table(name).ownedPagesMap).pages.front();
  }

  qbm::test::ScratchDir dir_;
  fs::path path_;
  std::unique_ptr<jet::Database> db_;
};

TEST_F(OwnershipCheck, SoundFileHasNoProblemsAndNoUnusedPages) {
  EXPECT_EQ("", describe(jet::check(*db_)));
  EXPECT_TRUE(jet::unusedPages(*db_).empty());
}

TEST_F(OwnershipCheck, APageUsedAndListedFreeIsReported) {
  std::uint32_t page = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(jet::format::usage_map::kGlobalFreePagesPointer, page);
  auto problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "page " + std::to_string(page) + ": it is used by the rows of table woofers, but the database lists it as free"))
      << describe(problems);
  db_->rollback();
}

TEST_F(OwnershipCheck, APageOwnedByTwoTablesIsReported) {
  std::uint32_t page = firstDataPage("woofers");
  db_->begin();
  core().allocator().addToMap(table("tweeters").ownedPagesMap, page);
  auto problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "it is used by the rows of table tweeters and by the rows of table woofers") ||
              mentions(problems, "it is used by the rows of table woofers and by the rows of table tweeters"))
      << describe(problems);
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
  EXPECT_TRUE(mentions(problems, "which another value uses too")) << describe(problems);

  // The first value's chain cut after its first row: the value is short.
  jet::RowLocation head = jet::rowLocationFromPointer(first.firstRow);
  std::vector<std::uint8_t> lval = file().copyPage(head.page);
  jet::RowSlot slot = jet::dataRowSlot(*file().page(head.page), file().layout(), head.row);
  jet::bytes::put32(lval, slot.start, 0);
  file().writePage(head.page, lval);
  problems = jet::check(*db_);
  EXPECT_TRUE(mentions(problems, "holds 4072 of its 18000 bytes")) << describe(problems);
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

}  // namespace
