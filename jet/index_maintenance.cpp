// Placeholder until the index writer lands: rows are written without touching their indexes. The
// index writer replaces this file with its implementation of makeIndexMaintenance().

#include "jet/index_maintenance.h"

namespace jet {

namespace {

class NoIndexMaintenance final : public IndexMaintenance {
 public:
  void validate(StoredTableDefinition&, const std::vector<Value>&, std::optional<RowLocation>) override {}
  void insertEntries(StoredTableDefinition&, const std::vector<Value>&, RowLocation) override {}
  void removeEntries(StoredTableDefinition&, const std::vector<Value>&, RowLocation) override {}
};

}  // namespace

std::unique_ptr<IndexMaintenance> makeIndexMaintenance(PageFile&, PageAllocator&) {
  return std::make_unique<NoIndexMaintenance>();
}

}  // namespace jet
