#include "merge/new_driver_matcher.h"

#include "db/schema.h"

namespace qbm {

IndexedDriverMatcher::IndexedDriverMatcher(DatabaseState& db, const CompanyNameTables& names)
    : db_(db), companies_(names.NewCompanyFull, names.NewCompanyShort) {}

std::vector<std::int32_t> IndexedDriverMatcher::matchCompanies(const std::string& upperName) {
  return companies_.Matches(upperName);
}

NewModelIndex& IndexedDriverMatcher::modelsOf(DriverTable table) {
  std::unique_ptr<NewModelIndex>& models = table == DriverTable::Woofers ? woofers_ : tweeters_;
  if (!models)
    models = std::make_unique<NewModelIndex>(
        *db_.New.Db, table == DriverTable::Woofers ? tables::Woofers : tables::Tweeters);
  return *models;
}

std::optional<MergeRow> IndexedDriverMatcher::matchModel(DriverTable table, std::int32_t companyId,
                                                         std::string_view oldKey) {
  return modelsOf(table).find(companyId, oldKey);
}

std::int32_t IndexedDriverMatcher::sectionRowId(DriverTable table, const std::string& model) {
  return modelsOf(table).seekModel(model);
}

ResponseIndex& IndexedDriverMatcher::responsesOf(DriverTable table) {
  std::unique_ptr<ResponseIndex>& responses =
      table == DriverTable::Woofers ? wooferResponses_ : tweeterResponses_;
  if (!responses)
    responses = std::make_unique<ResponseIndex>(
        *db_.New.Db, table == DriverTable::Woofers ? tables::WooferResponse : tables::TweeterResponse);
  return *responses;
}

std::optional<jet::Bookmark> IndexedDriverMatcher::responseRow(DriverTable table, std::int32_t driverId) {
  return responsesOf(table).find(driverId);
}

void IndexedDriverMatcher::responseAdded(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) {
  responsesOf(table).added(driverId, row);
}

void IndexedDriverMatcher::responseDeleted(DriverTable table, std::int32_t driverId, const jet::Bookmark& row) {
  responsesOf(table).removed(driverId, row);
}

void IndexedDriverMatcher::companyChanged(std::int32_t id) { companies_.refresh(id); }

void IndexedDriverMatcher::rowWritten(DriverTable table, const jet::Bookmark& row) {
  // A table not yet indexed reads the row when it is first indexed.
  std::unique_ptr<NewModelIndex>& models = table == DriverTable::Woofers ? woofers_ : tweeters_;
  if (models) models->rowWritten(row);
}

}  // namespace qbm
