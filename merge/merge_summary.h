#pragma once
// What one merge did: drivers added, replaced and skipped per table, companies added, and what
// could not be read or written.

#include <string>

#include "db/table_walk.h"
#include "jet/repair.h"
#include "merge/write_problems.h"

namespace qbm {

struct MergeCounts {
  long added = 0;     // new rows saved
  long replaced = 0;  // existing rows written over in place
  long skipped = 0;   // listed but not written (refused, old row gone, company or row not saved)
};

struct MergeSummary {
  long entries = 0;         // FromList entries at the start
  MergeCounts woofers;      // "(ob)" entries, legacy drivers included
  MergeCounts tweeters;     // "(sb)" entries
  long companiesAdded = 0;
  long oldRowsMissing = 0;  // entries whose old row was not found (counted as skipped)
  bool asked = false;       // the overwrite question was shown
  bool refused = false;     // and answered No
  WriteProblems problems;
  // What could not be read from the old database: listed drivers that could not be loaded (named,
  // and skipped), and the rows and pages its scan passed over, whose drivers were never listed.
  WriteProblems readProblems;
  ReadProblems oldScanUnread;
  long readProblemCount() const { return static_cast<long>(readProblems.size()) + oldScanUnread.total(); }
  jet::FreePageMapRepair freePageMap;  // the new database's map of free pages, repaired first
};

// The summary in a few lines for people: one line per table ("Woofers: 3 added, 1 replaced,
// 0 skipped."), then companies, a line when the map of free pages was rebuilt, and the numbers of
// read and write problems.
std::string MergeSummaryText(const MergeSummary& summary);

}  // namespace qbm
