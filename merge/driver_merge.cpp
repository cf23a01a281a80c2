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
  EntryMerge(MergeContext& c, MergeSummary& summary)
      : c_(c), summary_(summary), writer_(c.db, c.names, c.matcher, summary.problems) {}

  // One entry: 1. its old row loaded (skipped when missing or unreadable); 2. the caption;
  // 3. the company and the model matched; 4. the overwrite question for a matched row the first
  // time (not for a woofer row this merge added); 5. unless refused, the texts checked, the company
  // added when missing, and the driver written.
  void run(const std::vector<ListEntry>& entries, std::size_t index) {
    const ListEntry& entry = entries[index];
    const EntryMarker marker = MarkerOfEntry(entry.text);
    state_.MergeIsNew = true;
    const DriverTable table = TableOfMarker(marker);
    MergeCounts& counts = table == DriverTable::Woofers ? summary_.woofers : summary_.tweeters;
    if (marker == EntryMarker::Other || !loadOldDriver(table, entry)) {
      ++counts.skipped;
      return;
    }
    const std::string caption = CopyingDriverCaption(c_.driver.CurrentModel);
    c_.ui.showProgressStep(caption);

    const Match found = match(table, c_.driver);
    state_.MergeCompanyMissing = found.companyMissing;
    if (!found.companyMissing) state_.MergeCompanyId = found.companyId;
    state_.MergeIsNew = !found.row;
    const std::optional<MergeRow>& matched = found.row;
    if (matched) {
      const bool addedHere = table == DriverTable::Woofers && state_.AddedWoofers.contains(matched->id);
      if (!question_.asked() && !addedHere)
        question_.ask(c_.ui, caption, [&] { return overwrites(entries, index); });
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
  bool loadOldDriver(DriverTable table, const ListEntry& entry) {
    c_.selection.OldDriverIsTweeter = table == DriverTable::Tweeters;
    c_.selection.OldDriverId = entry.itemData;
    try {
      if (!LoadOldDriver(table, entry.itemData, c_.oldRows, c_.db, c_.driver)) {
        ++summary_.oldRowsMissing;
        return false;
      }
      return true;
    } catch (const std::exception& e) {
      summary_.readProblems.add(entry.text, std::string("not read from the old database: ") + e.what());
      return false;
    }
  }

  struct Match {
    bool companyMissing = true;
    std::int32_t companyId = 0;
    std::optional<MergeRow> row;
  };

  // The driver's company and row in the new database. Of the new companies the old name names
  // (those whose name it begins; for an empty name those that exist without a name), the highest
  // that has a row whose normalised model, without its section suffix or whole (NewModelKeys),
  // equals NormalizeModel(CurrentModel), with the first such row; when none has one, the highest
  // company and no row. So a driver written once is found again however many companies its
  // maker's name begins; a nameless company is added only while the new database has none.
  Match match(DriverTable table, const WorkingDriver& driver) {
    Match found;
    const std::vector<std::int32_t> companies =
        c_.matcher.matchCompanies(UpperCase(driver.company.Company));
    if (companies.empty()) return found;
    found.companyMissing = false;
    found.companyId = companies.front();
    const std::string key = NormalizeModel(driver.CurrentModel);
    for (const std::int32_t company : companies)
      if (std::optional<MergeRow> row = c_.matcher.matchModel(table, company, key)) {
        found.companyId = company;
        found.row = row;
        return found;
      }
    return found;
  }

  // The overwrite question's details: the entries from entries[from] on whose driver matches a
  // row the new list shows, each with that row's entry. The drivers are loaded into a copy of the
  // working record, in list order as the merge loads them; an entry that cannot be loaded is left
  // out, as the merge skips it. Nothing is written.
  std::vector<OverwrittenDriver> overwrites(const std::vector<ListEntry>& entries, std::size_t from) {
    std::vector<OverwrittenDriver> found;
    if (!c_.newListEntry) return found;
    WorkingDriver driver = c_.driver;
    for (std::size_t i = from; i < entries.size(); ++i) {
      const EntryMarker marker = MarkerOfEntry(entries[i].text);
      if (marker == EntryMarker::Other) continue;
      const DriverTable table = TableOfMarker(marker);
      try {
        if (!LoadOldDriver(table, entries[i].itemData, c_.oldRows, c_.db, driver)) continue;
      } catch (const std::exception&) {
        continue;  // the merge meets the same failure at this entry and counts it as a read problem
      }
      const std::optional<MergeRow> row = match(table, driver).row;
      if (!row) continue;
      if (std::optional<std::string> shown = c_.newListEntry(table, row->id))
        found.push_back({entries[i].text, std::move(*shown)});
    }
    return found;
  }

  void write(DriverTable table, const std::optional<MergeRow>& matched, MergeCounts& counts) {
    const std::string label = MergeDriverLabel(c_.driver, table);
    if (!textsFit(table, label)) {
      ++counts.skipped;
      return;
    }
    if (state_.MergeCompanyMissing && !addCompany(label)) {
      summary_.problems.add(label, "not written, as its company could not be added");
      ++counts.skipped;
      return;
    }
    MergeRow& row = table == DriverTable::Woofers ? state_.MergeWooferRow : state_.MergeTweeterRow;
    if (matched) row = *matched;
    const std::optional<jet::Bookmark> written =
        WriteDriver(table, c_.driver, state_, writer_, c_.locale);
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
        c_.driver, table, state_.MergeCompanyMissing, c_.db, c_.locale);
    for (const UnstorableText& text : unstorable)
      summary_.problems.add(label, UnstorableTextProblem(text, c_.db.New.Db->codePage()));
    return unstorable.empty();
  }

  // CopyCompany; the writer tells the matcher, which then finds the company for every later
  // driver of its name (a nameless one included).
  bool addCompany(const std::string& label) {
    if (!CopyCompany(c_.driver, state_, writer_, label)) return false;
    ++summary_.companiesAdded;
    return true;
  }

  MergeContext& c_;
  MergeSummary& summary_;
  MergeState state_;
  NewDatabaseWriter writer_;
  OverwriteQuestion question_;
};

}  // namespace

std::string CopyingDriverCaption(std::string_view currentModel) {
  return "Copying " + std::string(currentModel) + "...";
}

MergeSummary MergeDrivers(const std::vector<ListEntry>& entries, MergeContext& context) {
  MergeSummary summary;
  summary.entries = static_cast<long>(entries.size());
  if (context.db.New.Db) summary.freePageMap = jet::repairFreePageMap(*context.db.New.Db);
  EntryMerge merge(context, summary);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    merge.run(entries, i);
    context.ui.updateProgress(static_cast<long>(i + 1), summary.entries);
  }
  return summary;
}

}  // namespace qbm
