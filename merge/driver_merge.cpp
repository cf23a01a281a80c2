#include "merge/driver_merge.h"

#include <optional>

#include "common/text_chars.h"
#include "jet/check/free_page_map_repair.h"
#include "merge/company_copy.h"
#include "merge/driver_writer.h"
#include "merge/overwrite_question.h"
#include "merge/unstorable_text.h"
#include "olddb/load_old_driver.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

class EntryMerge {
 public:
  EntryMerge(MergeContext& c, MergeSummary& summary) : c_(c), summary_(summary) {}

  void run(const ListEntry& entry) {
    const EntryMarker marker = MarkerOfEntry(entry.text);
    state_.MergeIsNew = YesNoTrue;
    const DriverTable table = marker == EntryMarker::Tweeter ? DriverTable::Tweeters : DriverTable::Woofers;
    MergeCounts& counts = table == DriverTable::Woofers ? summary_.woofers : summary_.tweeters;
    if (marker == EntryMarker::Other || !loadOldDriver(marker, entry)) {
      ++counts.skipped;
      return;
    }
    const std::string caption = CopyingDriverCaption(c_.driver.CurrentModel);
    c_.ui.showProgress(caption);

    std::optional<MergeRow> matched = match(table);
    if (matched) {
      const bool addedHere = table == DriverTable::Woofers && state_.AddedWoofers.contains(matched->id);
      if (!question_.asked() && !addedHere) question_.ask(c_.ui, caption);
      summary_.asked = question_.asked();
      summary_.refused = question_.refused();
      if (question_.refused()) {
        ++counts.skipped;
        return;
      }
    }
    write(table, matched, counts);
  }

 private:
  bool loadOldDriver(EntryMarker marker, const ListEntry& entry) {
    try {
      if (!c_.moveToOldRow(marker, entry.itemData)) {
        ++summary_.oldRowsMissing;
        return false;
      }
      LoadOldDriver(c_.selection.OldDriverIsTweeter, c_.selection, c_.db, c_.driver);
      return true;
    } catch (const std::exception& e) {
      summary_.readProblems.add(entry.text, std::string("not read from the old database: ") + e.what());
      return false;
    }
  }

  // Sets MergeCompanyMissing and MergeCompanyId; the matched row, when the driver has one. Of
  // the companies the old name names, the highest that holds the model, so that a driver written
  // once is found again however many companies its maker's name begins.
  std::optional<MergeRow> match(DriverTable table) {
    state_.MergeIsNew = YesNoTrue;
    state_.MergeCompanyMissing = YesNoTrue;
    const std::vector<std::int32_t> companies =
        c_.matcher.matchCompanies(UpperCase(c_.driver.company.Company));
    if (companies.empty()) return std::nullopt;
    state_.MergeCompanyId = companies.front();
    state_.MergeCompanyMissing = YesNoFalse;
    const std::string key = NormalizeModel(c_.driver.CurrentModel);
    for (const std::int32_t company : companies)
      if (std::optional<MergeRow> row = c_.matcher.matchModel(table, company, key)) {
        state_.MergeCompanyId = company;
        state_.MergeIsNew = YesNoFalse;
        return row;
      }
    return std::nullopt;
  }

  void write(DriverTable table, const std::optional<MergeRow>& matched, MergeCounts& counts) {
    const std::string label = MergeDriverLabel(c_.driver, table);
    if (!textsFit(table, label)) {
      ++counts.skipped;
      return;
    }
    if (state_.MergeCompanyMissing != YesNoFalse && !addCompany(label)) {
      summary_.problems.add(label, "not written, as its company could not be added");
      ++counts.skipped;
      return;
    }
    MergeRow& row = table == DriverTable::Woofers ? state_.MergeWooferRow : state_.MergeTweeterRow;
    if (matched) row = *matched;
    const std::int16_t isTweeter = table == DriverTable::Tweeters ? YesNoTrue : YesNoFalse;
    const std::optional<jet::Bookmark> written =
        WriteDriver(isTweeter, c_.driver, state_, c_.db, c_.matcher, summary_.problems, c_.locale);
    if (!written) {
      ++counts.skipped;
      return;
    }
    ++(matched ? counts.replaced : counts.added);
  }

  // True when the new database can store every text the driver (and its company, when that is to
  // be added) would write; otherwise each field that cannot is recorded, and nothing is written.
  bool textsFit(DriverTable table, const std::string& label) {
    const std::vector<UnstorableText> unstorable = UnstorableDriverTexts(
        c_.driver, table, state_.MergeCompanyMissing != YesNoFalse, c_.db, c_.locale);
    for (const UnstorableText& text : unstorable)
      summary_.problems.add(label, UnstorableTextProblem(text, c_.db.NewDb->codePage()));
    return unstorable.empty();
  }

  // CopyCompany; the matcher then finds the company for every later driver of its name (a
  // nameless one included).
  bool addCompany(const std::string& label) {
    const std::optional<std::int32_t> id =
        CopyCompany(c_.driver, state_, c_.db, c_.names, summary_.problems, label);
    if (!id) return false;
    ++summary_.companiesAdded;
    c_.matcher.companyChanged(*id);
    return true;
  }

  MergeContext& c_;
  MergeSummary& summary_;
  MergeState state_;
  OverwriteQuestion question_;
};

}  // namespace

std::string CopyingDriverCaption(std::string_view currentModel) {
  return "Copying " + std::string(currentModel) + "...";
}

MergeSummary MergeDrivers(const std::vector<ListEntry>& entries, MergeContext& context) {
  MergeSummary summary;
  summary.entries = static_cast<long>(entries.size());
  if (context.db.NewDb) summary.freePageMap = jet::repairFreePageMap(*context.db.NewDb);
  EntryMerge merge(context, summary);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    merge.run(entries[i]);
    context.ui.updateProgress(static_cast<long>(i + 1), summary.entries);
  }
  return summary;
}

}  // namespace qbm
