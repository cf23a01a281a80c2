// The note a merge keeps with its undo record: read back as written, tolerant of other shapes, and
// told as the undo question says it (the time alone for today's merges, companies counted once).

#include <gtest/gtest.h>

#include "merge/merge_record.h"

namespace qbm {
namespace {

// Every field, as the note writes it.
std::string fields(const MergeRecord& r) { return EncodeMergeRecord(r); }

TEST(MergeRecord, ReadsBackAsWrittenAndOtherShapesReadAsZeros) {
  const MergeRecord r{"2026-12-08 14:02", {60, 130, 2}, {8, 4, 1}, 2};
  EXPECT_EQ(fields(DecodeMergeRecord(EncodeMergeRecord(r))), fields(r));
  EXPECT_EQ(fields(DecodeMergeRecord("")), fields(MergeRecord{}));
  EXPECT_EQ(fields(DecodeMergeRecord("woofers=5\nnonsense\ncompanies=x\n")), fields(MergeRecord{"", {5, 0, 0}, {}, 0}));
  MergeSummary summary;
  summary.woofers = {1, 2, 3};
  summary.companiesAdded = 4;
  const MergeRecord now = MergeRecordOf(summary);
  EXPECT_EQ(now.woofers.skipped, 3);
  EXPECT_EQ(now.companiesAdded, 4);
  ASSERT_EQ(now.when.size(), 16u) << now.when;
  EXPECT_EQ(now.when.substr(0, 10), LocalDateToday());
}

TEST(MergeRecord, TheTextSaysTheTimeAloneForTodayAndCountsCompanies) {
  MergeRecord r{"2026-12-08 14:02", {60, 130, 2}, {8, 4, 1}, 2};
  EXPECT_EQ(MergeRecordText(r, "2026-12-08"), "the merge of 14:02: 68 added, 134 replaced, 2 companies");
  EXPECT_EQ(MergeRecordText(r, "2026-12-09"), "the merge of 2026-12-08 14:02: 68 added, 134 replaced, 2 companies");
  r.companiesAdded = 1;
  EXPECT_EQ(MergeRecordText(r, "2026-12-08"), "the merge of 14:02: 68 added, 134 replaced, 1 company");
  r.companiesAdded = 0;
  r.when.clear();
  EXPECT_EQ(MergeRecordText(r, "2026-12-08"), "the merge: 68 added, 134 replaced");
}

}  // namespace
}  // namespace qbm
