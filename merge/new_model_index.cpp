#include "merge/new_model_index.h"

#include <cctype>
#include <cstring>

#include "db/company_names.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "jet/error.h"
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
    if (std::optional<Current> current = readCurrent()) insert(*current);
}

void NewModelIndex::SlotTable::reset(std::size_t entries) {
  std::size_t size = 16;
  while (size < 2 * entries) size *= 2;  // at most half full once built
  buckets_.assign(size, Bucket{});
  used_ = 0;
}

void NewModelIndex::SlotTable::insert(std::uint64_t hash, std::uint32_t slot) {
  const std::size_t mask = buckets_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Bucket& b = buckets_[i];
    if (b.slot == kEmpty || b.slot == kErased) {
      if (b.slot == kEmpty) ++used_;
      b = {static_cast<std::uint32_t>(hash >> 32), slot};
      return;
    }
  }
}

void NewModelIndex::SlotTable::erase(std::uint64_t hash, std::uint32_t slot) {
  if (buckets_.empty()) return;
  const std::size_t mask = buckets_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Bucket& b = buckets_[i];
    if (b.slot == kEmpty) return;
    if (b.slot == slot) {
      b.slot = kErased;
      return;
    }
  }
}

std::uint64_t NewModelIndex::hashOf(const jet::Bookmark& row) {
  std::uint64_t h = (std::uint64_t{row.page} << 16 | row.row) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

bool NewModelIndex::before(std::uint32_t a, std::uint32_t b) const {
  const Slot& x = slots_[a];
  const Slot& y = slots_[b];
  if (const int c = orderOf(x).compare(orderOf(y)); c != 0) return c < 0;
  if (x.row.page != y.row.page) return x.row.page < y.row.page;
  return x.row.row < y.row.row;
}

std::string NewModelIndex::groupKey(std::int32_t companyId, std::string_view key) {
  std::string group(sizeof companyId, '\0');
  std::memcpy(group.data(), &companyId, sizeof companyId);
  group.append(key);
  return group;
}

std::optional<NewModelIndex::Current> NewModelIndex::readCurrent() const {
  // The row's index key: one part per column, the leading (Model) part first.
  Current current;
  key_.clear();
  for (std::size_t i = 0; i < orderColumns_.size(); ++i) {
    const jet::Value v = cursor_.get(orderColumns_[i]);
    if (i == 0 && v.isNull()) current.sectionLength = std::string::npos;
    jet::appendSortKey(key_, keyColumns_[i].type, v, keyColumns_[i].descending, collation_);
    if (i == 0 && current.sectionLength != std::string::npos) current.sectionLength = key_.size();
  }
  current.row = cursor_.bookmark();
  current.id = readLong(valueAt(cursor_, id_));

  const jet::Value model = valueAt(cursor_, model_);
  const std::int32_t companyId = readLong(valueAt(cursor_, company_));
  if (!model.isNull() && current.id > 0 && IsCompanyId(companyId)) {
    const NewModelKeys keys = NewModelKeysOf(readText(model));
    current.group = groupKey(companyId, keys.withoutSection);
    if (keys.whole != keys.withoutSection) current.wholeGroup = groupKey(companyId, keys.whole);
  }
  if (current.sectionLength == std::string::npos) {  // a Null Model: no seek finds the row
    current.sectionLength = 0;
    if (!current.group) return std::nullopt;
  }
  return current;
}

void NewModelIndex::insert(const Current& current) {
  const auto length = [](std::size_t n) {
    if (n > 0xFFFF) throw jet::Error(jet::ErrorCode::Damaged, "a model key longer than any index key");
    return static_cast<std::uint16_t>(n);
  };
  Slot slot;
  slot.at = static_cast<std::uint32_t>(keys_.size());
  slot.orderLength = length(key_.size());
  slot.sectionLength = length(current.sectionLength);
  slot.groupLength = length(current.group ? current.group->size() : 0);
  slot.wholeLength = length(current.wholeGroup ? current.wholeGroup->size() : 0);
  slot.row = current.row;
  slot.id = current.id;
  slot.live = true;
  keys_.append(key_.begin(), key_.end());
  if (current.group) keys_.append(*current.group);
  if (current.wholeGroup) keys_.append(*current.wholeGroup);
  std::uint32_t at;
  if (!freeSlots_.empty()) {
    at = freeSlots_.back();
    freeSlots_.pop_back();
    slots_[at] = slot;
  } else {
    at = static_cast<std::uint32_t>(slots_.size());
    slots_.push_back(slot);
  }
  ++live_;
  const Slot& s = slots_[at];
  std::uint64_t hashes[2];
  std::size_t n = 0;
  if (s.groupLength > 0) hashes[n++] = hashOf(groupOf(s));
  if (s.wholeLength > 0) hashes[n++] = hashOf(wholeOf(s));
  addTo(Look::Groups, hashes, n, at);
  if (s.sectionLength > 0) {
    hashes[0] = hashOf(orderOf(s).substr(0, s.sectionLength));
    addTo(Look::Sections, hashes, 1, at);
  }
  hashes[0] = hashOf(s.row);
  addTo(Look::Where, hashes, 1, at);
}

void NewModelIndex::addTo(Look look, const std::uint64_t* hashes, std::size_t n, std::uint32_t slot) {
  if (n == 0) return;
  SlotTable& t = table(look);
  if (t.needsRoom(n)) {
    rebuild(look);  // the slot is live already: the rebuild places it
  } else {
    for (std::size_t i = 0; i < n; ++i) t.insert(hashes[i], slot);
  }
}

void NewModelIndex::rebuild(Look look) {
  SlotTable& t = table(look);
  std::size_t entries = live_;
  if (look == Look::Groups)
    for (const Slot& s : slots_) entries += s.live && s.wholeLength > 0;
  t.reset(entries + 1);
  for (std::uint32_t i = 0; i < slots_.size(); ++i) {
    const Slot& s = slots_[i];
    if (!s.live) continue;
    switch (look) {
      case Look::Groups:
        if (s.groupLength > 0) t.insert(hashOf(groupOf(s)), i);
        if (s.wholeLength > 0) t.insert(hashOf(wholeOf(s)), i);
        break;
      case Look::Sections:
        if (s.sectionLength > 0) t.insert(hashOf(orderOf(s).substr(0, s.sectionLength)), i);
        break;
      case Look::Where:
        t.insert(hashOf(s.row), i);
        break;
    }
  }
}

void NewModelIndex::erase(const jet::Bookmark& row) {
  const std::uint64_t rowHash = hashOf(row);
  std::uint32_t found = kNone;
  where_.forEach(rowHash, [&](std::uint32_t i) {
    if (slots_[i].row == row) found = i;
  });
  if (found == kNone) return;
  Slot& s = slots_[found];
  if (s.groupLength > 0) groups_.erase(hashOf(groupOf(s)), found);
  if (s.wholeLength > 0) groups_.erase(hashOf(wholeOf(s)), found);
  if (s.sectionLength > 0) sections_.erase(hashOf(orderOf(s).substr(0, s.sectionLength)), found);
  where_.erase(rowHash, found);
  s.live = false;
  freeSlots_.push_back(found);
  --live_;
}

std::optional<MergeRow> NewModelIndex::find(std::int32_t companyId, std::string_view key) const {
  const std::string group = groupKey(companyId, key);
  std::uint32_t first = kNone;
  groups_.forEach(hashOf(group), [&](std::uint32_t i) {
    const Slot& s = slots_[i];
    if ((groupOf(s) == group || wholeOf(s) == group) && (first == kNone || before(i, first))) first = i;
  });
  if (first == kNone) return std::nullopt;
  return MergeRow{slots_[first].id, slots_[first].row};
}

std::int32_t NewModelIndex::seekModel(const std::string& model) const {
  const std::optional<jet::Value> value = jet::keyValue(keyColumns_.front().type, jet::Value{model});
  if (!value) return 0;
  key_.clear();
  jet::appendSortKey(key_, keyColumns_.front().type, *value, keyColumns_.front().descending, collation_);
  const std::string_view section(reinterpret_cast<const char*>(key_.data()), key_.size());
  std::uint32_t first = kNone;
  sections_.forEach(hashOf(section), [&](std::uint32_t i) {
    const Slot& s = slots_[i];
    if (s.sectionLength > 0 && orderOf(s).substr(0, s.sectionLength) == section &&
        (first == kNone || before(i, first)))
      first = i;
  });
  return first == kNone ? 0 : slots_[first].id;
}

void NewModelIndex::place(const jet::Bookmark& row, std::int32_t id, const std::string& model,
                          std::int32_t companyId) {
  erase(row);
  const bool inFile = !standInEntry(row);
  if (inFile && orderColumns_.size() > 1) cursor_.setBookmark(row);
  Current current;
  key_.clear();
  for (std::size_t i = 0; i < orderColumns_.size(); ++i) {
    jet::Value v;
    if (i == 0) {
      if (std::optional<jet::Value> key = jet::keyValue(keyColumns_[0].type, jet::Value{model})) v = *key;
    } else if (inFile) {
      v = cursor_.get(orderColumns_[i]);
    }
    jet::appendSortKey(key_, keyColumns_[i].type, v, keyColumns_[i].descending, collation_);
    if (i == 0) current.sectionLength = key_.size();
  }
  current.row = row;
  current.id = id;
  if (IsCompanyId(companyId)) {
    const NewModelKeys keys = NewModelKeysOf(model);
    current.group = groupKey(companyId, keys.withoutSection);
    if (keys.whole != keys.withoutSection) current.wholeGroup = groupKey(companyId, keys.whole);
  }
  insert(current);
}

void NewModelIndex::rowWritten(const jet::Bookmark& row) {
  erase(row);
  try {
    cursor_.setBookmark(row);
  } catch (const jet::Error& e) {
    if (e.code() == jet::ErrorCode::NoCurrentRow) return;  // the row is gone
    throw;
  }
  if (std::optional<Current> current = readCurrent()) insert(*current);
}

}  // namespace qbm
