#include "olddb/old_database_scan.h"

#include "db/field_read.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "db/working_driver.h"
#include "olddb/legacy_change_rules.h"
#include "olddb/model_names.h"
#include "olddb/new_woofer_lookup.h"

namespace qbm {
namespace {

// One pass of a listing: the listing so far, the progress total and the rows visited.
struct Pass {
  DriverListing& listing;
  UserInterface& ui;
  long total = 0;
  long visited = 0;

  void add(std::string text, std::int32_t key) { listing.entries.push_back({std::move(text), key}); }
  long listed() const { return static_cast<long>(listing.entries.size()); }
};

// Whether the progress bar moves on every row visited or with every entry added.
enum class Progress { PerRow, PerEntry };

// Runs readRow on every row of the cursor, first to end (WalkRows: what cannot be read is counted
// and passed over).
template <class ReadRow>
void forEachRow(jet::Table& table, Pass& pass, Progress progress, ReadRow readRow) {
  pass.listing.unreadable += WalkRows(table, readRow, [&] {
    ++pass.visited;
    if (progress == Progress::PerRow) pass.ui.updateProgress(pass.visited, pass.total);
  });
}

struct LegacyColumns {
  int index, model, maker;
  explicit LegacyColumns(const jet::Table& t)
      : index(t.columnIndex(legacy::fields::Index)),
        model(t.columnIndex(legacy::fields::Model)),
        maker(t.columnIndex(legacy::fields::Manufacturer)) {}
};

NewWooferLookup newWoofersOf(DatabaseState& state, const CompanyNameTables& names) {
  if (!state.New.DbOpen || !state.New.Db || !state.New.Woofers) return {};
  try {
    return ReadNewWooferLookup(*state.New.Db, *state.New.Woofers, names.NewCompanyFull,
                               names.NewCompanyShort);
  } catch (const std::exception& e) {
    throw NewDatabaseReadError(e.what());
  }
}

// Legacy, Changed: rows with Model, Manufacturer and Index > 0 that LegacyDriverNeedsMerge, as
// "[" + Manufacturer + "]  " + model without wiring suffix + "  (ob)"; the progress moves on every
// row. The new woofers are indexed once (NewWooferLookup); when the new database is not open there
// are none, so only the listed exceptions count as present.
void listLegacyChanged(DatabaseState& state, const CompanyNameTables& names, Pass& pass) {
  pass.ui.showProgress(std::string(FindingChangedCaption));
  const NewWooferLookup newWoofers = newWoofersOf(state, names);
  jet::Table& old = *state.Old.Woofers;
  const LegacyColumns columns(old);
  forEachRow(old, pass, Progress::PerRow, [&] {
    const std::int32_t key = readLong(valueAt(old, columns.index));
    const jet::Value model = valueAt(old, columns.model);
    const jet::Value maker = valueAt(old, columns.maker);
    if (model.isNull() || maker.isNull() || key <= 0) return;
    const std::string manufacturer = readText(maker);
    const std::string currentModel = SplitWiringSuffix(readText(model)).model;
    if (LegacyDriverNeedsMerge(currentModel, manufacturer, newWoofers))
      pass.add(ListEntryText(manufacturer, currentModel, DriverTable::Woofers), key);
  });
}

// Legacy, All: rows with Model, Manufacturer and Index > 0, with the model as stored; the progress
// moves with every entry.
void listLegacyAll(DatabaseState& state, Pass& pass) {
  pass.ui.showProgress(std::string(FindingAllOldCaption));
  jet::Table& old = *state.Old.Woofers;
  const LegacyColumns columns(old);
  forEachRow(old, pass, Progress::PerEntry, [&] {
    const std::int32_t key = readLong(valueAt(old, columns.index));
    const jet::Value model = valueAt(old, columns.model);
    const jet::Value maker = valueAt(old, columns.maker);
    if (model.isNull() || maker.isNull() || key <= 0) return;
    pass.add(ListEntryText(readText(maker), readText(model), DriverTable::Woofers), key);
    pass.ui.updateProgress(pass.listed(), pass.total);
  });
}

// The woofers ("(ob)") or tweeters ("(sb)") of a previous-format database with a Model,
// 0 < Company ID <= 900 and ID > 0 (Changed: and "User Entry" true), as "[" + OldCompanyShort +
// "]  " + Model; the progress moves on every row (Changed) or with every entry (All).
void listPreviousFormatTable(jet::Table& table, DriverTable kind, const CompanyNameTable& shortNames,
                             OldListMode mode, Pass& pass) {
  const int id = table.columnIndex(fields::ID);
  const int company = table.columnIndex(fields::CompanyID);
  const int userEntry = table.columnIndex(fields::UserEntry);
  const int modelColumn = table.columnIndex(fields::Model);
  const Progress progress = mode == OldListMode::Changed ? Progress::PerRow : Progress::PerEntry;
  forEachRow(table, pass, progress, [&] {
    const std::int32_t key = readLong(valueAt(table, id));
    const std::int32_t c = readLong(valueAt(table, company));
    const bool userEntered = readYesNo(valueAt(table, userEntry)) != YesNoFalse;
    const jet::Value model = valueAt(table, modelColumn);
    const bool listed = !model.isNull() && (mode == OldListMode::All || userEntered) && c > 0 &&
                        c <= MaxListedCompanyId && key > 0;
    if (!listed) return;
    pass.add(ListEntryText(shortNames[c], readText(model), kind), key);
    if (progress == Progress::PerEntry) pass.ui.updateProgress(pass.listed(), pass.total);
  });
}

void listPreviousFormat(DatabaseState& state, const CompanyNameTables& names, OldListMode mode,
                        Pass& pass) {
  pass.ui.showProgress(
      std::string(mode == OldListMode::Changed ? FindingChangedCaption : FindingAllOldCaption));
  listPreviousFormatTable(*state.Old.Woofers, DriverTable::Woofers, names.OldCompanyShort, mode, pass);
  listPreviousFormatTable(*state.Old.Tweeters, DriverTable::Tweeters, names.OldCompanyShort, mode,
                          pass);
}

}  // namespace

DriverListing ScanOldDatabase(DatabaseState& state, CompanyNameTables& names, OldListMode mode,
                              UserInterface& ui) {
  DriverListing listing;
  Pass pass{listing, ui};
  // The progress window first, with the row counts of the old tables as its total; then the old
  // name tables emptied, and rebuilt from a previous-format database's companies.
  ui.showProgress(std::string(OpeningOldCaption));
  const bool previousFormat = state.OldDbKind == DbKind::PreviousFormat;
  // The progress bar's total from the tables' own row counts: one walk of each table, not two.
  pass.total = static_cast<long>(state.Old.Woofers->rowCount());
  if (previousFormat) pass.total += static_cast<long>(state.Old.Tweeters->rowCount());
  names.OldCompanyFull.clear();
  names.OldCompanyShort.clear();

  if (state.OldDbKind == DbKind::Legacy) {
    if (mode == OldListMode::Changed)
      listLegacyChanged(state, names, pass);
    else
      listLegacyAll(state, pass);
  } else if (previousFormat) {
    ui.showProgress(std::string(FindingOldCompaniesCaption));
    listing.unreadable += BuildCompanyNames(*state.Old.Companies, names.OldCompanyFull, names.OldCompanyShort);
    listPreviousFormat(state, names, mode, pass);
  }
  return listing;
}

}  // namespace qbm
