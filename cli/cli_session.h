#pragma once
// Driving the session from the command line: open the new and the old database through the same
// commands the window's buttons run, report what went wrong on stderr with the file it concerns and
// what to do, and find a driver's entry in a list.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_user_interface.h"
#include "db/list_entry.h"
#include "session/session.h"

namespace qbm::cli {

// A driver named on the command line as <id>(ob|sb): "12ob", "12sb", or "12(ob)".
struct DriverArgument {
  std::int32_t id = 0;
  EntryMarker marker = EntryMarker::Other;
};
std::optional<DriverArgument> parseDriverArgument(const std::string& text);

class CliSession {
 public:
  CliSession() : session_(ui_) {}

  Session& session() { return session_; }
  CliUserInterface& ui() { return ui_; }
  const MainWindowState& state() const { return session_.state(); }

  // "Open New Database" on path: to be written (a merge), or, for the verbs that only read it,
  // read-only, so that neither the file nor a journal beside it changes. False (after printing the
  // reason) when the file is missing, is refused or cannot be read; warnings are printed and do
  // not fail.
  bool openNew(const std::string& path, bool toWrite);
  // "Open Old Database" on path, listing all drivers or only the changed ones.
  bool openOld(const std::string& path, bool allDrivers);

  // Prints the messages the session showed since the last call, each prefixed with the file and
  // followed by `reason` when it reported a failure (critical icon), or else by a hint of what to
  // do; returns true when one of them reported a failure.
  bool printMessages(const std::string& path, const std::string& reason = "");

 private:
  bool open(const std::string& path, bool newSide, bool allDrivers, bool toWrite);

  CliUserInterface ui_;
  Session session_;
};

// Why the path cannot be a database file at all (it is missing, a folder, a named pipe, a
// device...), as a sentence for the command line; nothing when it is a regular file.
std::optional<std::string> NotAFileReason(const std::string& path);

// What to do about a journal the engine kept beside the file (jet::ErrorCode::JournalKept), as a
// sentence that names the command to run.
std::string KeptJournalAdvice(const std::string& file);

// The list as "<item data>\t<text>" lines in list order, then its tooltip ("Driver count = N");
// control characters in the text are escaped (TerminalLine).
void printList(const DriverList& list);

// Selects and focuses the entry of the driver (a plain click); its index, or nothing when the list
// has no such entry.
std::optional<std::size_t> clickDriver(DriverList& list, const DriverArgument& driver);

}  // namespace qbm::cli
