#pragma once
// Whether standard output is a terminal (where bold text may be marked).

namespace qbm::cli {

bool stdoutIsTerminal();

}  // namespace qbm::cli
