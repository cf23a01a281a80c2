#pragma once
// Whether standard output is a terminal (where bold text may be marked), and whether standard
// input is one (where a person can answer a question).

namespace qbm::cli {

bool stdoutIsTerminal();
bool stdinIsTerminal();

}  // namespace qbm::cli
