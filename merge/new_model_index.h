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
#include <string>
#include <string_view>
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

  std::size_t size() const { return live_; }

 private:
  // No file has this many pages (2 GB of 4 KB pages is 2^19).
  static constexpr std::uint32_t StandInPage = 0x80000000u;
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;

  // One row: its keys live end to end in keys_ (the row's key in the "Model" index, then its group,
  // then its whole group), so that a row costs some 150 bytes however many look-ups find it.
  struct Slot {
    std::uint32_t at = 0;
    std::uint16_t orderLength = 0;    // the key in the "Model" index
    std::uint16_t sectionLength = 0;  // its leading column's part (0: no seek finds the row)
    std::uint16_t groupLength = 0;    // 0: in no group
    std::uint16_t wholeLength = 0;    // 0: the whole model is its group
    jet::Bookmark row;
    std::int32_t id = 0;
    bool live = false;
  };

  // Slot numbers by the hash of a key, open addressing, several slots per key allowed. Buckets hold
  // 32 bits of the hash to pass over most others; callers compare the slot's own key bytes. When it
  // fills, the owner builds it again from the slots (rebuild).
  class SlotTable {
   public:
    // At most three quarters of the buckets in use (erased ones count).
    bool needsRoom(std::size_t more) const { return (used_ + more) * 4 > buckets_.size() * 3; }
    void reset(std::size_t entries);  // empty, with room for that many entries
    void insert(std::uint64_t hash, std::uint32_t slot);
    void erase(std::uint64_t hash, std::uint32_t slot);
    template <typename Visit>
    void forEach(std::uint64_t hash, Visit visit) const {
      if (buckets_.empty()) return;
      const std::size_t mask = buckets_.size() - 1;
      const auto tag = static_cast<std::uint32_t>(hash >> 32);
      for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Bucket& b = buckets_[i];
        if (b.slot == kEmpty) return;
        if (b.slot != kErased && b.tag == tag) visit(b.slot);
      }
    }

   private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF, kErased = 0xFFFFFFFE;
    struct Bucket {
      std::uint32_t tag = 0;
      std::uint32_t slot = kEmpty;
    };
    std::vector<Bucket> buckets_;
    std::size_t used_ = 0;  // buckets not empty (erased ones count)
  };
  enum class Look { Groups, Sections, Where };

  // What readCurrent found of the cursor's row.
  struct Current {
    std::size_t sectionLength = 0;
    std::optional<std::string> group, wholeGroup;
    jet::Bookmark row;
    std::int32_t id = 0;
  };

  static std::string groupKey(std::int32_t companyId, std::string_view key);
  static std::uint64_t hashOf(std::string_view key) { return std::hash<std::string_view>()(key); }
  static std::uint64_t hashOf(const jet::Bookmark& row);
  std::string_view orderOf(const Slot& s) const { return std::string_view(keys_).substr(s.at, s.orderLength); }
  std::string_view groupOf(const Slot& s) const {
    return std::string_view(keys_).substr(s.at + s.orderLength, s.groupLength);
  }
  std::string_view wholeOf(const Slot& s) const {
    return std::string_view(keys_).substr(s.at + s.orderLength + s.groupLength, s.wholeLength);
  }
  // Model index order: the key, then the place in the file.
  bool before(std::uint32_t a, std::uint32_t b) const;
  // The current row of the cursor (its "Model" key left in key_), when it may match at all.
  std::optional<Current> readCurrent() const;
  void insert(const Current& current);
  void erase(const jet::Bookmark& row);
  // Adds the slot under n hashes to a look-up, building it anew with more room when it is full.
  void addTo(Look look, const std::uint64_t* hashes, std::size_t n, std::uint32_t slot);
  void rebuild(Look look);
  SlotTable& table(Look look) { return look == Look::Groups ? groups_ : look == Look::Sections ? sections_ : where_; }

  jet::Table cursor_;
  jet::Collation collation_;
  std::vector<int> orderColumns_;        // positions of the "Model" index's columns
  std::vector<jet::KeyColumn> keyColumns_;
  mutable jet::Bytes key_;  // scratch for computing keys
  int model_ = -1, company_ = -1, id_ = -1;

  std::string keys_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> freeSlots_;
  std::size_t live_ = 0;
  SlotTable groups_;    // by company and model key
  SlotTable sections_;  // by the index key of the leading column
  SlotTable where_;     // by bookmark
};

}  // namespace qbm
