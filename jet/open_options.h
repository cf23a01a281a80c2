#pragma once
// How a database is opened, and which Jet version a new one is: the plain settings the engine's
// inner layers keep with an open database (database.h is the handle that takes them).

namespace jet {

enum class Format { Jet3, Jet4 };

struct OpenOptions {
  bool exclusive = true;   // lock the file against every other open; writing needs it
  bool readOnly = false;   // no writes; the file is never changed (no journal is made either). A
                           // journal left by an interrupted transaction is then not rolled back
                           // in the file: the database is read as the rollback would leave it.
                           // Neither the file nor the journal is touched.
};

}  // namespace jet
