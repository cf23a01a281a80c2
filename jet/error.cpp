#include "jet/error.h"

namespace jet {

const char* toString(ErrorCode code) noexcept {
  switch (code) {
    case ErrorCode::NotAccessFile: return "not an Access database";
    case ErrorCode::Damaged: return "damaged";
    case ErrorCode::Locked: return "locked";
    case ErrorCode::Io: return "input/output error";
    case ErrorCode::MissingTable: return "missing table";
    case ErrorCode::MissingColumn: return "missing column";
    case ErrorCode::MissingIndex: return "missing index";
    case ErrorCode::NoCurrentRow: return "no current row";
    case ErrorCode::InvalidState: return "invalid state";
    case ErrorCode::ValueRejected: return "value rejected";
    case ErrorCode::DuplicateKey: return "duplicate key";
    case ErrorCode::Unsupported: return "unsupported";
    case ErrorCode::ReadOnly: return "read-only";
    case ErrorCode::JournalKept: return "journal kept";
    case ErrorCode::Replaced: return "file replaced";
    case ErrorCode::NothingToUndo: return "nothing to undo";
    case ErrorCode::UndoRefused: return "undo refused";
  }
  return "unknown error";
}

void throwDamaged(const std::string& what) { throw Error(ErrorCode::Damaged, what); }

}  // namespace jet
