#include "merge/merge_plan.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <unordered_map>

#include "common/text_chars.h"
#include "db/schema.h"
#include "merge/company_matcher.h"
#include "merge/driver_writer.h"
#include "merge/new_model_index.h"
#include "merge/unstorable_text.h"
#include "olddb/load_old_driver.h"
#include "olddb/old_driver_prefetch.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

// The new database as the merge will have left it after the entries planned so far: its company
// names with the companies those entries copy (under stand-in IDs above every ID the table has, in
// the order they are copied, as the table numbers them), and its driver tables' model look-ups with
// the rows they add (under stand-in bookmarks) and the models of the rows they replace.
class PlannedDatabase {
 public:
  PlannedDatabase(jet::Database& db, const CompanyNameTable& full, const CompanyNameTable& shortNames)
      : db_(db), full_(full), short_(shortNames), companies_(full_, short_) {
    for (const CompanyNameTable* table : {&full_, &short_})
      if (!table->entries().empty()) lastCompany_ = std::max(lastCompany_, table->entries().rbegin()->first);
  }

  std::vector<std::int32_t> companiesNamed(const std::string& upperName) { return companies_.Matches(upperName); }

  std::optional<MergeRow> row(DriverTable table, std::int32_t company, std::string_view key) {
    return models(table).find(company, key);
  }

  // The stand-in ID of the company the entry copies.
  std::int32_t copyCompany(std::size_t entry, const std::string& name) {
    const std::int32_t id = ++lastCompany_;
    RecordAddedCompany(id, name, full_, short_);
    companies_.refresh(id);
    copiers_.emplace(id, entry);
    return id;
  }
  // The entry that copies the company of that ID; nothing for a company the table holds.
  std::optional<std::size_t> copierOf(std::int32_t company) const {
    const auto found = copiers_.find(company);
    if (found == copiers_.end()) return std::nullopt;
    return found->second;
  }

  void addRow(DriverTable table, std::size_t entry, const std::string& model, std::int32_t company) {
    models(table).place(NewModelIndex::standIn(entry), 0, model, company);
  }
  void replaceRow(DriverTable table, const MergeRow& row, const std::string& model, std::int32_t company) {
    models(table).place(*row.bookmark, row.id, model, company);
  }

 private:
  NewModelIndex& models(DriverTable table) {
    std::unique_ptr<NewModelIndex>& index = table == DriverTable::Woofers ? woofers_ : tweeters_;
    if (!index)
      index = std::make_unique<NewModelIndex>(db_, table == DriverTable::Woofers ? tables::Woofers
                                                                                 : tables::Tweeters);
    return *index;
  }

  jet::Database& db_;
  CompanyNameTable full_, short_;
  CompanyMatcher companies_;
  std::int32_t lastCompany_ = 0;
  std::unordered_map<std::int32_t, std::size_t> copiers_;
  std::unique_ptr<NewModelIndex> woofers_, tweeters_;
};

class Planner {
 public:
  Planner(DatabaseState& db, OldDriverPrefetch& oldDrivers, const CompanyNameTable& full,
          const CompanyNameTable& shortNames, const UserLocale& locale, std::optional<bool> answer,
          const NewListEntry& shown)
      : db_(db), oldDrivers_(oldDrivers), planned_(*db.New.Db, full, shortNames), locale_(locale),
        answer_(answer), shown_(shown) {}

  // One entry, as the merge meets it: 1. its old driver loaded; 2. its company and its row found
  // in the new database as the entries before it leave it; 3. the question before the first entry
  // that replaces a row other than a woofer this merge adds; 4. unless refused, its texts checked,
  // its company copied when none is found, and its row added or replaced.
  PlannedEntry plan(ListEntry&& entry, std::size_t index, MergePlan& plan) {
    PlannedEntry p;
    p.entry = std::move(entry);
    const EntryMarker marker = MarkerOfEntry(p.entry.text);
    p.table = TableOfMarker(marker);
    if (marker == EntryMarker::Other) return skipped(std::move(p), SkipReason::NotADriver);
    WorkingDriver driver;  // a record of its own for every load
    try {
      if (!oldDrivers_.next(driver)) return skipped(std::move(p), SkipReason::OldRowMissing);
    } catch (const std::exception& e) {
      p.problems.add(p.entry.text, std::string("not read from the old database: ") + e.what());
      return skipped(std::move(p), SkipReason::NotRead);
    }

    // The companies the old name names, highest first; of them the highest holding the model.
    const std::vector<std::int32_t> companies = planned_.companiesNamed(UpperCase(driver.company.Company));
    std::int32_t company = companies.empty() ? 0 : companies.front();
    std::optional<MergeRow> row;
    const std::string key = NormalizeModel(driver.CurrentModel);
    for (const std::int32_t c : companies)
      if ((row = planned_.row(p.table, c, key))) {
        company = c;
        break;
      }
    if (row) {
      if (const std::optional<std::size_t> adder = NewModelIndex::standInEntry(*row->bookmark))
        p.row.addedBy = *adder;
      else
        p.row.existing = row;
      const bool addedHere = p.table == DriverTable::Woofers && p.row.addedBy;
      if (!plan.questionAt && !addedHere) {
        plan.questionAt = index;
        plan.refused = answer_ && !*answer_;
      }
      if (plan.questionAt && p.row.existing && shown_)
        if (std::optional<std::string> newEntry = shown_(p.table, p.row.existing->id))
          plan.overwritten.push_back({p.entry.text, std::move(*newEntry)});
      if (plan.refused) {
        p.caption = CopyingDriverCaption(driver.CurrentModel);
        return skipped(std::move(p), SkipReason::Refused);
      }
    }

    const std::string label = MergeDriverLabel(driver, p.table);
    const std::vector<UnstorableText> unstorable =
        UnstorableDriverTexts(driver, p.table, companies.empty(), db_, locale_);
    if (!unstorable.empty()) {
      for (const UnstorableText& text : unstorable)
        p.problems.add(label, UnstorableTextProblem(text, db_.New.Db->codePage()));
      p.caption = CopyingDriverCaption(driver.CurrentModel);
      return skipped(std::move(p), SkipReason::Unstorable);
    }
    if (companies.empty()) {
      company = planned_.copyCompany(index, driver.company.Company);
      p.copiesCompany = true;
      p.company.copiedBy = index;
    } else if (const std::optional<std::size_t> copier = planned_.copierOf(company)) {
      p.company.copiedBy = *copier;
    } else {
      p.company.id = company;
    }
    if (row) {
      p.action = PlannedAction::Replace;
      planned_.replaceRow(p.table, *row, driver.CurrentModel, company);
    } else {
      p.action = PlannedAction::Add;
      planned_.addRow(p.table, index, driver.CurrentModel, company);
    }
    return p;
  }

 private:
  static PlannedEntry skipped(PlannedEntry p, SkipReason reason) {
    p.action = PlannedAction::Skip;
    p.skip = reason;
    return p;
  }

  DatabaseState& db_;
  OldDriverPrefetch& oldDrivers_;  // loads, in order, the entries that are drivers
  PlannedDatabase planned_;
  const UserLocale& locale_;
  std::optional<bool> answer_;
  const NewListEntry& shown_;
};

bool writes(const PlannedEntry& p) { return p.action != PlannedAction::Skip; }

// Invariants 1 to 3 of merge_plan.h.
[[maybe_unused]] bool wellFormed(const MergePlan& plan) {
  const auto& e = plan.entries;
  for (std::size_t i = 0; i < e.size(); ++i) {
    if (e[i].copiesCompany && (!writes(e[i]) || e[i].company.copiedBy != i)) return false;
    if (e[i].company.copiedBy && (*e[i].company.copiedBy > i || !writes(e[*e[i].company.copiedBy])))
      return false;
    if (e[i].row.addedBy &&
        (*e[i].row.addedBy >= i || e[*e[i].row.addedBy].action != PlannedAction::Add))
      return false;
    const bool replacesOther = e[i].row.existing || (e[i].row.addedBy && e[i].table == DriverTable::Tweeters);
    if (replacesOther && (!plan.questionAt || i < *plan.questionAt)) return false;
  }
  return true;
}

}  // namespace

std::string CopyingDriverCaption(std::string_view currentModel) {
  return "Copying " + std::string(currentModel) + "...";
}

std::string_view SkipReasonName(SkipReason reason) {
  switch (reason) {
    case SkipReason::None: return "";
    case SkipReason::NotADriver: return "not a driver";
    case SkipReason::OldRowMissing: return "old row missing";
    case SkipReason::NotRead: return "not read";
    case SkipReason::Refused: return "refused";
    case SkipReason::Unstorable: return "text not storable";
  }
  return "";
}

std::string MergePlanText(const MergePlan& plan) {
  std::string text;
  for (std::size_t i = 0; i < plan.entries.size(); ++i) {
    const PlannedEntry& p = plan.entries[i];
    std::string what;
    if (p.action == PlannedAction::Add) what = "add";
    if (p.action == PlannedAction::Replace)
      what = p.row.existing ? "replace ID " + std::to_string(p.row.existing->id)
                            : "replace the row entry " + std::to_string(*p.row.addedBy + 1) + " adds";
    if (p.action == PlannedAction::Skip) what = "skip (" + std::string(SkipReasonName(p.skip)) + ")";
    text += std::to_string(i + 1) + ". " + what + ": " + p.entry.text;
    if (p.copiesCompany)
      text += ", copies its company";
    else if (p.company.copiedBy)
      text += ", company copied by entry " + std::to_string(*p.company.copiedBy + 1);
    text += "\r\n";
  }
  if (plan.questionAt)
    text += "The overwrite question comes before entry " + std::to_string(*plan.questionAt + 1) +
            (plan.refused ? "; answered No.\r\n" : "; answered Yes.\r\n");
  return text;
}

MergeSummary MergePlan::expected() const {
  MergeSummary s;
  s.entries = static_cast<long>(entries.size());
  s.asked = questionAt.has_value();
  s.refused = refused;
  for (const PlannedEntry& p : entries) {
    MergeCounts& counts = p.table == DriverTable::Woofers ? s.woofers : s.tweeters;
    if (p.action == PlannedAction::Add) ++counts.added;
    if (p.action == PlannedAction::Replace) ++counts.replaced;
    if (p.action == PlannedAction::Skip) ++counts.skipped;
    if (p.copiesCompany) ++s.companiesAdded;
    if (p.skip == SkipReason::OldRowMissing) ++s.oldRowsMissing;
    for (const WriteProblem& problem : p.problems.all())
      (p.skip == SkipReason::NotRead ? s.readProblems : s.problems).add(problem.driver, problem.what);
  }
  return s;
}

MergePlan PlanMerge(std::vector<ListEntry> entries, DatabaseState& db, OldDriverRows& oldRows,
                    const CompanyNameTable& newFull, const CompanyNameTable& newShort,
                    const UserLocale& locale, std::optional<bool> answer,
                    const NewListEntry& shownNewEntry,
                    const std::function<void(long done, long total)>& progress) {
  MergePlan plan;
  plan.entries.reserve(entries.size());
  std::vector<OldDriverPrefetch::Load> loads;
  for (const ListEntry& entry : entries)
    if (const EntryMarker marker = MarkerOfEntry(entry.text); marker != EntryMarker::Other)
      loads.push_back({TableOfMarker(marker), entry.itemData});
  OldDriverPrefetch oldDrivers(std::move(loads), oldRows, db);
  Planner planner(db, oldDrivers, newFull, newShort, locale, answer, shownNewEntry);
  const long total = static_cast<long>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    plan.entries.push_back(planner.plan(std::move(entries[i]), i, plan));
    if (progress) progress(static_cast<long>(i + 1), total);
  }
  assert(wellFormed(plan));
  return plan;
}

}  // namespace qbm
