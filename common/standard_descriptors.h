#pragma once
// The standard descriptors of a program that may have been started with some of them closed
// ("qbmerge-cli list NEW.mdb >&-"): whatever the program opens next would take the closed number,
// and its own output would then be written into that file, a database perhaps. Both programs call
// this first thing.

namespace qbm {

// Opens the null device onto standard input, output and error where they are closed, so that
// they stay taken. Does nothing where the platform has no such descriptors to inherit closed.
void ReopenClosedStandardDescriptors();

}  // namespace qbm
