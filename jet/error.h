#pragma once
// Errors of the Access file engine. Every failure is a jet::Error carrying a code that callers can
// act on (e.g. the open-a-database routine maps NotAccessFile/Damaged/Locked to one message and
// MissingTable to another), plus a message for people that names the file, table or column.

#include <stdexcept>
#include <string>

namespace jet {

enum class ErrorCode {
  NotAccessFile,    // the file is not a Jet 3 / Jet 4 database at all
  Damaged,          // it looks like one, but a structure in it is inconsistent or out of bounds
  Locked,           // another open (this process or another) holds the file
  Io,               // the operating system refused a read, write, flush or rename
  MissingTable,     // no table of that name
  MissingColumn,    // no column of that name in the table
  MissingIndex,     // no index of that name on the table
  NoCurrentRow,     // a field read, edit or delete without a current row (eof/bof, or after a failed seek)
  InvalidState,     // an operation out of order: update without addNew/edit, commit without begin, ...
  ValueRejected,    // a value that its column cannot hold (too long, out of range, wrong type)
  DuplicateKey,     // a write that would break a unique index
  Unsupported,      // a valid file feature the engine does not handle
  ReadOnly,         // a write to a database opened read-only
  JournalKept,      // a journal beside the file can neither be applied nor shown not to belong (it
                    // cannot be read, is damaged, or is not to be trusted): it is left where it is
                    // and the file is not opened
  Replaced,         // the file's name came to refer to another file while it was being changed; the
                    // change was undone
  NothingToUndo,    // no undo record is kept beside the file
  UndoRefused,      // the undo record does not apply (the file changed since, or the record is
                    // damaged or not to be trusted); nothing was changed
};

class Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ErrorCode code() const noexcept { return code_; }

 private:
  ErrorCode code_;
};

// Short English name of a code ("damaged", "locked", ...) for messages and the command line.
const char* toString(ErrorCode code) noexcept;

// Throws Error(Damaged) with the given message.
[[noreturn]] void throwDamaged(const std::string& what);

}  // namespace jet
