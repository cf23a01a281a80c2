#pragma once
// The rows of a response table of the new database by "Driver ID", read once per merge and kept up
// to date as the merge adds and deletes rows, so that finding a driver's response row costs a hash
// look-up instead of an index seek per driver.
//
// The rule it answers: the first row in "Driver ID" index order whose "Driver ID" equals the ID,
// as an "=" seek on that index finds it (rows of equal keys in the order of their place in the
// file, as the index orders them).

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "jet/database.h"
#include "jet/table.h"

namespace qbm {

class ResponseIndex {
 public:
  // Reads the table's rows through a cursor of its own. Engine errors reach the caller, among them
  // Error(MissingIndex) when the table has no index "Driver ID" (which a seek would need).
  ResponseIndex(jet::Database& db, std::string_view tableName);

  // The first row for the driver; nothing when it has none.
  std::optional<jet::Bookmark> find(std::int32_t driverId) const;

  // A row for the driver was added, or deleted.
  void added(std::int32_t driverId, const jet::Bookmark& row);
  void removed(std::int32_t driverId, const jet::Bookmark& row);

 private:
  struct BookmarkOrder {
    bool operator()(const jet::Bookmark& a, const jet::Bookmark& b) const {
      return a.page != b.page ? a.page < b.page : a.row < b.row;
    }
  };
  std::unordered_map<std::int32_t, std::set<jet::Bookmark, BookmarkOrder>> rows_;
};

}  // namespace qbm
