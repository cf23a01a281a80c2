#pragma once
// How a database is opened, and which Jet version a new one is: the plain settings the engine's
// inner layers keep with an open database (database.h is the handle that takes them).

#include <cstdint>

namespace jet {

// Which Jet version a file is: Jet 3 (Access 97, 2048-byte pages, one-byte text) or Jet 4 (Access
// 2000-2003, 4096-byte pages, UCS-2 text). The one name for it in the engine and its callers.
enum class Format : std::uint8_t { Jet3, Jet4 };

struct OpenOptions {
  bool exclusive = true;   // lock the file against every other open; writing needs it
  bool readOnly = false;   // no writes; the file is never changed (no journal is made either). A
                           // journal left by an interrupted transaction is then not rolled back
                           // in the file: the database is read as the rollback would leave it.
                           // Neither the file nor the journal is touched.
};

}  // namespace jet
