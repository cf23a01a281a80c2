#pragma once
// The inside of an open database handle: its path, what the open found of a journal, and the
// shared state (database_core.h), for the engine's own parts (check, dump).

#include <filesystem>
#include <memory>

#include "jet/database.h"
#include "jet/table/database_core.h"

namespace jet::detail {

class DatabaseImpl {
 public:
  DatabaseImpl(std::filesystem::path path, std::unique_ptr<PageFile> file, OpenOptions options,
               JournalFinding journal = {});

  const std::filesystem::path& path() const { return path_; }
  const JournalFinding& journalFinding() const { return journal_; }
  DatabaseCore& core() { return *core_; }
  const std::shared_ptr<DatabaseCore>& sharedCore() const { return core_; }

 private:
  std::filesystem::path path_;
  JournalFinding journal_;
  std::shared_ptr<DatabaseCore> core_;
};

}  // namespace jet::detail
