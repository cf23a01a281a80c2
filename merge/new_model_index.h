#pragma once
// The merge's look-ups by model in one driver table of the new database, answered by hash look-ups
// instead of a walk over the whole table (or an index seek) per driver.
//
// The model match: among the rows whose Model is not Null, whose ID is above 0 and whose Company
// ID is the driver's company, the first in "Model" index order whose model, normalised without its
// section suffix or whole (NewModelKeys), equals the old driver's normalised model. The section
// look-up: the first row of the whole table in "Model" index order whose Model equals a text under
// the index's comparison, as an "=" seek on the index finds it.
//
// Rows are grouped by company and each normalised form of their model (a section row is in two
// groups), and by the index key of their Model; within a group they are kept in the order of the
// "Model" index itself (the row's index key bytes, then its place in the file, as the index orders
// equal keys). Rows the merge adds or edits are read again after they are written (rowWritten), so
// that every later driver sees the table as a walk over it would.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jet/database.h"
#include "jet/collation.h"
#include "jet/table.h"
#include "merge/merge_state.h"

namespace qbm {

class NewModelIndex {
 public:
  // Reads every row of the table through a cursor of its own. Engine errors reach the caller,
  // among them Error(MissingIndex) when the table has no index "Model".
  NewModelIndex(jet::Database& db, std::string_view tableName);

  // The first row of the company that either normalised form of its model makes key; nothing
  // when none.
  std::optional<MergeRow> find(std::int32_t companyId, std::string_view key) const;

  // The "ID" of the first row whose Model equals model under the index's comparison; 0 when none.
  std::int32_t seekModel(const std::string& model) const;

  // The row was added or changed: read it again (a row that is gone is dropped).
  void rowWritten(const jet::Bookmark& row);

  // For planning a merge, which writes nothing: takes the row as it will be once written, with
  // that ID (0 for a row not yet added), model and company; row is a row of the table, or a
  // stand-in (standIn) for one an entry of the merge adds. Index columns after the leading one
  // keep the values the table holds (Null for a stand-in). Stand-ins come after every row of the
  // file in the index's order of equal keys.
  void place(const jet::Bookmark& row, std::int32_t id, const std::string& model, std::int32_t companyId);
  static jet::Bookmark standIn(std::size_t entry) {
    return {StandInPage + static_cast<std::uint32_t>(entry >> 16), static_cast<std::uint16_t>(entry & 0xFFFF)};
  }
  // The entry a stand-in stands for; nothing for a row of the file.
  static std::optional<std::size_t> standInEntry(const jet::Bookmark& row) {
    if (row.page < StandInPage) return std::nullopt;
    return (std::size_t{row.page - StandInPage} << 16) | row.row;
  }

  std::size_t size() const { return where_.size(); }

 private:
  // No file has this many pages (2 GB of 4 KB pages is 2^19).
  static constexpr std::uint32_t StandInPage = 0x80000000u;

  struct Entry {
    std::string order;  // the row's key in the "Model" index (short keys need no allocation)
    jet::Bookmark row;
    std::int32_t id = 0;
  };
  struct EntryOrder {
    bool operator()(const Entry& a, const Entry& b) const;
  };
  struct BookmarkHash {
    std::size_t operator()(const jet::Bookmark& b) const {
      return std::hash<std::uint64_t>()((std::uint64_t{b.page} << 16) | b.row);
    }
  };
  struct Placed {
    // The groups of a row the model match may take: without the section suffix, and whole when
    // that differs.
    std::optional<std::string> group, wholeGroup;
    std::size_t sectionLength = 0;     // the key of the leading index column: entry.order's start
    Entry entry;
    std::string_view section() const { return std::string_view(entry.order).substr(0, sectionLength); }
  };
  using Groups = std::unordered_map<std::string, std::set<Entry, EntryOrder>>;

  static std::string groupKey(std::int32_t companyId, std::string_view key);
  // The current row of the cursor, when it may match at all.
  std::optional<Placed> readCurrent() const;
  void insert(Placed placed);
  void erase(const jet::Bookmark& row);

  jet::Table cursor_;
  jet::Collation collation_;
  std::vector<int> orderColumns_;        // positions of the "Model" index's columns
  std::vector<jet::KeyColumn> keyColumns_;
  mutable jet::Bytes key_;  // scratch for computing keys
  int model_ = -1, company_ = -1, id_ = -1;

  static void insertInto(Groups& groups, std::string_view key, const Entry& entry);
  static void eraseFrom(Groups& groups, std::string_view key, const Entry& entry);

  Groups groups_;    // by company and model key
  Groups sections_;  // by the index key of the leading column
  std::unordered_map<jet::Bookmark, Placed, BookmarkHash> where_;
};

}  // namespace qbm
