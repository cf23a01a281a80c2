#pragma once
// The open databases of the two sides of the main window, their table cursors, and what the window
// shows of them. Owned by the session; opened by OpenDatabaseFile, closed by CloseDatabaseSide.
// Everything after opening reads the handles and flags left here.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jet/database.h"
#include "jet/table.h"

namespace qbm {

// The two halves of the main window.
enum class Side : std::int16_t {
  Old = 1,  // left half, the OLD database
  New = 2,  // right half, the NEW database
};

// Kinds of old database (OldDbKind), decided by the file name alone.
enum class DbKind : std::int16_t {
  None = 0,            // no old database chosen yet
  Legacy = 1,          // spkrbase.mdb: "woofer data" only
  PreviousFormat = 2,  // the five tables of the current layout
};

// A label that shows an open file's name, with its last-modified date-time as the tooltip.
struct NameLabel {
  std::string caption;
  std::string tooltip;
};

// One side's open database, its table cursors and its name label (OldDb, OldWoofers, ... OldDbOpen
// and FromName for the old side; NewDb, NewWoofers, ... and ToName for the new one).
struct DatabaseSide {
  std::optional<jet::Database> Db;
  // "woofers" (or "woofer data" for a legacy old database) and, for a previous-format or new
  // database, the other four tables.
  std::optional<jet::Table> Woofers, Tweeters, Companies, WooferResponse, TweeterResponse;
  bool DbOpen = false;  // the database and its tables are open
  NameLabel Name;
  // Empty the side's list and report box (FromList/FromRText or ToList/ToRText); set by the owner,
  // either may be left empty.
  std::function<void()> clearList, clearRText;
};

struct DatabaseState {
  DatabaseSide Old;
  DatabaseSide New;
  DbKind OldDbKind = DbKind::None;  // set when an old database is chosen; never reset

  // Why the last open of a side failed, in the engine's words (the file, and what is wrong with
  // it); empty after a successful open. The window shows only its fixed messages; the command
  // line adds this.
  std::string openFailure;
  // The engine's code for that failure, when the engine reported it.
  std::optional<jet::ErrorCode> openFailureCode;

  DatabaseSide& side(Side s) { return s == Side::Old ? Old : New; }
  const DatabaseSide& side(Side s) const { return s == Side::Old ? Old : New; }
};

// When the side is open: closes its tables and then its database (old side: the response tables,
// the tweeters and the companies when previous-format, then the woofers; new side: woofer-response,
// tweeter-response, woofers, tweeters, companies), ignoring errors; clears the open flag, empties
// the name label and its tooltip, the list and the report box. A closed side is left as it is.
void CloseDatabaseSide(Side side, DatabaseState& state);

// Closes every table of the side and its database, ignoring errors, and clears the open flag;
// labels, lists and reports are not touched. Used after a failed open.
void ReleaseDatabaseSide(Side side, DatabaseState& state);

}  // namespace qbm
