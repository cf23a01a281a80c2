#pragma once
// Test helper: long random sequences of row inserts, edits and deletes through the public Table
// interface, with a model of the table's rows and of what its unique and required indexes must
// refuse; and the checks of every index against the model (walk order, a seek for every key of
// every row). Values: text of mixed case with non-ASCII letters, every numeric type, dates, GUIDs,
// Yes/No, Null now and then; keys are drawn from small sets so that equal keys meet.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/index/index_key.h"

namespace jet::test {

struct WriteCounts {
  int inserted = 0, edited = 0, removed = 0;
  int refusedDuplicates = 0, refusedNulls = 0;
};

// A table made by the engine with every kind of index: autonumber primary key, unique text,
// multi-column keys ascending and descending, required and ignore-Nulls indexes, Yes/No, dates.
inline TableDefinition everyIndexKind() {
  using T = ColumnType;
  TableDefinition d;
  d.name = "Parts";
  d.columns = {{"ID", T::Long, 0, true}, {"Name", T::Text, 40},   {"Maker", T::Text, 12},
               {"Price", T::Currency},   {"Added", T::DateTime},  {"Code", T::Long},
               {"Ratio", T::Double},     {"Active", T::Boolean},  {"Size", T::Integer},
               {"Part No", T::Guid}};
  auto index = [](std::string name, std::vector<IndexColumn> columns) {
    IndexDefinition i;
    i.name = std::move(name);
    i.columns = std::move(columns);
    return i;
  };
  d.indexes.push_back(index("PrimaryKey", {{"ID"}}));
  d.indexes.back().primary = true;
  d.indexes.push_back(index("Name", {{"Name"}}));
  d.indexes.back().unique = true;
  d.indexes.back().ignoreNulls = true;
  d.indexes.push_back(index("MakerNewest", {{"Maker"}, {"Added", true}, {"Size"}}));
  d.indexes.push_back(index("CodeRequired", {{"Code", true}}));
  d.indexes.back().required = true;
  d.indexes.push_back(index("Ratio", {{"Ratio"}}));
  d.indexes.back().ignoreNulls = true;
  d.indexes.push_back(index("ActivePrice", {{"Active"}, {"Price", true}}));
  d.indexes.push_back(index("PartNo", {{"Part No"}}));
  return d;
}

class RandomTableWrites {
 public:
  // The table's rows are read into the model. textLength: longest text written (0: the column's
  // size, at most 12 characters); longRange: how many different Long values are drawn.
  RandomTableWrites(Database& db, const std::string& table, std::uint32_t seed, std::size_t textLength = 0,
                    std::uint32_t longRange = 4000)
      : db_(db), name_(table), table_(db.table(table)), rng_(seed), textLength_(textLength), longRange_(longRange) {
    rules_ = makeRules();
    taken_.resize(rules_.size());
    readAll();
  }

  // Runs n random inserts, edits and deletes (inserts with probability insertShare percent).
  void run(int n, int insertShare = 60) {
    for (int i = 0; i < n && !::testing::Test::HasFatalFailure(); ++i) {
      int kind = static_cast<int>(rng_() % 100);
      if (rows_.empty() || kind < insertShare)
        insertRow();
      else if (kind < insertShare + (100 - insertShare) / 2)
        editRow();
      else
        removeRow();
    }
  }

  // Deletes n rows (all when fewer), picked at random.
  void removeRows(std::size_t n) {
    for (std::size_t i = 0; i < n && !rows_.empty() && !::testing::Test::HasFatalFailure(); ++i) removeRow();
  }

  // Every index holds exactly the model's rows in key order, and each row is found by seeking
  // each of its index keys.
  void verifyIndexes() {
    const StoredTableDefinition& def = definition();
    for (const LogicalIndex& logical : def.logicalIndexes) {
      SCOPED_TRACE("table " + name_ + ", index " + logical.name);
      IndexKeyEncoder keys(def, def.realIndexes[logical.realIndex], jet::detail::coreOf(db_).file().header());
      std::vector<std::pair<Bytes, Bookmark>> want;
      for (const auto& [at, values] : rows_)
        if (keys.hasEntry(values)) want.push_back({keys.rowKey(values), at});
      std::sort(want.begin(), want.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first
                                  : std::pair(a.second.page, a.second.row) < std::pair(b.second.page, b.second.row);
      });
      table_.setIndex(logical.name);
      std::vector<Bookmark> walked;
      for (table_.moveFirst(); !table_.eof(); table_.moveNext()) walked.push_back(table_.bookmark());
      ASSERT_EQ(walked.size(), want.size());
      for (std::size_t i = 0; i < walked.size(); ++i) ASSERT_EQ(walked[i], want[i].second) << "entry " << i;

      for (const auto& [key, at] : want) {
        std::vector<Value> seekValues;
        for (std::size_t pos : keys.positions()) seekValues.push_back(rows_.at(at)[pos]);
        ASSERT_TRUE(table_.seek(seekValues)) << "a row's key is not found";
        bool reached = false;
        for (int steps = 0; steps < 100000 && !table_.eof() && !reached; ++steps) {
          reached = table_.bookmark() == at;
          if (!reached) table_.moveNext();
        }
        ASSERT_TRUE(reached) << "the seek did not lead to the row";
      }
    }
    table_.setIndex("");
  }

  const StoredTableDefinition& definition() {
    jet::detail::DatabaseCore& core = jet::detail::coreOf(db_);
    return *core.definition(*core.findTable(name_));
  }
  std::size_t rowCount() const { return rows_.size(); }
  const WriteCounts& counts() const { return counts_; }
  Table& table() { return table_; }

 private:
  struct KeyRules {
    IndexKeyEncoder keys;
    bool unique, required;
  };

  void readAll() {
    rows_.clear();
    table_.setIndex("");
    for (table_.moveFirst(); !table_.eof(); table_.moveNext()) keep(table_.bookmark(), current());
  }

  // The row in the model, and its keys in the unique indexes' tables.
  void keep(Bookmark at, std::vector<Value> values) {
    for (std::size_t i = 0; i < rules_.size(); ++i)
      if (rules_[i].unique && rules_[i].keys.hasEntry(values)) taken_[i][rules_[i].keys.rowKey(values)].insert(at);
    rows_[at] = std::move(values);
  }
  void forget(Bookmark at) {
    const std::vector<Value>& values = rows_.at(at);
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      if (!rules_[i].unique || !rules_[i].keys.hasEntry(values)) continue;
      auto it = taken_[i].find(rules_[i].keys.rowKey(values));
      it->second.erase(at);
      if (it->second.empty()) taken_[i].erase(it);
    }
    rows_.erase(at);
  }

  std::vector<Value> current() {
    std::vector<Value> values;
    for (std::size_t c = 0; c < table_.columns().size(); ++c) values.push_back(table_.get(static_cast<int>(c)));
    return values;
  }

  std::vector<KeyRules> makeRules() {
    const StoredTableDefinition& def = definition();
    std::vector<KeyRules> out;
    for (const RealIndex& index : def.realIndexes) {
      bool primary = false;
      for (const LogicalIndex& l : def.logicalIndexes) primary = primary || (l.realIndex == index.number && l.primary());
      out.push_back({IndexKeyEncoder(def, index, jet::detail::coreOf(db_).file().header()), primary || index.unique(),
                     primary || index.required()});
    }
    return out;
  }

  // The refusals update() may give the row (any one of them; none: it must be accepted).
  // Autonumber columns of a new row are not known before update(): indexes on them cannot clash.
  std::set<ErrorCode> verdict(const std::vector<Value>& row, std::optional<Bookmark> editing) {
    const StoredTableDefinition& def = definition();
    std::set<ErrorCode> out;
    // Columns with the "Required" property refuse Null before any index is asked.
    for (std::size_t c = 0; c < def.columns.size(); ++c)
      if (def.columns[c].required && !def.columns[c].isAutoNumber() && row[c].isNull()) return {ErrorCode::ValueRejected};
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      const KeyRules& r = rules_[i];
      bool anyNull = false, allNull = true, auto_ = false;
      for (std::size_t pos : r.keys.positions()) {
        if (!editing && def.columns[pos].isAutoNumber()) auto_ = true;
        anyNull = anyNull || (row[pos].isNull() && !(!editing && def.columns[pos].isAutoNumber()));
        allNull = allNull && row[pos].isNull();
      }
      if (r.required && anyNull) out.insert(ErrorCode::ValueRejected);
      if (!r.unique || auto_ || allNull || !r.keys.hasEntry(row)) continue;
      auto taken = taken_[i].find(r.keys.rowKey(row));
      if (taken == taken_[i].end()) continue;
      for (const Bookmark& at : taken->second)
        if (!editing || at != *editing) out.insert(ErrorCode::DuplicateKey);
    }
    return out;
  }

  Value randomValue(const ColumnDefinition& c, bool allowNull) {
    if (allowNull && c.type != ColumnType::Boolean && rng_() % 10 == 0) return Value();
    switch (c.type) {
      case ColumnType::Boolean: return Value(rng_() % 2 == 0);
      case ColumnType::Byte: return Value(static_cast<std::uint8_t>(rng_() % 40));
      case ColumnType::Integer: return Value(static_cast<std::int16_t>(rng_() % 400 - 200));
      case ColumnType::Long:
        return Value(static_cast<std::int32_t>(rng_() % longRange_) - static_cast<std::int32_t>(longRange_ / 2));
      case ColumnType::Currency: return Value(Currency{static_cast<std::int64_t>(rng_() % 40000) * 25 - 500000});
      case ColumnType::Single: return Value(static_cast<float>(static_cast<int>(rng_() % 4000) - 2000) / 8.0f);
      case ColumnType::Double: return Value(static_cast<double>(static_cast<int>(rng_() % 40000) - 20000) / 64.0);
      case ColumnType::DateTime: return Value(DateTime{static_cast<double>(rng_() % 3000 + 36000) + (rng_() % 4) / 4.0});
      case ColumnType::Guid: {
        Guid g{};
        for (auto& b : g) b = static_cast<std::uint8_t>(rng_() % 3);
        return Value(g);
      }
      case ColumnType::Binary: return Value(Bytes{static_cast<std::uint8_t>(rng_() % 8), static_cast<std::uint8_t>(rng_())});
      case ColumnType::Text:
      case ColumnType::Memo: return Value(randomText(c.type == ColumnType::Memo ? 40 : std::max(1, c.size)));
      default: return Value();
    }
  }

  std::string randomText(int size) {
    // Letters that differ only in case or accent sort together; keys repeat often.
    static const char* const pieces[] = {"a", "A", "b", "B", "m", "M", "z", "Z", "é", "É", "è", "ä", "Ä",
                                         "ö", "Ö", "ü", "ß", "ñ", "ç", "ø", " ", "-", "0", "5", "9"};
    std::size_t longest = textLength_ ? textLength_ : 12;
    std::size_t n = 1 + rng_() % std::min<std::size_t>(static_cast<std::size_t>(size), longest);
    if (!textLength_ && rng_() % 3 == 0) n = std::min<std::size_t>(n, 1 + rng_() % 2);  // short texts repeat
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += pieces[rng_() % (sizeof pieces / sizeof *pieces)];
    return s;
  }

  // Columns a row write sets (autonumbers are the table's; OLE values are not keys).
  bool writable(const ColumnDefinition& c) const { return !c.autonumber && c.type != ColumnType::Ole; }

  // Runs update() and compares its outcome with the verdict.
  bool save(const std::set<ErrorCode>& want) {
    try {
      table_.update();
    } catch (const Error& e) {
      EXPECT_TRUE(want.count(e.code())) << e.what();
      if (want.count(e.code())) {
        EXPECT_NE(std::string(e.what()).find("table " + name_), std::string::npos) << e.what();
        (e.code() == ErrorCode::DuplicateKey ? counts_.refusedDuplicates : counts_.refusedNulls)++;
      }
      table_.cancelUpdate();
      return false;
    }
    EXPECT_TRUE(want.empty()) << "update() accepted a row the indexes must refuse";
    return true;
  }

  void insertRow() {
    const auto& columns = table_.columns();
    std::vector<Value> row(columns.size());
    table_.addNew();
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (!writable(columns[c])) continue;
      row[c] = randomValue(columns[c], true);
      table_.set(columns[c].name, row[c]);
    }
    if (!save(verdict(row, std::nullopt))) return;
    keep(table_.bookmark(), current());
    ++counts_.inserted;
  }

  Bookmark anyRow() {
    auto it = rows_.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(rng_() % rows_.size()));
    return it->first;
  }

  void editRow() {
    Bookmark at = anyRow();
    table_.setBookmark(at);
    const auto& columns = table_.columns();
    std::vector<Value> row = rows_.at(at);
    table_.edit();
    for (int n = 0; n < 2; ++n) {
      std::size_t c = rng_() % columns.size();
      if (!writable(columns[c])) continue;
      row[c] = randomValue(columns[c], true);
      table_.set(columns[c].name, row[c]);
    }
    if (!save(verdict(row, at))) return;
    ASSERT_EQ(table_.bookmark(), at);
    forget(at);
    keep(at, current());
    ++counts_.edited;
  }

  void removeRow() {
    Bookmark at = anyRow();
    table_.setBookmark(at);
    table_.remove();
    forget(at);
    ++counts_.removed;
  }

  Database& db_;
  std::string name_;
  Table table_;
  std::mt19937 rng_;
  std::size_t textLength_;
  std::uint32_t longRange_;
  struct BookmarkLess {
    bool operator()(const Bookmark& a, const Bookmark& b) const {
      return std::pair(a.page, a.row) < std::pair(b.page, b.row);
    }
  };
  std::map<Bookmark, std::vector<Value>, BookmarkLess> rows_;
  std::vector<KeyRules> rules_;
  std::vector<std::map<Bytes, std::set<Bookmark, BookmarkLess>>> taken_;  // unique indexes: key -> rows
  WriteCounts counts_;
};

}  // namespace jet::test
