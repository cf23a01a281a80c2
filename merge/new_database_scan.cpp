#include "merge/new_database_scan.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {
namespace {

struct Listing {
  DriverListing& result;
  UserInterface& ui;
  long total = 0;
};

void listTable(jet::Table& table, DriverTable kind, const CompanyNameTable& shortNames,
               Listing& listing) {
  const int id = table.columnIndex(fields::ID);
  const int company = table.columnIndex(fields::CompanyID);
  const int modelColumn = table.columnIndex(fields::Model);
  std::vector<ListEntry>& entries = listing.result.entries;
  listing.result.unreadable += WalkRows(table, [&] {
    const std::int32_t key = readLong(valueAt(table, id));
    const std::int32_t c = readLong(valueAt(table, company));
    const jet::Value model = valueAt(table, modelColumn);
    if (model.isNull() || key <= 0 || c < 1 || c > MaxListedCompanyId) return;
    entries.push_back({ListEntryText(shortNames[c], readText(model), kind), key});
    listing.ui.updateProgress(static_cast<long>(entries.size()), listing.total);
  });
}

}  // namespace

DriverListing ScanNewDatabase(DatabaseState& state, CompanyNameTables& names, UserInterface& ui) {
  DriverListing result;
  Listing listing{result, ui};
  ui.showProgress(std::string(OpeningNewCaption));
  // The progress bar's total: the tables' own row counts (the engine keeps them exact), so the
  // tables are walked once, not once more to count.
  listing.total = static_cast<long>(state.New.Woofers->rowCount() + state.New.Tweeters->rowCount());

  ui.showProgress(std::string(FindingNewCompaniesCaption));
  result.unreadable += BuildCompanyNames(*state.New.Companies, names.NewCompanyFull, names.NewCompanyShort);

  ui.showProgress(std::string(FindingAllNewCaption));
  listTable(*state.New.Woofers, DriverTable::Woofers, names.NewCompanyShort, listing);
  listTable(*state.New.Tweeters, DriverTable::Tweeters, names.NewCompanyShort, listing);
  return result;
}

}  // namespace qbm
