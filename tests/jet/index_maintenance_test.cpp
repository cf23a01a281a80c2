// Index maintenance on copies of the real files: every index of every user table (text with mixed
// case and non-ASCII letters, every numeric type, dates, GUIDs, Yes/No, descending and
// multi-column keys, unique, required and ignore-Nulls indexes) follows long random sequences of
// row inserts, updates and deletes. The row writer is not involved: rows are given by their values
// and a made-up location, and the expected entries are the file's own plus those of the made-up
// rows. After each batch and after commit and reopening, every tree has Access's shape and exactly
// the expected entries, and the engine's reader walks and seeks it; the definitions hold the tallies
// of distinct keys the writes raised. Unique, primary and required
// keys are refused exactly when the model says so, before anything is written; cursors standing on
// an index see the changes.

#include "jet/index/index_maintenance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/index/index_cursor.h"
#include "jet/index/index_key.h"
#include "jet/index/index_reader.h"
#include "tests/jet/memory_index_store.h"
#include "tests/support/test_support.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

using ReadOnlyStore = test::ReadOnlyIndexStore;

struct Entry {
  Bytes key;
  RowLocation row;
  friend bool operator<(const Entry& a, const Entry& b) { return compareEntries(a.key, a.row, b.key, b.row) < 0; }
  friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<Entry> treeEntries(PageFile& file, const StoredTableDefinition& table, const RealIndex& index,
                               std::size_t* levels = nullptr) {
  ReadOnlyStore store(file);
  test::TreeShape shape = test::walkTree(store, index.firstPage, table.firstPage);
  for (const std::string& f : shape.faults) ADD_FAILURE() << table.name << " index " << index.number << ": " << f;
  if (levels) *levels = shape.levels;
  std::vector<Entry> out;
  for (const IndexEntry& e : shape.entries) out.push_back({e.key, e.row});
  return out;
}

// A value a column of this kind can hold: text of mixed case with non-ASCII letters, numbers of
// every width, dates, GUIDs; Null now and then where the column may hold it.
Value randomValue(const StoredColumn& c, std::mt19937& rng, bool allowNull) {
  if (allowNull && c.type != ColumnType::Boolean && rng() % 8 == 0) return Value();
  switch (c.type) {
    case ColumnType::Boolean: return Value(rng() % 2 == 0);
    case ColumnType::Byte: return Value(static_cast<std::uint8_t>(rng()));
    case ColumnType::Integer: return Value(static_cast<std::int16_t>(rng() % 2000 - 1000));
    case ColumnType::Long: return Value(static_cast<std::int32_t>(rng() % 200000) - 100000);
    case ColumnType::Currency: return Value(Currency{static_cast<std::int64_t>(rng() % 2000000) - 1000000});
    case ColumnType::Single: return Value(static_cast<float>(static_cast<int>(rng() % 20000) - 10000) / 8.0f);
    case ColumnType::Double: return Value(static_cast<double>(static_cast<int>(rng() % 200000) - 100000) / 64.0);
    case ColumnType::DateTime: return Value(DateTime{static_cast<double>(rng() % 60000) + (rng() % 96) / 96.0});
    case ColumnType::Guid: {
      Guid g{};
      for (auto& b : g) b = static_cast<std::uint8_t>(rng() % 4);  // few values: repeats happen
      return Value(g);
    }
    case ColumnType::Binary: return Value(Bytes{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())});
    case ColumnType::Text:
    case ColumnType::Memo: {
      static const char* const pieces[] = {"a", "A", "b", "B", "z", "Z", "é", "É", "ä", "Ä", "ö", "Ø",
                                           "ß", "ñ", "ç", " ", "-", "0", "7", "Model", "mODEL"};
      std::size_t maxChars = c.type == ColumnType::Memo ? 30 : std::max<std::size_t>(1, c.length / (c.length > 2 ? 2 : 1));
      std::size_t n = 1 + rng() % std::min<std::size_t>(maxChars, 12);
      std::string s;
      std::size_t chars = 0;
      while (chars < n) {
        const char* p = pieces[rng() % (sizeof pieces / sizeof *pieces)];
        std::size_t len = std::string(p).size() > 2 ? std::string(p).size() : 1;
        if (chars + len > maxChars) break;
        s += p;
        chars += len;
      }
      return Value(s.empty() ? std::string("x") : s);
    }
    default: return Value();
  }
}

// The model of one table: per index tree, the entries it must hold (the file's own entries and
// those of the made-up rows), kept as the rows change. Made on the database open at the time;
// verify() takes the table of a later opening.
class TableModel {
 public:
  TableModel(PageFile& file, const StoredTableDefinition& table) : columns_(table.columns) {
    for (const RealIndex& index : table.realIndexes) {
      std::vector<Entry> entries = treeEntries(file, table, index);
      entries_.emplace_back(entries.begin(), entries.end());
      keys_.emplace_back(table, index, file.header());
      bool primary = false;
      for (const LogicalIndex& l : table.logicalIndexes) primary = primary || (l.realIndex == index.number && l.primary());
      unique_.push_back(primary || index.unique());
      required_.push_back(primary || index.required());
    }
  }

  std::vector<Value> randomRow(std::mt19937& rng) const {
    std::vector<Value> row;
    for (const StoredColumn& c : columns_) row.push_back(randomValue(c, rng, true));
    return row;
  }

  // Throws Error(Unsupported) when a key cannot be made (a sort order the engine does not write).
  void requireKeys(std::mt19937& rng) const {
    for (const IndexKeyEncoder& k : keys_) k.rowKey(randomRow(rng));
  }

  // What validate() must refuse the row with, if anything (replacing: a made-up row being edited).
  std::optional<ErrorCode> expectedVerdict(const std::vector<Value>& row, std::optional<RowLocation> replacing) const {
    std::optional<ErrorCode> verdict;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      bool anyNull = false, allNull = true;
      for (std::size_t pos : keys_[i].positions()) {
        anyNull = anyNull || row[pos].isNull();
        allNull = allNull && row[pos].isNull();
      }
      if (required_[i] && anyNull) return ErrorCode::ValueRejected;
      if (!unique_[i] || allNull || !keys_[i].hasEntry(row)) continue;
      Bytes key = keys_[i].rowKey(row);
      for (auto it = entries_[i].lower_bound({key, RowLocation{0, 0}}); it != entries_[i].end() && it->key == key; ++it)
        if (!replacing || it->row != *replacing) verdict = ErrorCode::DuplicateKey;
    }
    return verdict;
  }

  void add(RowLocation at, const std::vector<Value>& row) {
    rows[at] = row;
    for (std::size_t i = 0; i < keys_.size(); ++i)
      if (keys_[i].hasEntry(row)) entries_[i].insert({keys_[i].rowKey(row), at});
  }
  void drop(RowLocation at) {
    const std::vector<Value>& row = rows.at(at);
    for (std::size_t i = 0; i < keys_.size(); ++i)
      if (keys_[i].hasEntry(row)) entries_[i].erase({keys_[i].rowKey(row), at});
    rows.erase(at);
  }

  void verify(PageFile& file, const StoredTableDefinition& table, std::size_t* deepest = nullptr) const {
    for (const RealIndex& index : table.realIndexes) {
      std::size_t levels = 0;
      std::vector<Entry> actual = treeEntries(file, table, index, &levels);
      const std::set<Entry>& want = entries_[index.number];
      ASSERT_EQ(actual.size(), want.size()) << table.name << " index " << index.number;
      EXPECT_TRUE(std::equal(actual.begin(), actual.end(), want.begin())) << table.name << " index " << index.number;
      if (deepest) *deepest = std::max(*deepest, levels);
      // The reader finds every entry by seeking it.
      IndexReader reader(file, index.firstPage, table.firstPage);
      for (const Entry& e : want) {
        ASSERT_TRUE(reader.seek(e.key, e.row));
        ASSERT_EQ(reader.entry().row, e.row);
      }
    }
  }

  std::map<RowLocation, std::vector<Value>> rows;  // the made-up rows

 private:
  std::vector<StoredColumn> columns_;
  std::vector<IndexKeyEncoder> keys_;
  std::vector<bool> unique_, required_;
  std::vector<std::set<Entry>> entries_;
};

// Refusals seen, by kind.
struct Refusals {
  int duplicates = 0;
  int nulls = 0;
};

// Runs inserts, updates and deletes of made-up rows through the maintenance and the model.
void exercise(detail::DatabaseCore& core, StoredTableDefinition& table, TableModel& model, std::mt19937& rng,
              int operations, std::uint32_t& nextPage, Refusals& refusals) {
  IndexMaintenance& indexes = core.indexMaintenance();
  for (int op = 0; op < operations; ++op) {
    int kind = static_cast<int>(rng() % 10);
    if (kind < 6 || model.rows.size() < 5) {
      std::vector<Value> row = model.randomRow(rng);
      std::optional<ErrorCode> want = model.expectedVerdict(row, std::nullopt);
      std::uint64_t changes = core.file().changeCount();
      try {
        indexes.validate(table, row, std::nullopt);
        ASSERT_FALSE(want) << "a row the indexes must refuse was accepted";
      } catch (const Error& e) {
        ASSERT_EQ(std::optional(e.code()), want) << e.what();
        ASSERT_NE(std::string(e.what()).find("table " + table.name + ", index "), std::string::npos) << e.what();
        ASSERT_EQ(core.file().changeCount(), changes) << "a refused row wrote pages";
        (e.code() == ErrorCode::DuplicateKey ? refusals.duplicates : refusals.nulls)++;
        continue;
      }
      RowLocation at{0xF00000u + nextPage / 200, static_cast<std::uint16_t>(nextPage % 200)};
      ++nextPage;
      indexes.insertEntries(table, row, at);
      model.add(at, row);
    } else {
      auto it = model.rows.begin();
      std::advance(it, static_cast<std::ptrdiff_t>(rng() % model.rows.size()));
      RowLocation at = it->first;
      if (kind < 8) {
        indexes.removeEntries(table, it->second, at);
        model.drop(at);
      } else {
        // An update of one or two columns (often not a key column at all); every other one with the
        // row's values as they are, so that an unchanged unique key is not looked for again.
        std::vector<Value> changed = it->second;
        for (int n = 0; n < 2; ++n) {
          std::size_t c = rng() % changed.size();
          changed[c] = randomValue(table.columns[c], rng, true);
        }
        std::optional<ErrorCode> want = model.expectedVerdict(changed, at);
        try {
          indexes.validate(table, changed, at, op % 2 ? &it->second : nullptr);
          ASSERT_FALSE(want) << "an edit the indexes must refuse was accepted";
        } catch (const Error& e) {
          ASSERT_EQ(std::optional(e.code()), want) << e.what();
          continue;
        }
        indexes.updateEntries(table, it->second, changed, at);
        model.drop(at);
        model.add(at, changed);
      }
    }
  }
}

class SharedFileIndexMaintenance : public ::testing::TestWithParam<std::string> {};

TEST_P(SharedFileIndexMaintenance, RandomRowWritesKeepEveryIndexExact) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared(GetParam(), dir.path());
  std::mt19937 rng(42);
  std::map<std::string, std::unique_ptr<TableModel>> models;
  std::map<std::string, std::vector<std::uint32_t>> tallies;  // distinct-key tallies, per index
  std::size_t deepest = 0;
  Refusals refusals;
  bool anyUnique = false, anyRequired = false;
  {
    Database db = Database::open(path);
    detail::DatabaseCore& core = jet::detail::coreOf(db);
    std::vector<CatalogEntry> tables;
    for (const CatalogEntry& e : core.catalog())
      if (!e.system && !core.definition(e)->realIndexes.empty()) tables.push_back(e);
    if (tables.empty()) GTEST_SKIP() << "no indexed user tables";
    std::uint32_t nextPage = 0;  // made-up rows lie on pages from 0xF00000 on, which no file has
    db.begin();
    for (const CatalogEntry& e : tables) {
      StoredTableDefinition& table = core.mutableDefinition(*core.definition(e));
      for (const RealIndex& index : table.realIndexes) {
        anyUnique = anyUnique || index.unique();
        anyRequired = anyRequired || index.required();
      }
      auto model = std::make_unique<TableModel>(core.file(), table);
      try {
        model->requireKeys(rng);
      } catch (const Error& err) {
        if (err.code() == ErrorCode::Unsupported) continue;  // a text sort order the engine does not write
        throw;
      }
      for (int batch = 0; batch < 4; ++batch) {
        exercise(core, table, *model, rng, 600, nextPage, refusals);
        if (HasFatalFailure()) return;
        model->verify(core.file(), table, &deepest);
        if (HasFatalFailure()) return;
      }
      models[e.name] = std::move(model);
      for (const RealIndex& index : table.realIndexes) tallies[e.name].push_back(index.rowCountHint);
    }
    db.commit();
  }
  // Everything is in the file: reopened, the trees hold exactly the expected entries.
  Database db = Database::open(path, {.exclusive = true, .readOnly = true});
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  for (const auto& [name, model] : models) {
    const StoredTableDefinition& table = *core.definition(*core.findTable(name));
    model->verify(core.file(), table);
    // The tallies of distinct keys the writes raised reached the file.
    ASSERT_EQ(table.realIndexes.size(), tallies[name].size()) << name;
    for (std::size_t i = 0; i < table.realIndexes.size(); ++i)
      EXPECT_EQ(table.realIndexes[i].rowCountHint, tallies[name][i]) << name << " index " << i;
  }
  RecordProperty("deepest", static_cast<int>(deepest));
  // Keys are drawn from small sets, so unique indexes meet repeated keys and required ones Nulls.
  if (anyUnique) {
    EXPECT_GT(refusals.duplicates, 0);
  }
  if (anyRequired) {
    EXPECT_GT(refusals.nulls, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedFileIndexMaintenance, ::testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// An index cursor standing on an entry while writes change the tree under it (its leaf split,
// its own entry removed) goes on from where its entry is or was, through the tree as it is now.
TEST(IndexCursorAfterWrites, MovesGoOnThroughTheChangedTree) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/compIndexTestV2000.mdb", dir.path());
  Database db = Database::open(path);
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  StoredTableDefinition& table = core.mutableDefinition(*core.definition(*core.findTable("Table1")));
  const LogicalIndex& logical = table.logicalIndexes.front();
  const RealIndex& real = table.realIndexes[logical.realIndex];
  IndexKeyEncoder keys(table, real, core.file().header());
  auto rowWith = [&](std::int32_t v) {
    std::vector<Value> row(table.columns.size());
    row[keys.positions().front()] = Value(v);
    return row;
  };
  // The entry a fresh reader finds at or after (key, row), moved `step` (-1, 0 or 1) from there.
  auto freshly = [&](const Bytes& key, RowLocation row, int step) -> std::optional<RowLocation> {
    IndexReader reader(core.file(), real.firstPage, table.firstPage);
    bool ok = reader.seek(key, row);
    if (step < 0) ok = ok ? reader.previous() : reader.last();
    if (step > 0 && ok) ok = reader.next();
    if (!ok) return std::nullopt;
    return reader.entry().row;
  };

  db.begin();
  IndexMaintenance& indexes = core.indexMaintenance();
  RowLocation mine{0xF00000, 1}, other{0xF00000, 2};
  indexes.insertEntries(table, rowWith(-5000), mine);
  indexes.insertEntries(table, rowWith(-4000), other);
  IndexCursor cursor(core.file(), table, logical);
  ASSERT_TRUE(cursor.positionAt(keys.rowKey(rowWith(-5000)), mine));

  // Many entries right around the cursor's: its leaf splits; then its own entry goes.
  for (std::uint16_t i = 0; i < 1200; ++i)
    indexes.insertEntries(table, rowWith(-5000 + (i % 3) - 1), RowLocation{0xF00001u + i / 200, static_cast<std::uint16_t>(i % 200)});
  indexes.removeEntries(table, rowWith(-5000), mine);
  EXPECT_EQ(cursor.next(), freshly(keys.rowKey(rowWith(-5000)), mine, 0));
  // And the next step goes on from there.
  std::optional<std::pair<Bytes, RowLocation>> here = cursor.currentEntry();
  ASSERT_TRUE(here);
  EXPECT_EQ(cursor.next(), freshly(here->first, here->second, 1));

  // Backwards: the entry before where the removed one was.
  ASSERT_TRUE(cursor.positionAt(keys.rowKey(rowWith(-4000)), other));
  for (std::uint16_t i = 0; i < 600; ++i)
    indexes.insertEntries(table, rowWith(-4000 + (i % 2)), RowLocation{0xF00010u + i / 200, static_cast<std::uint16_t>(i % 200)});
  indexes.removeEntries(table, rowWith(-4000), other);
  EXPECT_EQ(cursor.previous(), freshly(keys.rowKey(rowWith(-4000)), other, -1));
  db.rollback();
}

}  // namespace
}  // namespace jet
