#include "merge/new_driver_matcher.h"

#include "db/schema.h"
#include "merge/section_links.h"

namespace qbm {

IndexedDriverMatcher::IndexedDriverMatcher(DatabaseState& db, const CompanyNameTables& names)
    : db_(db), companies_(names.NewCompanyFull, names.NewCompanyShort) {}

std::optional<std::int32_t> IndexedDriverMatcher::matchCompany(const std::string& upperName) {
  return companies_.HighestMatch(upperName);
}

NewModelIndex& IndexedDriverMatcher::modelsOf(DriverTable table) {
  std::unique_ptr<NewModelIndex>& models = table == DriverTable::Woofers ? woofers_ : tweeters_;
  if (!models)
    models = std::make_unique<NewModelIndex>(
        *db_.NewDb, table == DriverTable::Woofers ? tables::Woofers : tables::Tweeters);
  return *models;
}

std::optional<MergeRow> IndexedDriverMatcher::matchModel(DriverTable table, std::int32_t companyId,
                                                         std::string_view oldKey) {
  return modelsOf(table).find(companyId, oldKey);
}

std::int32_t IndexedDriverMatcher::sectionRowId(DriverTable table, const std::string& model) {
  std::optional<jet::Table>& cursor = table == DriverTable::Woofers ? wooferSections_ : tweeterSections_;
  if (!cursor) cursor = db_.NewDb->table(table == DriverTable::Woofers ? tables::Woofers : tables::Tweeters);
  return SeekModelId(*cursor, model);
}

void IndexedDriverMatcher::companyChanged(std::int32_t id) { companies_.refresh(id); }

void IndexedDriverMatcher::rowWritten(DriverTable table, const jet::Bookmark& row) {
  // A table not yet indexed reads the row when it is first indexed.
  std::unique_ptr<NewModelIndex>& models = table == DriverTable::Woofers ? woofers_ : tweeters_;
  if (models) models->rowWritten(row);
}

}  // namespace qbm
