#include "merge/apply_merge_plan.h"

#include <cassert>
#include <optional>
#include <vector>

#include "common/text_chars.h"
#include "jet/repair.h"
#include "merge/company_copy.h"
#include "merge/driver_writer.h"
#include "merge/new_database_writer.h"
#include "merge/new_driver_matcher.h"
#include "olddb/old_driver_prefetch.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

class PlanWriter {
 public:
  PlanWriter(const MergePlan& plan, DatabaseState& db, OldDriverPrefetch& oldDrivers,
             const CompanyNameTable& newFull, const CompanyNameTable& newShort,
             const UserLocale& locale, UserInterface& progress, const LookupsFactory& lookups,
             MergeSummary& summary)
      : plan_(plan), db_(db), oldDrivers_(oldDrivers), names_{{}, {}, newFull, newShort},
        matcher_(lookups ? lookups(db, names_) : std::make_unique<IndexedDriverMatcher>(db, names_)),
        writer_(db, names_, *matcher_, summary.problems), locale_(locale),
        progress_(progress), summary_(summary), companyOf_(plan.entries.size()),
        rowOf_(plan.entries.size()) {}

  void write(std::size_t index) {
    const PlannedEntry& p = plan_.entries[index];
    MergeCounts& counts = p.table == DriverTable::Woofers ? summary_.woofers : summary_.tweeters;
    switch (p.skip) {
      case SkipReason::None:
        break;
      case SkipReason::OldRowMissing:
        ++summary_.oldRowsMissing;
        ++counts.skipped;
        return;
      case SkipReason::NotRead:
        for (const WriteProblem& problem : p.problems.all()) summary_.readProblems.add(problem.driver, problem.what);
        ++counts.skipped;
        return;
      case SkipReason::Refused:
      case SkipReason::Unstorable:
        progress_.showProgressStep(p.caption);
        for (const WriteProblem& problem : p.problems.all()) summary_.problems.add(problem.driver, problem.what);
        ++counts.skipped;
        return;
      case SkipReason::NotADriver:
        ++counts.skipped;
        return;
    }
    WorkingDriver driver;  // loaded again, into a record of its own
    try {
      if (!oldDrivers_.next(driver)) {
        ++summary_.oldRowsMissing;
        ++counts.skipped;
        return;
      }
    } catch (const std::exception& e) {
      summary_.readProblems.add(p.entry.text, std::string("not read from the old database: ") + e.what());
      ++counts.skipped;
      return;
    }
    progress_.showProgressStep(CopyingDriverCaption(driver.CurrentModel));
    const std::string label = MergeDriverLabel(driver, p.table);

    // The company and the row as the plan names them, through what the entries before this one
    // actually wrote.
    const std::size_t copier = p.company.copiedBy.value_or(index);
    const bool copies = p.copiesCompany || (p.company.copiedBy && !companyOf_[copier]);
    std::optional<MergeRow> replaces;
    if (p.row.existing) replaces = p.row.existing;
    if (p.row.addedBy) replaces = rowOf_[*p.row.addedBy];
    if (p.action == PlannedAction::Add || (p.row.addedBy && !replaces)) replaces.reset();
    checkInStep(p, driver, copies ? std::nullopt : std::optional<std::int32_t>(companyId(p)), replaces, label);

    std::int32_t company = 0;
    if (copies) {
      const std::optional<std::int32_t> id = CopyCompany(driver, writer_, label);
      if (!id) {
        summary_.problems.add(label, "not written, as its company could not be added");
        ++counts.skipped;
        return;
      }
      ++summary_.companiesAdded;
      companyOf_[copier] = company = *id;
    } else {
      company = companyId(p);
    }
    const std::optional<MergeRow> written =
        WriteDriver(p.table, driver, DriverPlacement{company, replaces}, writer_, locale_);
    if (!written) {
      ++counts.skipped;
      return;
    }
    ++(replaces ? counts.replaced : counts.added);
    if (!replaces) rowOf_[p.row.addedBy.value_or(index)] = written;
  }

 private:
  std::int32_t companyId(const PlannedEntry& p) const {
    return p.company.copiedBy ? *companyOf_[*p.company.copiedBy] : p.company.id;
  }

  // The invariant of apply_merge_plan.h: the matching rules, asked of the new database as it now
  // is, give the entry the same company (none, when it is to be copied) and the same row.
  void checkInStep(const PlannedEntry& p, const WorkingDriver& driver, std::optional<std::int32_t> company,
                   const std::optional<MergeRow>& replaces, const std::string& label) {
    const std::vector<std::int32_t> companies = matcher_->matchCompanies(UpperCase(driver.company.Company));
    std::optional<std::int32_t> found = companies.empty() ? std::nullopt : std::optional(companies.front());
    std::optional<MergeRow> row;
    const std::string key = NormalizeModel(driver.CurrentModel);
    for (const std::int32_t c : companies)
      if ((row = matcher_->matchModel(p.table, c, key))) {
        found = c;
        break;
      }
    const bool sameRow = row.has_value() == replaces.has_value() && (!row || row->bookmark == replaces->bookmark);
    if (found != company || !sameRow)
      throw MergePlanOutOfStep("the new database changed while the merge was being written (" + label +
                               " no longer goes where it was planned to go)");
  }

  const MergePlan& plan_;
  DatabaseState& db_;
  OldDriverPrefetch& oldDrivers_;  // loads, in order, the entries that are written
  CompanyNameTables names_;  // the old side's tables are not used
  std::unique_ptr<NewDriverMatcher> matcher_;
  NewDatabaseWriter writer_;
  const UserLocale& locale_;
  UserInterface& progress_;
  MergeSummary& summary_;
  std::vector<std::optional<std::int32_t>> companyOf_;  // by copying entry: the ID its copy got
  std::vector<std::optional<MergeRow>> rowOf_;          // by adding entry: the row it saved
};

}  // namespace

MergeSummary ApplyMergePlan(const MergePlan& plan, DatabaseState& db, OldDriverRows& oldRows,
                            const CompanyNameTable& newFull, const CompanyNameTable& newShort,
                            const UserLocale& locale, UserInterface& progress,
                            const LookupsFactory& lookups) {
  MergeSummary summary;
  summary.entries = static_cast<long>(plan.entries.size());
  summary.asked = plan.questionAt.has_value();
  summary.refused = plan.refused;
  summary.freePageMap = jet::repairFreePageMap(*db.New.Db);
  std::vector<OldDriverPrefetch::Load> loads;
  for (const PlannedEntry& p : plan.entries)
    if (p.skip == SkipReason::None) loads.push_back({p.table, p.entry.itemData});
  OldDriverPrefetch oldDrivers(std::move(loads), oldRows, db);
  PlanWriter writer(plan, db, oldDrivers, newFull, newShort, locale, progress, lookups, summary);
  for (std::size_t i = 0; i < plan.entries.size(); ++i) {
    writer.write(i);
    progress.updateProgress(static_cast<long>(i + 1), summary.entries);
  }
  return summary;
}

}  // namespace qbm
