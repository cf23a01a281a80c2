#include "jet/table/page_ownership_check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "jet/page/data_page.h"
#include "jet/page/data_page_writer.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/page/free_page_map.h"
#include "jet/index/index_page.h"
#include "jet/page/long_value.h"
#include "jet/file/page_file.h"
#include "jet/table/row_reader.h"
#include "jet/page/usage_map.h"

namespace jet {

namespace {

constexpr std::size_t kMaxReports = 50;

class OwnershipChecker {
 public:
  OwnershipChecker(PageFile& file, std::vector<Problem>& problems) : file_(file), problems_(problems) {}

  // ownersOnly: find the owners of the pages and what conflicts between them, nothing more.
  void run(const std::vector<const StoredTableDefinition*>& tables, bool ownersOnly = false) {
    ownersOnly_ = ownersOnly;
    claim(0, "the database header");
    claimMapHolder(format::usage_map::kGlobalFreePagesPointer, "the map of free pages");
    try {
      freeMap_ = readFreePageMap(file_);
    } catch (const Error&) {
      // check() reports an unreadable free-page map already.
    }
    for (const StoredTableDefinition* table : tables) checkTable(*table);
    if (ownersOnly) return;
    checkPages();
    for (ProblemKind kind : {ProblemKind::Damage, ProblemKind::FreePageMap})
      if (std::size_t n = suppressed_[static_cast<std::size_t>(kind)])
        problems_.push_back({"file", std::to_string(n) + " more problems of page ownership" +
                                         (kind == ProblemKind::FreePageMap ? " with the map of free pages" : ""),
                             kind});
  }

 private:
  void report(const std::string& where, const std::string& what, ProblemKind kind = ProblemKind::Damage) {
    if (reported_ >= kMaxReports) {
      ++suppressed_[static_cast<std::size_t>(kind)];
      return;
    }
    ++reported_;
    problems_.push_back({where, what, kind});
  }

  // An owner that is exclusive: a second claim by anything else is a problem.
  void claim(std::uint32_t page, const std::string& owner) {
    if (page >= file_.pageCount()) return;
    auto [it, fresh] = owners_.emplace(page, owner);
    if (!fresh && it->second != owner)
      report("page " + std::to_string(page), "it is used by " + it->second + " and by " + owner);
  }

  // Pages holding usage-map rows are shared by the maps they hold.
  void claimMapHolder(std::uint32_t rowPointer, const std::string& what) {
    std::uint32_t page = format::rowPointerPage(rowPointer);
    if (page == 0 || page >= file_.pageCount()) return;
    auto it = owners_.find(page);
    if (it == owners_.end()) owners_.emplace(page, kHolder);
    else if (it->second != kHolder) report("page " + std::to_string(page), "it holds " + what + " but is used by " + it->second);
    // A reference map's bitmap pages belong to the map.
    try {
      RowLocation at = rowLocationFromPointer(rowPointer);
      PageRef holder = file_.page(at.page);
      if (holder->type() != format::page_type::kData || at.row >= dataRowCount(*holder, file_.layout())) return;
      RowSlot slot = dataRowSlot(*holder, file_.layout(), at.row);
      ByteSpan row = slotBytes(*holder, slot);
      if (row.empty() || row[0] != format::usage_map::kReference) return;
      for (std::size_t i = 0; i + 4 < row.size(); i += 4) {
        std::uint32_t mapPage = bytes::u32(row, 1 + i);
        if (mapPage != 0 && static_cast<std::int32_t>(mapPage) > 0) claim(mapPage, what);
      }
    } catch (const Error&) {
    }
  }

  std::optional<std::set<std::uint32_t>> mapPages(std::uint32_t rowPointer) {
    try {
      UsageMapPages map = readUsageMap(file_, rowPointer);
      return std::set<std::uint32_t>(map.pages.begin(), map.pages.end());
    } catch (const Error&) {
      return std::nullopt;  // reported by the table checks
    }
  }

  void checkTable(const StoredTableDefinition& t) {
    const std::string name = "table " + t.name;
    for (std::uint32_t page : t.pages) claim(page, "the definition of " + name);
    claimMapHolder(t.ownedPagesMap, "the page map of " + name);
    claimMapHolder(t.freePagesMap, "the free-space map of " + name);
    std::optional<std::set<std::uint32_t>> owned = mapPages(t.ownedPagesMap);
    if (owned)
      for (std::uint32_t page : *owned) claim(page, "the rows of " + name);
    if (std::optional<std::set<std::uint32_t>> roomy = mapPages(t.freePagesMap); roomy && owned)
      for (std::uint32_t page : *roomy)
        if (!owned->count(page))
          report(name + ", page " + std::to_string(page), "the free-space map lists it, but it is not one of the table's pages");
    for (const RealIndex& index : t.realIndexes) checkIndexPages(t, index);
    for (const ColumnUsageMaps& maps : t.columnUsageMaps) {
      claimMapHolder(maps.ownedPagesMap, "the long-value page map of " + name);
      claimMapHolder(maps.freePagesMap, "the long-value free-space map of " + name);
    }
    checkLongValues(t);
    if (!ownersOnly_) checkAutoNumber(t);
  }

  void checkIndexPages(const StoredTableDefinition& t, const RealIndex& index) {
    std::string owner = "index " + std::to_string(index.number) + " of table " + t.name;
    if (index.usageMap != 0) claimMapHolder(index.usageMap, "the page map of " + owner);
    std::set<std::uint32_t> seen;
    std::vector<std::uint32_t> pending{index.firstPage};
    while (!pending.empty() && seen.size() <= file_.pageCount()) {
      std::uint32_t number = pending.back();
      pending.pop_back();
      if (number == 0 || number >= file_.pageCount() || !seen.insert(number).second) continue;
      try {
        PageRef raw = file_.page(number);
        if (!isIndexPageType(raw->type())) continue;  // the index checks report it
        IndexPage page = decodeIndexPage(raw->bytes(), number, file_.layout());
        claim(number, owner);
        for (std::uint32_t child : page.children()) pending.push_back(child);
        if (page.next != 0 && page.leaf) pending.push_back(page.next);  // leaves chained past the tree (tails)
      } catch (const Error&) {
        // The index checks report damaged index pages.
      }
    }
  }

  void checkLongValues(const StoredTableDefinition& t) {
    bool any = std::any_of(t.columns.begin(), t.columns.end(), [](const StoredColumn& c) { return c.isLongValue(); });
    if (!any) return;
    std::optional<std::set<std::uint32_t>> owned = mapPages(t.ownedPagesMap);
    if (!owned) return;
    RowReader reader(file_, t);
    const std::string owner = "the long values of table " + t.name;
    for (std::uint32_t number : *owned) {
      PageRef page;
      std::uint16_t count = 0;
      try {
        page = file_.page(number);
        if (page->type() != format::page_type::kData || dataPageOwner(*page, file_.layout()) != t.firstPage) continue;
        count = dataRowCount(*page, file_.layout());
      } catch (const Error&) {
        continue;
      }
      for (std::uint16_t row = 0; row < count; ++row) {
        try {
          if (!reader.isLive(*page, row)) continue;
          std::optional<RowImage> image = reader.fetch({number, row});
          if (!image) continue;
          RowColumns columns = reader.split(*image);
          for (const StoredColumn& c : t.columns) {
            if (!c.isLongValue() || !columns.hasValue(c.number)) continue;
            std::optional<ByteSpan> field = columns.variableBytes(c.varIndex);
            if (!field || field->size() < format::long_value::kFieldSize) continue;
            followLongValue(*field, owner, "table " + t.name + ", page " + std::to_string(number) + ", row " +
                                              std::to_string(row) + ", column " + c.name);
          }
        } catch (const Error&) {
          // Rows that cannot be read are reported by the row checks.
        }
      }
    }
  }

  void followLongValue(ByteSpan field, const std::string& owner, const std::string& where) {
    LongValueField f = parseLongValueField(field);
    if (f.form == LongValueForm::Inline) return;
    std::uint64_t stored = 0;
    std::uint32_t pointer = f.firstRow;
    std::set<std::uint32_t> chain;
    while (pointer != 0) {
      if (!chain.insert(pointer).second) {
        report(where, "its memo or OLE value's chain forms a loop");
        return;
      }
      RowLocation at = rowLocationFromPointer(pointer);
      if (!lvalRowsSeen_.insert(pointer).second)
        report(where, "its memo or OLE value uses row " + std::to_string(at.row) + " of page " +
                          std::to_string(at.page) + ", which another value uses too");
      PageRef page = file_.page(at.page);
      if (!isLongValuePage(*page, file_.layout()) || at.row >= dataRowCount(*page, file_.layout())) {
        report(where, "its memo or OLE value points to page " + std::to_string(at.page) + ", which holds no such value");
        return;
      }
      claim(at.page, owner);
      lvalPagesUsed_.insert(at.page);
      RowSlot slot = dataRowSlot(*page, file_.layout(), at.row);
      ByteSpan row = slotBytes(*page, slot);
      if (slot.deleted) {
        report(where, "its memo or OLE value points to a deleted row of page " + std::to_string(at.page));
        return;
      }
      if (f.form == LongValueForm::SinglePage) {
        stored = row.size();
        break;
      }
      if (row.size() < format::long_value::kChainLinkSize) {
        report(where, "a row of its memo or OLE value's chain is too short");
        return;
      }
      stored += row.size() - format::long_value::kChainLinkSize;
      pointer = bytes::u32(row, 0);
      if (stored >= f.length) break;
    }
    if (stored < f.length)
      report(where, "its memo or OLE value holds " + std::to_string(stored) + " of its " + std::to_string(f.length) + " bytes");
  }

  void checkAutoNumber(const StoredTableDefinition& t) {
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
      const StoredColumn& c = t.columns[i];
      if (!(c.flags & format::column_flag::kAutoLong) || c.type != ColumnType::Long) continue;
      std::optional<std::int64_t> highest;
      try {
        RowReader reader(file_, t);
        std::optional<std::set<std::uint32_t>> owned = mapPages(t.ownedPagesMap);
        if (!owned) return;
        for (std::uint32_t number : *owned) {
          PageRef page = file_.page(number);
          if (page->type() != format::page_type::kData || dataPageOwner(*page, file_.layout()) != t.firstPage) continue;
          std::uint16_t count = dataRowCount(*page, file_.layout());
          for (std::uint16_t row = 0; row < count; ++row) {
            if (!reader.isLive(*page, row)) continue;
            std::optional<RowImage> image = reader.fetch({number, row});
            if (!image) continue;
            Value v = reader.decode(reader.split(*image), i);
            if (auto n = v.getIf<std::int32_t>()) highest = std::max<std::int64_t>(highest.value_or(*n), *n);
          }
        }
      } catch (const Error&) {
        return;  // rows that cannot be read are reported elsewhere
      }
      if (highest && *highest > static_cast<std::int64_t>(t.nextAutoNumber))
        report("table " + t.name, "its autonumber counter (" + std::to_string(t.nextAutoNumber) +
                                      ") is below the highest number in column " + c.name + " (" +
                                      std::to_string(*highest) + ")");
    }
  }

  // Every page: not both used and free, nor used and outside the map of free pages (other writers
  // take such pages as free); pages neither used nor free (and not empty) are listed.
  void checkPages() {
    for (std::uint32_t number = 0; number < file_.pageCount(); ++number) {
      auto owner = owners_.find(number);
      bool free = freeMap_ && std::binary_search(freeMap_->listed.begin(), freeMap_->listed.end(), number);
      if (owner != owners_.end() && free) {
        report("page " + std::to_string(number), "it is used by " + owner->second + ", but the database lists it as free",
               ProblemKind::FreePageMap);
        continue;
      }
      if (owner != owners_.end() && freeMap_ && freeMap_->takenAsFree(number)) {
        report("page " + std::to_string(number),
               "it is used by " + owner->second +
                   ", but the map of free pages does not cover it (other writers take it as free)",
               ProblemKind::FreePageMap);
        continue;
      }
      if (owner != owners_.end() || free) continue;
      PageRef page;
      try {
        page = file_.page(number);
      } catch (const Error&) {
        continue;
      }
      if (isEmpty(*page)) continue;
      unused_.push_back(number);  // Access leaves such pages behind too: listed, not reported
    }
  }

  bool isEmpty(const Page& page) const {
    const format::Layout& layout = file_.layout();
    ByteSpan b = page.bytes();
    if (std::all_of(b.begin(), b.end(), [](std::uint8_t x) { return x == 0; })) return true;
    // A data or LVAL page whose rows are all deleted holds nothing either.
    if (page.type() == format::page_type::kData) {
      try {
        if (isLongValuePage(page, layout)) return usedLongValueRows(b, layout) == 0;
        std::uint16_t count = dataRowCount(page, layout);
        for (std::uint16_t row = 0; row < count; ++row)
          if (!(bytes::u16(b, layout.dataRowTableOffset + 2u * row) & format::row_entry::kDeleted)) return false;
        return true;
      } catch (const Error&) {
        return false;
      }
    }
    return false;
  }

  static constexpr const char* kHolder = "usage maps";
  PageFile& file_;
  std::vector<Problem>& problems_;
  std::map<std::uint32_t, std::string> owners_;
  std::optional<FreePageMapView> freeMap_;
  bool ownersOnly_ = false;
  std::set<std::uint32_t> lvalRowsSeen_;
  std::set<std::uint32_t> lvalPagesUsed_;
  std::size_t reported_ = 0;
  std::size_t suppressed_[2] = {0, 0};  // by ProblemKind

 public:
  std::vector<std::uint32_t> unused_;

  std::vector<bool> owned() const {
    std::vector<bool> out(file_.pageCount(), false);
    for (const auto& [page, owner] : owners_)
      if (page < out.size()) out[page] = true;
    return out;
  }
};

}  // namespace

void checkPageOwnership(PageFile& file, const std::vector<const StoredTableDefinition*>& tables,
                        std::vector<Problem>& problems) {
  OwnershipChecker(file, problems).run(tables);
}

std::vector<bool> ownedPages(PageFile& file, const std::vector<const StoredTableDefinition*>& tables) {
  std::vector<Problem> ignored;
  OwnershipChecker checker(file, ignored);
  checker.run(tables, true);
  return checker.owned();
}

std::vector<std::uint32_t> unusedPages(PageFile& file, const std::vector<const StoredTableDefinition*>& tables) {
  std::vector<Problem> ignored;
  OwnershipChecker checker(file, ignored);
  checker.run(tables);
  return checker.unused_;
}

}  // namespace jet
