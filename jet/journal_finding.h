#pragma once
// What opening a database found of a rollback journal beside the file, and what was done with it
// (Database::journalFinding); what the undo record beside it says (Database::keptUndo). The journal itself, its layout and its recovery are the engine's
// inside (file/journal.h).

#include <filesystem>
#include <optional>
#include <string>

namespace jet {

struct JournalFinding {
  enum class Kind {
    None,        // no journal (an empty one, which records nothing, is deleted by a write open)
    RolledBack,  // write open: the journal was written for this file as it is; its change was undone
    Pending,     // read-only open: such a journal is there; the database reads as the rollback will
                 // leave it, while the file and the journal stay as they are
    SetAside,    // write open: the journal is shown not to belong to this file (written for another
                 // file or another state of it, or torn before anything of the file was written);
                 // it was not applied but moved to setAsidePath, and the database is used as it is
    Ignored,     // read-only open: the same kind of journal, left where it is
  };
  Kind kind = Kind::None;
  std::filesystem::path journal;       // where the journal was found
  std::filesystem::path setAsidePath;  // SetAside: its new name
  std::string reason;                  // SetAside, Ignored: why it was not applied
};

// What the undo record beside a database says, and whether undo would apply it.
struct UndoInspection {
  bool exists = false;
  std::string note;                    // the note the transaction kept (empty when unreadable)
  std::optional<std::string> refusal;  // why undo would refuse; nothing: it applies to the file as it is
};

}  // namespace jet
