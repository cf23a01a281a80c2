#pragma once
// The machine-readable output of list, show and merge (--json): one JSON document each, strings
// escaped as the dump's JSON escapes them (jet/dump.h). The shapes are documented in the README.

#include <string>

#include "merge/merge_plan.h"
#include "merge/merge_summary.h"
#include "report/report_box.h"
#include "session/driver_list.h"

namespace qbm::cli {

// {"entries": [{"id", "side": "ob"|"sb", "company", "model", "text"}], "tooltip"}, in list order.
std::string ListJson(const DriverList& list);
// {"lines": [{"text", "bold"}]}: the report's lines without their line ends.
std::string ReportJson(const ReportBox& box);
// {"dryRun", "summary": {...counts}, "readProblems": [{"driver", "what"}], "writeProblems": [...]}.
std::string MergeJson(const MergeSummary& summary, bool dryRun);
// {"questionBefore": entry or null, "refused", "expected": {counts as "summary" gives them},
//  "entries": [{"entry", "action": "add"|"replace"|"skip", "skipped": why or null, "company": ID
//  or null, "companyCopiedBy": entry or null, "copiesCompany", "replaces": ID or null,
//  "replacesRowAddedBy": entry or null}]}; entries are numbered from 0 in list order.
std::string PlanJson(const MergePlan& plan);

}  // namespace qbm::cli
