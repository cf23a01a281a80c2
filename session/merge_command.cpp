// "Merge >": copy every driver FromList still lists into the new database, as one transaction.

#include "session/merge_command.h"

#include <exception>
#include <memory>
#include <unordered_map>

#include "common/user_locale.h"
#include "merge/apply_merge_plan.h"
#include "merge/merge_plan.h"
#include "merge/new_database_check.h"
#include "merge/overwrite_question.h"
#include "session/failure_messages.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {
namespace {

// The most problems a message lists one by one.
constexpr std::size_t MaxProblemLines = 12;

// The ToList entry of a row, through a map of the list made on first use (only the overwrite
// question's details ask). The list is not changed while the merge runs.
NewListEntry ShownNewEntries(const DriverList& list) {
  using Rows = std::unordered_map<std::int64_t, const std::string*>;
  auto rows = std::make_shared<Rows>();
  const auto key = [](DriverTable table, std::int32_t id) {
    return (std::int64_t{table == DriverTable::Tweeters} << 32) | static_cast<std::uint32_t>(id);
  };
  return [&list, rows, key](DriverTable table, std::int32_t id) -> std::optional<std::string> {
    if (rows->empty())
      for (const DriverList::Entry& e : list.entries())
        if (const EntryMarker marker = MarkerOfEntry(e.text); marker != EntryMarker::Other)
          rows->emplace(key(TableOfMarker(marker), e.itemData), &e.text);
    const auto found = rows->find(key(table, id));
    if (found == rows->end()) return std::nullopt;
    return *found->second;
  };
}

}  // namespace

std::string MergeFailedMessage(std::string_view newFileName, std::string_view detail) {
  return "Sorry, the merge into " + std::string(newFileName) + " was stopped (" +
         std::string(detail) +
         "). Nothing was written: the new database is as it was before the merge, and the old "
         "drivers are still listed.";
}

std::string NewDatabaseDamagedMessage(std::string_view newFileName,
                                      const std::vector<jet::Problem>& problems) {
  const std::size_t n = problems.size();
  return "Sorry, the new database " + std::string(newFileName) +
         " is damaged, so nothing was merged into it (" + std::to_string(n) +
         (n == 1 ? " problem" : " problems") + "):\r\n" + DamageLines(problems, MaxProblemLines) +
         "\r\nNothing was written: the file is as it was. Restore it from a backup, or repair it, "
         "then merge again.";
}

std::string ReadProblemsMessage(std::string_view oldFileName, const MergeSummary& summary) {
  const long n = summary.readProblemCount();
  std::string text = "Not everything could be read from " + std::string(oldFileName) + " (" +
                     std::to_string(n) + (n == 1 ? " read problem" : " read problems") + "):";
  if (summary.oldScanUnread.total() > 0)
    text += "\r\n" + UnreadablePartsText(summary.oldScanUnread) +
            " could not be read when the old drivers were listed; the drivers in " +
            UnreadablePartsPronoun(summary.oldScanUnread) + " were not listed and not merged.";
  if (!summary.readProblems.empty())
    text += "\r\n" + WriteProblemLines(summary.readProblems, MaxProblemLines);
  return text + "\r\nThe file may be damaged. Everything else was merged.";
}

std::string WriteProblemsMessage(std::string_view newFileName, const MergeSummary& summary) {
  const std::size_t n = summary.problems.size();
  return "Not everything could be written into " + std::string(newFileName) + " (" +
         std::to_string(n) + (n == 1 ? " problem" : " problems") + "):\r\n" +
         WriteProblemLines(summary.problems, MaxProblemLines) +
         "\r\nEverything else was merged.";
}

MergeOutcome Session::MMerge_Click(const MergeOptions& options) {
  MergeOutcome outcome;
  outcome.summary.oldScanUnread = state_.OldUnreadable;
  if (state_.FromList.empty()) return outcome;
  OperationScope scope(ui_);
  scope.setBusy(true);
  DatabaseState& db = state_.databases;
  if (!db.New.DbOpen || !db.New.Db || !db.New.Woofers) {
    outcome.status = MergeOutcome::Status::NewDatabaseClosed;
    scope.showMessage(std::string(NewDatabaseClosedMessage), MessageIcon::Exclamation);
    scope.setBusy(false);
    notify();
    return outcome;
  }
  // The plan keeps the entries' texts; each planning gets its own copy of them, so that FromList
  // and one plan are all that hold them.
  const auto fromEntries = [this] {
    std::vector<ListEntry> entries;
    entries.reserve(state_.FromList.count());
    for (const DriverList::Entry& e : state_.FromList.entries()) entries.push_back({e.text, e.itemData});
    return entries;
  };
  const CompanyNameTable& newFull = state_.companyNames.NewCompanyFull;
  const CompanyNameTable& newShort = state_.companyNames.NewCompanyShort;
  const UserLocale locale = currentUserLocale();
  try {
    // 1. The plan, read from both databases; nothing is written.
    const auto planned = [&](std::optional<bool> answer) {
      scope.showProgress(std::string(PlanningMergeCaption));
      MergePlan plan = PlanMerge(fromEntries(), db, oldRows_, newFull, newShort, locale, answer,
                                 ShownNewEntries(state_.ToList),
                                 [&](long done, long total) { scope.updateProgress(done, total); });
      scope.hideProgress();
      return plan;
    };
    // The first plan is made while the check before the first write reads the new database on a
    // thread of its own; a damaged file is refused as if the check had come first.
    MergePlan plan;
    {
      NewDatabaseCheckAlongside check(*db.New.Db);
      std::exception_ptr planFailure;
      try {
        plan = planned(std::nullopt);
      } catch (...) {
        planFailure = std::current_exception();
      }
      check.wait();
      if (planFailure) std::rethrow_exception(planFailure);
    }
    // 2. The question, with the plan at hand, before any page is changed; No plans again.
    if (plan.questionAt) {
      const bool yes = scope.askYesNoWithDetails(
          OverwriteQuestionText(), [&plan] { return OverwriteDetailsText(plan.overwritten); });
      if (!yes) plan = planned(false);
    }
    // 3. The plan written, in one transaction.
    scope.showProgress(std::string(CopyingDriversCaption));
    jet::Transaction transaction(*db.New.Db);  // rolled back when anything below throws
    outcome.summary = ApplyMergePlan(plan, db, oldRows_, newFull, newShort, locale, scope);
    outcome.summary.oldScanUnread = state_.OldUnreadable;
    if (options.dryRun) {
      transaction.rollback();
    } else {
      // Kept beside the file with what the merge changed, so that "Undo Merge" can put it back.
      db.New.Db->keepUndoRecord(EncodeMergeRecord(MergeRecordOf(outcome.summary)));
      transaction.commit();
    }
    outcome.planned = std::move(plan);
  } catch (const std::exception& e) {
    scope.hideProgress();
    const auto* damaged = dynamic_cast<const NewDatabaseDamaged*>(&e);
    outcome.status = damaged ? MergeOutcome::Status::Refused : MergeOutcome::Status::Failed;
    outcome.failure = e.what();
    scope.showMessage(damaged ? NewDatabaseDamagedMessage(db.New.Name.caption, damaged->problems())
                              : MergeFailedMessage(db.New.Name.caption, e.what()),
                      MessageIcon::Critical);
    scope.setBusy(false);
    notify();
    return outcome;
  }
  outcome.status = MergeOutcome::Status::Merged;

  state_.FromList.tooltip.clear();
  state_.FromList.clear();
  state_.FromRText.clear();
  scope.hideProgress();
  rescanNewDatabase();
  if (options.reportProblems && outcome.summary.readProblemCount() > 0)
    scope.showMessage(ReadProblemsMessage(db.Old.Name.caption, outcome.summary),
                      MessageIcon::Exclamation);
  if (options.reportProblems && !outcome.summary.problems.empty())
    scope.showMessage(WriteProblemsMessage(db.New.Name.caption, outcome.summary),
                      MessageIcon::Exclamation);
  scope.setBusy(false);
  notify();
  return outcome;
}

}  // namespace qbm
