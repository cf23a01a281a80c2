#pragma once
// The pages of one index tree, as the tree writer needs them: read the current version of a page,
// replace a page, take a new page for the index and give one back. The store behind it decides where
// pages come from and keeps the index's page map and the database's free-page map exact.

#include <cstdint>
#include <vector>

#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;

  virtual const format::Layout& layout() const = 0;
  // The page as it is now (with every change written through this store). Throws Error(Damaged)
  // for a page number outside the file.
  virtual PageRef page(std::uint32_t number) = 0;
  // Replaces the page's bytes. REQUIRES: bytes.size() == layout().pageSize.
  virtual void write(std::uint32_t number, std::vector<std::uint8_t> bytes) = 0;
  // A page newly given to the index; the caller writes it before the change is complete.
  virtual std::uint32_t allocate() = 0;
  // A page the index no longer uses.
  virtual void release(std::uint32_t number) = 0;
};

class PageAllocator;

// The pages of one index tree of a database being written: reads and writes go through the page
// file's open transaction; new pages come from the allocator and join the index's usage map, pages
// given back leave it and are listed free.
class FileIndexPageStore final : public IndexPageStore {
 public:
  // usageMap: the row pointer of the index's usage map (0: the index keeps none).
  FileIndexPageStore(PageFile& file, PageAllocator& allocator, std::uint32_t usageMap)
      : file_(file), allocator_(allocator), usageMap_(usageMap) {}

  const format::Layout& layout() const override { return file_.layout(); }
  PageRef page(std::uint32_t number) override { return file_.page(number); }
  void write(std::uint32_t number, std::vector<std::uint8_t> bytes) override;
  std::uint32_t allocate() override;
  void release(std::uint32_t number) override;

 private:
  PageFile& file_;
  PageAllocator& allocator_;
  std::uint32_t usageMap_;
};

}  // namespace jet
