// Index keys and index trees against files written by Microsoft Access (../shared/interop) and by an
// independent writer (../shared/fixtures). The leaf entries in those files are ground truth: for
// every entry of every index of every table (system tables included), encoding its row's column
// values must give exactly the entry's key bytes, and every row must have exactly one entry. Then
// the table cursor is driven through each index: walks follow the leaf order, every row is found
// again by seeking its key (all key columns, and the leading one alone), text seeks ignore case, an
// absent key reports noMatch, and bookmarks survive seeks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/index/index_key.h"
#include "jet/index/index_reader.h"
#include "jet/page/physical_order.h"
#include "jet/table/row_reader.h"
#include "tests/support/test_support.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> sharedFiles() {
  std::vector<fs::path> files;
  for (const char* dir : {"interop", "fixtures"})
    for (const auto& e : fs::directory_iterator(qbm::test::sharedDir() / dir))
      if (e.path().extension() == ".mdb") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

Database openShared(const fs::path& path) {
  OpenOptions options;
  options.readOnly = true;
  options.exclusive = false;
  return Database::open(path, options);
}

struct TableRows {
  std::vector<RowLocation> order;  // physical order
  std::map<RowLocation, std::vector<Value>> values;
};

TableRows readRows(PageFile& file, const StoredTableDefinition& def) {
  TableRows rows;
  PhysicalOrder order(file, def);
  RowReader reader(file, def);
  for (auto at = order.first(); at; at = order.next()) {
    std::optional<RowImage> image = reader.fetch(*at);
    if (!image) continue;
    reader.decodeAll(*image, rows.values[*at]);
    rows.order.push_back(*at);
  }
  return rows;
}

std::vector<IndexEntry> leafEntries(PageFile& file, const StoredTableDefinition& def, const RealIndex& index) {
  std::vector<IndexEntry> out;
  IndexReader reader(file, index.firstPage, def.firstPage);
  for (bool ok = reader.first(); ok; ok = reader.next()) out.push_back(reader.entry());
  return out;
}

std::string hex(const Bytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::uint8_t x : b) {
    s.push_back(digits[x >> 4]);
    s.push_back(digits[x & 15]);
  }
  return s;
}

// Verifies every entry of every index of the file; returns the number of entries whose key bytes
// were checked (per collation).
std::size_t verifyFileEntries(const fs::path& path) {
  Database db = openShared(path);
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  std::size_t verified = 0;
  for (const CatalogEntry& entry : core.catalog()) {
    auto def = core.definition(entry);
    if (def->realIndexes.empty()) continue;
    TableRows rows = readRows(core.file(), *def);
    for (const RealIndex& index : def->realIndexes) {
      SCOPED_TRACE(path.filename().string() + ", table " + def->name + ", index tree " +
                   std::to_string(index.number));
      IndexKeyEncoder keys(*def, index, core.file().header());
      std::vector<IndexEntry> entries = leafEntries(core.file(), *def, index);
      std::map<RowLocation, int> seen;
      for (const IndexEntry& e : entries) {
        auto row = rows.values.find(e.row);
        if (row == rows.values.end()) {
          ADD_FAILURE() << "entry points at page " << e.row.page << " row " << e.row.row
                        << ", which is not a live row";
          continue;
        }
        ++seen[e.row];
        Bytes key = keys.rowKey(row->second);
        if (key != e.key) {
          std::string values;
          for (std::size_t pos : keys.positions()) values += " [" + row->second[pos].toString() + "]";
          ADD_FAILURE() << "key of row" << values << "\n  encoded " << hex(key) << "\n  in file " << hex(e.key);
          continue;
        }
        ++verified;
      }
      for (RowLocation at : rows.order) {
        int expected = keys.hasEntry(rows.values[at]) ? 1 : 0;
        EXPECT_EQ(seen[at], expected) << "entries of page " << at.page << " row " << at.row;
      }
    }
  }
  return verified;
}

TEST(IndexInterop, EveryLeafEntryIsTheKeyOfItsRow) {
  QBM_REQUIRE_SHARED();
  std::size_t total = 0;
  for (const fs::path& path : sharedFiles()) {
    std::size_t verified = verifyFileEntries(path);
    std::printf("  %-34s %6zu index entries verified byte for byte\n", path.filename().string().c_str(), verified);
    total += verified;
  }
  std::printf("  %-34s %6zu\n", "total", total);
  EXPECT_GT(total, 5000u);
}

// ---- the cursor ---------------------------------------------------------------------------------

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A value of the column's kind that no row holds in that column, for noMatch checks.
std::optional<Value> absentValue(ColumnType type, const std::set<Bytes>& presentKeys, const IndexKeyEncoder& keys) {
  std::vector<Value> candidates;
  switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo: candidates = {Value("qbm absent key"), Value("zzzz~")}; break;
    case ColumnType::Long: candidates = {Value(std::int32_t{-123457}), Value(std::int32_t{987654321})}; break;
    case ColumnType::Integer: candidates = {Value(std::int16_t{-12345}), Value(std::int16_t{31111})}; break;
    case ColumnType::Double: candidates = {Value(-1.25e300), Value(7.0e-300)}; break;
    case ColumnType::DateTime: candidates = {Value(DateTime{-600000.5})}; break;
    default: return std::nullopt;
  }
  for (const Value& v : candidates) {
    std::optional<Bytes> k = keys.seekKey({v});
    if (!k) continue;
    bool prefixOfSome = std::any_of(presentKeys.begin(), presentKeys.end(), [&](const Bytes& p) {
      return p.size() >= k->size() && std::equal(k->begin(), k->end(), p.begin());
    });
    if (!prefixOfSome) return v;
  }
  return std::nullopt;
}

struct CursorCounts {
  std::size_t walks = 0, seeks = 0, caseSeeks = 0, absent = 0;
};

void exerciseCursor(const fs::path& path, CursorCounts& counts) {
  Database db = openShared(path);
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  for (const std::string& name : db.tableNames()) {
    const CatalogEntry* entry = core.findTable(name);
    ASSERT_NE(entry, nullptr);
    auto def = core.definition(*entry);
    TableRows rows = readRows(core.file(), *def);
    Table table = db.table(name);
    for (const LogicalIndex& logical : def->logicalIndexes) {
      SCOPED_TRACE(path.filename().string() + ", table " + name + ", index " + logical.name);
      const RealIndex& index = def->realIndexes.at(logical.realIndex);
      IndexKeyEncoder keys(*def, index, core.file().header());
      std::vector<IndexEntry> entries = leafEntries(core.file(), *def, index);

      // Index names are case-insensitive; walking gives the leaf order, both ways.
      table.setIndex(upper(logical.name));
      EXPECT_EQ(table.currentIndex(), logical.name);
      std::vector<RowLocation> walked;
      for (table.moveFirst(); !table.eof(); table.moveNext()) {
        Bookmark b = table.bookmark();
        walked.push_back({b.page, b.row});
      }
      std::vector<RowLocation> leafOrder;
      for (const IndexEntry& e : entries) leafOrder.push_back(e.row);
      ASSERT_EQ(walked, leafOrder);
      std::vector<RowLocation> backwards;
      for (table.moveLast(); !table.bof(); table.movePrevious()) {
        Bookmark b = table.bookmark();
        backwards.push_back({b.page, b.row});
      }
      std::reverse(backwards.begin(), backwards.end());
      EXPECT_EQ(backwards, leafOrder);
      ++counts.walks;

      std::set<Bytes> present;
      for (const IndexEntry& e : entries) present.insert(e.key);

      // Every row with an entry is found again by its whole key and by its leading column; the
      // row found is the first entry with that key.
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<Value>& row = rows.values[entries[i].row];
        std::vector<Value> key;
        for (std::size_t pos : keys.positions()) key.push_back(row[pos]);
        for (std::size_t n : {key.size(), std::size_t{1}}) {
          std::vector<Value> lead(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(n));
          ASSERT_TRUE(table.seek(lead)) << "row " << i;
          EXPECT_FALSE(table.noMatch());
          Bytes prefix = *keys.seekKey(lead);
          auto first = std::find_if(entries.begin(), entries.end(), [&](const IndexEntry& e) {
            return e.key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), e.key.begin());
          });
          Bookmark b = table.bookmark();
          EXPECT_EQ((RowLocation{b.page, b.row}), first->row);
          ++counts.seeks;
          if (n == 1) break;
        }
        // Text keys ignore case.
        if (const std::string* text = key[0].getIf<std::string>()) {
          for (const std::string& variant : {upper(*text), lower(*text)}) {
            ASSERT_TRUE(table.seek(Value(variant))) << variant;
            const std::vector<Value>& found = rows.values[RowLocation{table.bookmark().page, table.bookmark().row}];
            EXPECT_EQ(keys.seekKey({found[keys.positions()[0]]}), keys.seekKey({key[0]})) << variant;
            ++counts.caseSeeks;
          }
        }
      }

      // An absent key reports noMatch.
      if (!keys.columns().empty()) {
        if (auto missing = absentValue(keys.columns()[0].type, present, keys)) {
          EXPECT_FALSE(table.seek(*missing));
          EXPECT_TRUE(table.noMatch());
          ++counts.absent;
        }
      }

      // Bookmarks survive seeks, and moves go on in index order from a bookmarked row.
      if (entries.size() >= 3) {
        RowLocation a = entries[1].row;
        table.moveFirst();
        table.moveNext();
        Bookmark mark = table.bookmark();
        EXPECT_EQ((RowLocation{mark.page, mark.row}), a);
        std::vector<Value> lastKey;
        for (std::size_t pos : keys.positions()) lastKey.push_back(rows.values[entries.back().row][pos]);
        ASSERT_TRUE(table.seek(lastKey));
        table.setBookmark(mark);
        EXPECT_EQ(table.bookmark(), mark);
        table.moveNext();
        EXPECT_EQ((RowLocation{table.bookmark().page, table.bookmark().row}), entries[2].row);
      }
    }
  }
}

TEST(IndexInterop, CursorWalksAndSeeksEveryIndex) {
  QBM_REQUIRE_SHARED();
  CursorCounts counts;
  for (const fs::path& path : sharedFiles()) exerciseCursor(path, counts);
  std::printf("  %zu index walks, %zu seeks, %zu case-changed text seeks, %zu absent-key seeks\n",
              counts.walks, counts.seeks, counts.caseSeeks, counts.absent);
  EXPECT_GT(counts.seeks, 1000u);
  EXPECT_GT(counts.absent, 50u);
}

TEST(IndexInterop, SeeksOnTheFixturesFindRowsByTheirDriverKeys) {
  QBM_REQUIRE_SHARED();
  Database db = openShared(qbm::test::sharedDir() / "fixtures" / "qbaudio.mdb");
  Table woofers = db.table("woofers");
  woofers.setIndex("model");
  std::size_t found = 0;
  for (Table scan = db.table("woofers"); !scan.eof(); scan.moveNext()) {
    Value model = scan.get("Model");
    if (model.isNull()) continue;
    ASSERT_TRUE(woofers.seek(Value(upper(model.as<std::string>()))));
    EXPECT_EQ(lower(woofers.get("Model").as<std::string>()), lower(model.as<std::string>()));
    ++found;
  }
  EXPECT_GT(found, 0u);
  woofers.setIndex("ID");
  EXPECT_FALSE(woofers.seek(Value(std::int32_t{-5})));
  EXPECT_TRUE(woofers.noMatch());
  EXPECT_THROW(woofers.setIndex("no such index"), Error);
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

bool isIndexProblem(const Problem& p) { return p.where.find(", index ") != std::string::npos; }

TEST(IndexInterop, CheckFindsNoIndexProblemsInTheSharedFiles) {
  QBM_REQUIRE_SHARED();
  for (const fs::path& path : sharedFiles()) {
    Database db = openShared(path);
    for (const Problem& p : check(db))
      EXPECT_FALSE(isIndexProblem(p)) << path.filename() << ": " << p.where << ": " << p.what;
  }
}

TEST(IndexInterop, CheckReportsAnEntryWhoseKeyNoLongerMatchesItsRow) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path copy = qbm::test::copyShared("interop/indexTestV2000.mdb", dir.path());
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  std::uint32_t root = 0;
  std::size_t entriesOffset = 0, pageSize = 0;
  {
    Database db = openShared(copy);
    detail::DatabaseCore& core = jet::detail::coreOf(db);
    auto def = core.definition(*core.findTable("Table1"));
    root = def->realIndexes.at(def->logicalIndexes.at(0).realIndex).firstPage;
    entriesOffset = core.file().layout().indexEntriesOffset;
    pageSize = core.file().pageSize();
  }
  // The first entry's first key byte after the flag: a Long key of that row changes.
  {
    std::FILE* f = std::fopen(copy.string().c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, static_cast<long>(root * pageSize + entriesOffset + 4), SEEK_SET);
    int b = std::fgetc(f);
    std::fseek(f, static_cast<long>(root * pageSize + entriesOffset + 4), SEEK_SET);
    std::fputc(b ^ 0x01, f);
    std::fclose(f);
  }
  Database db = openShared(copy);
  std::vector<Problem> problems = check(db);
  EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [](const Problem& p) {
    return isIndexProblem(p) && p.where.find("table Table1") != std::string::npos &&
           p.what.find("does not hold the row's key") != std::string::npos;
  }));
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// Every index page of the shared files, decoded and encoded again, gives the page Access wrote
// (header, entry map and entries; the bytes after the last entry are left-over space), with the
// shared prefix Access chose.
TEST(IndexInterop, IndexPagesEncodeAsAccessWroteThem) {
  QBM_REQUIRE_SHARED();
  std::size_t pages = 0;
  for (const fs::path& path : sharedFiles()) {
    Database db = openShared(path);
    PageFile& file = jet::detail::coreOf(db).file();
    const format::Layout& layout = file.layout();
    for (std::uint32_t n = 1; n < file.pageCount(); ++n) {
      PageRef page = file.page(n);
      if (!isIndexPageType(page->type())) continue;
      IndexPage decoded = decodeIndexPage(page->bytes(), n, layout);
      EXPECT_EQ(decoded.prefixLength, accessPrefixLength(decoded.entries, decoded.leaf, layout))
          << path.filename() << " page " << n;
      // Pages hold their entries in order: the first and the last entry tell the prefix.
      EXPECT_EQ(decoded.prefixLength, accessPrefixLength(decoded.entries, decoded.leaf, layout, /*sorted=*/true))
          << path.filename() << " page " << n;
      std::vector<std::uint8_t> again = encodeIndexPage(decoded, layout);
      std::size_t used = layout.indexEntriesOffset +
                         entryAreaSize(decoded.entries, decoded.leaf, decoded.prefixLength);
      ByteSpan original = page->bytes();
      EXPECT_TRUE(std::equal(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(used), original.begin()))
          << path.filename() << " page " << n;
      ++pages;
    }
  }
  EXPECT_GT(pages, 300u);
}

}  // namespace
}  // namespace jet
