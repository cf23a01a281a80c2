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

// Side codes.
inline constexpr std::int16_t OldSide = 1;  // left half, the OLD database
inline constexpr std::int16_t NewSide = 2;  // right half, the NEW database

// Kinds of old database (OldDbKind), decided by the file name alone.
inline constexpr std::int16_t LegacyDbKind = 1;          // spkrbase.mdb: "woofer data" only
inline constexpr std::int16_t PreviousFormatDbKind = 2;  // the five tables of the current layout

// A label that shows an open file's name, with its last-modified date-time as the tooltip.
struct NameLabel {
  std::string caption;
  std::string tooltip;
};

struct DatabaseState {
  std::optional<jet::Database> OldDb;
  std::optional<jet::Database> NewDb;

  // Old side: "woofers" (or "woofer data" when OldDbKind is LegacyDbKind) and, for a
  // previous-format database only, the other four tables.
  std::optional<jet::Table> OldWoofers, OldTweeters, OldCompanies, OldWooferResponse,
      OldTweeterResponse;
  std::optional<jet::Table> NewWoofers, NewTweeters, NewCompanies, NewWooferResponse,
      NewTweeterResponse;

  bool OldDbOpen = false;  // the old database and its tables are open
  bool NewDbOpen = false;
  std::int16_t OldDbKind = 0;  // set when an old database is chosen; never reset

  NameLabel FromName;  // old side
  NameLabel ToName;    // new side

  // Why the last open of a side failed, in the engine's words (the file, and what is wrong with
  // it); empty after a successful open. The window shows only its fixed messages; the command
  // line adds this.
  std::string openFailure;

  // Empty a side's list and report box (FromList, FromRText, ToList, ToRText); set by the owner,
  // any of them may be left empty.
  std::function<void()> clearFromList, clearFromRText, clearToList, clearToRText;
};

// When the side is open: closes its tables and then its database (old side: the response tables,
// the tweeters and the companies when previous-format, then the woofers; new side: woofer-response,
// tweeter-response, woofers, tweeters, companies), ignoring errors; clears the open flag, empties
// the name label and its tooltip, the list and the report box. A closed side is left as it is.
void CloseDatabaseSide(std::int16_t side, DatabaseState& state);

// Closes every table of the side and its database, ignoring errors, and clears the open flag;
// labels, lists and reports are not touched. Used after a failed open.
void ReleaseDatabaseSide(std::int16_t side, DatabaseState& state);

}  // namespace qbm
