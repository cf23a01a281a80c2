#include "merge/new_model_index.h"

#include <cctype>
#include <cstring>

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "jet/error.h"
#include "db/company_names.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const jet::IndexDefinition& modelIndexOf(const jet::Table& table) {
  for (const jet::IndexDefinition& index : table.indexes())
    if (sameName(index.name, indexes::Model)) return index;
  throw jet::Error(jet::ErrorCode::MissingIndex,
                   "table " + table.name() + " has no index \"" + std::string(indexes::Model) + "\"");
}

}  // namespace

bool NewModelIndex::EntryOrder::operator()(const Entry& a, const Entry& b) const {
  if (a.order != b.order) return a.order < b.order;
  if (a.row.page != b.row.page) return a.row.page < b.row.page;
  return a.row.row < b.row.row;
}

NewModelIndex::NewModelIndex(jet::Database& db, std::string_view tableName)
    : cursor_(db.table(tableName)),
      collation_(db.collation()) {
  for (const jet::IndexColumn& c : modelIndexOf(cursor_).columns) {
    const int at = cursor_.columnIndex(c.name);
    if (at < 0) throw jet::Error(jet::ErrorCode::Damaged, "index Model names a missing column " + c.name);
    orderColumns_.push_back(at);
    keyColumns_.push_back({cursor_.columns()[static_cast<std::size_t>(at)].type, c.descending});
  }
  model_ = cursor_.columnIndex(fields::Model);
  company_ = cursor_.columnIndex(fields::CompanyID);
  id_ = cursor_.columnIndex(fields::ID);
  cursor_.setIndex("");
  for (cursor_.moveFirst(); !cursor_.eof(); cursor_.moveNext())
    if (std::optional<Placed> placed = readCurrent()) insert(std::move(*placed));
}

std::string NewModelIndex::groupKey(std::int32_t companyId, std::string_view key) {
  std::string group(sizeof companyId, '\0');
  std::memcpy(group.data(), &companyId, sizeof companyId);
  group.append(key);
  return group;
}

std::optional<NewModelIndex::Placed> NewModelIndex::readCurrent() const {
  // The row's index key: one part per column, the leading (Model) part first.
  Placed placed;
  key_.clear();
  for (std::size_t i = 0; i < orderColumns_.size(); ++i) {
    const jet::Value v = cursor_.get(orderColumns_[i]);
    if (i == 0 && v.isNull()) placed.sectionLength = std::string::npos;
    jet::appendSortKey(key_, keyColumns_[i].type, v, keyColumns_[i].descending, collation_);
    if (i == 0 && placed.sectionLength != std::string::npos) placed.sectionLength = key_.size();
  }
  placed.entry.order.assign(key_.begin(), key_.end());
  placed.entry.row = cursor_.bookmark();
  placed.entry.id = readLong(valueAt(cursor_, id_));

  const jet::Value model = valueAt(cursor_, model_);
  const std::int32_t companyId = readLong(valueAt(cursor_, company_));
  if (!model.isNull() && placed.entry.id > 0 && IsCompanyId(companyId)) {
    const NewModelKeys keys = NewModelKeysOf(readText(model));
    placed.group = groupKey(companyId, keys.withoutSection);
    if (keys.whole != keys.withoutSection) placed.wholeGroup = groupKey(companyId, keys.whole);
  }
  if (placed.sectionLength == std::string::npos) {  // a Null Model: no seek finds the row
    placed.sectionLength = 0;
    if (!placed.group) return std::nullopt;
  }
  return placed;
}

void NewModelIndex::insertInto(Groups& groups, std::string_view key, const Entry& entry) {
  auto group = groups.find(std::string(key));
  if (group == groups.end()) group = groups.emplace(std::string(key), std::set<Entry, EntryOrder>{}).first;
  group->second.insert(entry);
}

void NewModelIndex::eraseFrom(Groups& groups, std::string_view key, const Entry& entry) {
  auto group = groups.find(std::string(key));
  if (group == groups.end()) return;
  group->second.erase(entry);
  if (group->second.empty()) groups.erase(group);
}

void NewModelIndex::insert(Placed placed) {
  if (placed.group) insertInto(groups_, *placed.group, placed.entry);
  if (placed.wholeGroup) insertInto(groups_, *placed.wholeGroup, placed.entry);
  if (placed.sectionLength > 0) insertInto(sections_, placed.section(), placed.entry);
  const jet::Bookmark row = placed.entry.row;
  where_.insert_or_assign(row, std::move(placed));
}

void NewModelIndex::erase(const jet::Bookmark& row) {
  auto it = where_.find(row);
  if (it == where_.end()) return;
  if (it->second.group) eraseFrom(groups_, *it->second.group, it->second.entry);
  if (it->second.wholeGroup) eraseFrom(groups_, *it->second.wholeGroup, it->second.entry);
  if (it->second.sectionLength > 0) eraseFrom(sections_, it->second.section(), it->second.entry);
  where_.erase(it);
}

std::optional<MergeRow> NewModelIndex::find(std::int32_t companyId, std::string_view key) const {
  auto group = groups_.find(groupKey(companyId, key));
  if (group == groups_.end() || group->second.empty()) return std::nullopt;
  const Entry& first = *group->second.begin();
  return MergeRow{first.id, first.row};
}

std::int32_t NewModelIndex::seekModel(const std::string& model) const {
  const std::optional<jet::Value> value = jet::keyValue(keyColumns_.front().type, jet::Value{model});
  if (!value) return 0;
  key_.clear();
  jet::appendSortKey(key_, keyColumns_.front().type, *value, keyColumns_.front().descending, collation_);
  auto group = sections_.find(std::string(key_.begin(), key_.end()));
  if (group == sections_.end() || group->second.empty()) return 0;
  return group->second.begin()->id;
}

void NewModelIndex::place(const jet::Bookmark& row, std::int32_t id, const std::string& model,
                          std::int32_t companyId) {
  erase(row);
  const bool inFile = !standInEntry(row);
  if (inFile && orderColumns_.size() > 1) cursor_.setBookmark(row);
  Placed placed;
  key_.clear();
  for (std::size_t i = 0; i < orderColumns_.size(); ++i) {
    jet::Value v;
    if (i == 0) {
      if (std::optional<jet::Value> key = jet::keyValue(keyColumns_[0].type, jet::Value{model})) v = *key;
    } else if (inFile) {
      v = cursor_.get(orderColumns_[i]);
    }
    jet::appendSortKey(key_, keyColumns_[i].type, v, keyColumns_[i].descending, collation_);
    if (i == 0) placed.sectionLength = key_.size();
  }
  placed.entry.order.assign(key_.begin(), key_.end());
  placed.entry.row = row;
  placed.entry.id = id;
  if (IsCompanyId(companyId)) {
    const NewModelKeys keys = NewModelKeysOf(model);
    placed.group = groupKey(companyId, keys.withoutSection);
    if (keys.whole != keys.withoutSection) placed.wholeGroup = groupKey(companyId, keys.whole);
  }
  insert(std::move(placed));
}

void NewModelIndex::rowWritten(const jet::Bookmark& row) {
  erase(row);
  try {
    cursor_.setBookmark(row);
  } catch (const jet::Error& e) {
    if (e.code() == jet::ErrorCode::NoCurrentRow) return;  // the row is gone
    throw;
  }
  if (std::optional<Placed> placed = readCurrent()) insert(std::move(*placed));
}

}  // namespace qbm
