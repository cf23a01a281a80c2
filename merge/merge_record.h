#pragma once
// What a merge keeps beside the new database with the means to undo it (jet's undo record): when it
// was done and what it did, so that undo can say what it will undo and what it undid. Stored as a
// few "key=value" lines; a record of another shape reads as zeros and an empty time.

#include <string>
#include <string_view>

#include "merge/merge_summary.h"

namespace qbm {

struct MergeRecord {
  std::string when;  // local date and time of the merge, "2026-12-08 14:02"
  MergeCounts woofers;
  MergeCounts tweeters;
  long companiesAdded = 0;
  long added() const { return woofers.added + tweeters.added; }
  long replaced() const { return woofers.replaced + tweeters.replaced; }
  friend bool operator==(const MergeRecord&, const MergeRecord&) = default;
};

// The record of a merge done now (the computer's local time) that did what summary says.
MergeRecord MergeRecordOf(const MergeSummary& summary);
std::string EncodeMergeRecord(const MergeRecord& record);
MergeRecord DecodeMergeRecord(std::string_view note);

// "the merge of 14:02: 68 added, 134 replaced, 2 companies" (the time alone, "14:02", when the
// merge was today; date and time otherwise; "1 company"; no companies part when none were added).
std::string MergeRecordText(const MergeRecord& record, std::string_view today);
// Today's local date as MergeRecord::when starts ("2026-12-08").
std::string LocalDateToday();

}  // namespace qbm
