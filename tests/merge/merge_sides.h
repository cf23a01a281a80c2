#pragma once
// A merge between purpose-made databases: the tests write the rows they need with the sample
// builders, open both sides as the window opens them (without the session), and run the merge
// over the entries they choose, with the indexed look-ups or the literal rules.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/list_entry.h"
#include "jet/check.h"
#include "merge/apply_merge_plan.h"
#include "merge/merge_plan.h"
#include "merge/new_driver_matcher.h"
#include "merge/overwrite_question.h"
#include "samples/driver_database_builder.h"
#include "common/list_order.h"
#include "common/user_locale.h"
#include "db/open_database_file.h"
#include "merge/new_database_scan.h"
#include "olddb/old_database_scan.h"
#include "tests/merge/literal_rules.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/new_database_rows.h"
#include "tests/support/test_support.h"

namespace qbm::test {

// List entries of a woofer and a tweeter, as an old list shows them, for the driver of that ID.
inline ListEntry wooferEntry(std::int32_t id) { return {"[x]  m  (ob)", id}; }
inline ListEntry tweeterEntry(std::int32_t id) { return {"[x]  m  (sb)", id}; }

// A driver record with every member given, distinct per n, for round trips.
inline WorkingDriver sampleDriver(const std::string& model, int n = 1) {
  WorkingDriver d;
  d.Model = d.CurrentModel = model;
  d.Available = 1;
  d.Type = 0;
  d.SerialNo = "SN" + std::to_string(n);
  d.Comment = "comment " + std::to_string(n);
  d.Notes = "notes " + std::to_string(n);
  d.Shape = 2;
  d.PistonType = 3;
  d.PistonDesc = "paper";
  d.SuspDesc = "rubber";
  d.DustCapDesc = "felt";
  d.FrameDesc = "cast";
  d.VCDesc = "copper";
  d.TermDesc = "gold";
  d.MagDesc = "ferrite";
  d.Underhung = YesNoTrue;
  d.Ferrofluid = YesNoTrue;
  d.SquareMag = YesNoTrue;
  d.Shield = YesNoFalse;
  double v = n;
  for (double* p : {&d.Fs, &d.Qms, &d.Vas, &d.Cms, &d.Mms, &d.Rms, &d.Xlin, &d.Xmech, &d.PDia, &d.Sd,
                    &d.PVd, &d.Qes, &d.Re, &d.Le, &d.Z, &d.BL, &d.Pe, &d.Qts, &d.Eff, &d.SPL1, &d.SPL2, &d.MVd})
    *p = (v += 0.25);
  for (double& x : d.Dimen) x = (v += 0.5);
  for (std::size_t k = 0; k < d.Dist.size(); ++k) {
    d.Dist[k] = static_cast<std::int32_t>(k + 1);
    d.PartNo[k] = "P" + std::to_string(n) + "-" + std::to_string(k);
  }
  for (std::size_t i = 0; i < d.Response.size(); ++i) d.Response[i] = static_cast<float>(n) + static_cast<float>(i) * 0.5f;
  d.Acoustic = YesNoTrue;
  return d;
}

// A response whose levels are all `level`.
inline std::vector<float> flatResponse(float level) { return std::vector<float>(ResponseCount, level); }

// What the merge tests read of an open pair of sides: the databases and the company names.
struct SidesState {
  DatabaseState databases;
  CompanyNameTables companyNames;
};

class MergeSides {
 public:
  ScratchDir dir;
  FakeUserInterface ui;
  OldDriverRows oldRows;  // where the merge finds the old rows

  jet::Format newFormat = jet::Format::Jet4;  // of the new database newDb() makes

  ~MergeSides() { close(); }

  std::filesystem::path newPath() const { return dir / "qbaudio.mdb"; }

  samples::DriverDatabaseBuilder& newDb() {
    if (!newDb_) {
      samples::BuilderOptions options;
      options.format = newFormat;
      newDb_ = std::make_unique<samples::DriverDatabaseBuilder>(newPath(), options);
    }
    return *newDb_;
  }
  samples::DriverDatabaseBuilder& oldDb() {
    if (!oldDb_) oldDb_ = std::make_unique<samples::DriverDatabaseBuilder>(dir / "xqbaudio.mdb");
    return *oldDb_;
  }
  samples::LegacyDatabaseBuilder& legacyDb() {
    if (!legacyDb_) legacyDb_ = std::make_unique<samples::LegacyDatabaseBuilder>(dir / "spkrbase.mdb");
    return *legacyDb_;
  }

  // Closes the builders and opens the new side (an empty one unless built, or made otherwise at
  // newPath()), then the old one (listing all its drivers, or only the changed ones), as the
  // window opens them.
  void open(OldListMode mode = OldListMode::All) {
    if (!newDb_ && !std::filesystem::exists(newPath())) newDb();
    if (newDb_) newDb_->close();
    std::filesystem::path old;
    if (oldDb_) {
      oldDb_->close();
      old = dir / "xqbaudio.mdb";
    } else if (legacyDb_) {
      legacyDb_->close();
      old = dir / "spkrbase.mdb";
    }
    openPaths(newPath(), old, mode);
  }
  // The same with the files given (old may be empty: no old side).
  void openPaths(const std::filesystem::path& newFile, const std::filesystem::path& oldFile,
                 OldListMode mode = OldListMode::All) {
    OpenDatabasePath(Side::New, newFile.string(), ui, db(), currentUserLocale());
    ASSERT_TRUE(db().New.DbOpen);
    rescanNew();
    if (!oldFile.empty()) {
      OpenDatabasePath(Side::Old, oldFile.string(), ui, db(), currentUserLocale());
      ASSERT_TRUE(db().Old.DbOpen);
      listed_ = ScanOldDatabase(db(), state_.companyNames, mode, ui).entries;
      sortListEntries(listed_, [](const ListEntry& e) -> const std::string& { return e.text; });
    }
    ui.events.clear();
  }
  void close() {
    CloseDatabaseSide(Side::Old, db());
    CloseDatabaseSide(Side::New, db());
  }

  SidesState& state() { return state_; }
  DatabaseState& db() { return state_.databases; }

  // The old list's entries, in list order.
  std::vector<ListEntry> listed() const { return listed_; }

  // The plan of a merge of the entries, answered as the next queued answer says when it asks.
  MergePlan plan(const std::vector<ListEntry>& entries) {
    const CompanyNameTables& names = state_.companyNames;
    const auto planned = [&](std::optional<bool> answer) {
      return PlanMerge(entries, db(), oldRows, names.NewCompanyFull, names.NewCompanyShort,
                       currentUserLocale(), answer, {});
    };
    MergePlan plan = planned(std::nullopt);
    if (plan.questionAt && !ui.askYesNo(OverwriteQuestionText())) plan = planned(false);
    return plan;
  }

  // The merge of the entries: planned, then written inside one transaction, checked at every
  // entry against the indexed look-ups or the literal rules; then the new side's company names
  // read again, as the window does after a merge.
  MergeSummary merge(const std::vector<ListEntry>& entries, bool literal = false) {
    const MergePlan planned = plan(entries);
    return apply(planned, literal);
  }
  MergeSummary apply(const MergePlan& planned, bool literal = false) {
    const CompanyNameTables& names = state_.companyNames;
    LookupsFactory lookups;
    if (literal)
      lookups = [](DatabaseState& db, const CompanyNameTables& tables) -> std::unique_ptr<NewDriverMatcher> {
        return std::make_unique<LiteralDriverMatcher>(db, tables);
      };
    db().New.Db->begin();
    MergeSummary summary = ApplyMergePlan(planned, db(), oldRows, names.NewCompanyFull,
                                          names.NewCompanyShort, currentUserLocale(), ui, lookups);
    db().New.Db->commit();
    const std::vector<std::string> events = ui.events;  // the rescan's own are not the merge's
    rescanNew();
    ui.events = events;
    std::string problems;  // every page in use covered, and not listed free, as other writers read the map
    for (const jet::Problem& p : jet::check(*db().New.Db)) problems += p.where + ": " + p.what + "\n";
    EXPECT_EQ("", problems) << "the new database after the merge";
    return summary;
  }
  MergeSummary mergeListed(bool literal = false) { return merge(listed(), literal); }

  std::vector<NewRow> woofers() { return readRows(*db().New.Woofers, DriverTable::Woofers); }
  std::vector<NewRow> tweeters() { return readRows(*db().New.Tweeters, DriverTable::Tweeters); }
  std::optional<NewRow> woofer(std::int32_t id) { return readRow(*db().New.Woofers, DriverTable::Woofers, id); }
  std::optional<NewRow> tweeter(std::int32_t id) { return readRow(*db().New.Tweeters, DriverTable::Tweeters, id); }
  // The rows of the table whose Model is exactly model.
  std::vector<NewRow> withModel(DriverTable t, const std::string& model) {
    std::vector<NewRow> out;
    for (NewRow& r : t == DriverTable::Woofers ? woofers() : tweeters())
      if (r.driver.Model == model) out.push_back(std::move(r));
    return out;
  }
  std::optional<std::vector<float>> wooferResponse(std::int32_t id) { return readResponse(*db().New.WooferResponse, id); }
  std::optional<std::vector<float>> tweeterResponse(std::int32_t id) { return readResponse(*db().New.TweeterResponse, id); }

  long questions() const {
    return std::count_if(ui.events.begin(), ui.events.end(),
                         [](const std::string& e) { return e.starts_with("question: "); });
  }

 private:
  void rescanNew() { ScanNewDatabase(db(), state_.companyNames, ui); }

  SidesState state_;
  std::vector<ListEntry> listed_;
  std::unique_ptr<samples::DriverDatabaseBuilder> newDb_, oldDb_;
  std::unique_ptr<samples::LegacyDatabaseBuilder> legacyDb_;
};

}  // namespace qbm::test
