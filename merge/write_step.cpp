#include "merge/write_step.h"

namespace qbm {

bool IsStepFailure(const jet::Error& error) {
  switch (error.code()) {
    case jet::ErrorCode::ValueRejected:
    case jet::ErrorCode::DuplicateKey:
    case jet::ErrorCode::MissingColumn:
    case jet::ErrorCode::MissingIndex:
    case jet::ErrorCode::NoCurrentRow:
    case jet::ErrorCode::Unsupported:
      return true;
    default:
      return false;
  }
}

}  // namespace qbm
