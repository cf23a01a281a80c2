#pragma once
// Opening a side's database: close what the side has open, let the person choose a file, check its
// name, open it exclusively, decide what kind of old database it is, and open one cursor per table.
// Failures are reported to the person in three classes (the file is no database / not the legacy
// driver table / not the driver tables); the caller tests the side's DbOpen afterwards.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/user_interface.h"
#include "common/user_locale.h"
#include "db/database_state.h"

namespace qbm {

inline constexpr std::string_view CannotOpenDatabaseMessage = "Cannot open database.";
inline constexpr std::string_view DatabaseCannotBeOpenedMessage =
    "Sorry, the selected database file cannot be opened.";
inline constexpr std::string_view NotLegacyDriverDatabaseMessage =
    "Sorry, the selected database file is not a Tundrel 5.1 driver database.";
inline constexpr std::string_view NotDriverDatabaseMessage =
    "Sorry, the selected database file is not a Tundrel Pro or Partiva Pro driver database.";

// What the open found of an interrupted change's journal beside the file, for the person: one
// line naming the file, what was done and what it means; empty when there was no journal.
std::string JournalNoticeMessage(std::string_view fileName, const jet::JournalFinding& finding);

// The file dialog of the side: title, filter, initial name; flags 6144 (file and path must exist).
FileDialogSettings OpenDialogSettings(Side side);

// The file name of a chosen path: everything after its last "\" (on systems other than Windows
// also after its last "/"); the whole path when it has no separator.
std::string FileNameOfPath(std::string_view path);

// True when the last three characters of the path, upper-cased, are "MDB" (so "x.xmdb" passes and
// "x.md" does not).
bool HasDatabaseExtension(std::string_view path);

// The whole open of a side:
//  1. closes the side (CloseDatabaseSide), then shows the side's file dialog; cancel leaves the side
//     closed without a message;
//  2. an empty path or one not ending in MDB: CannotOpenDatabaseMessage;
//  3. opens the file exclusively (the old side, which is only read, read-only: its file and a
//     journal beside it are never changed); failure, or the file open on the other side (the same
//     file by identity, under whatever name): DatabaseCannotBeOpenedMessage, with the reason in
//     state.openFailure;
//  4. old side: a file named SPKRBASE.MDB in any case is a legacy database (DbKind::Legacy) and only
//     "woofer data" is opened, any other name is previous-format (DbKind::PreviousFormat); new side and
//     previous-format: "woofers", "tweeters", "companies", "woofer-response", "tweeter-response" in
//     that order. A table that cannot be opened: NotLegacyDriverDatabaseMessage for a legacy
//     database, NotDriverDatabaseMessage otherwise; everything opened is closed again;
//  5. on success moves the woofers and tweeters cursors to their first rows, sets the side's open
//     flag, its name label to the file name and the label's tooltip to the file's last-modified
//     date-time in the locale's general date format; when the open found a journal beside the
//     file (rolled back, pending, set aside or ignored), JournalNoticeMessage with the exclamation
//     icon.
// Failure messages carry the critical icon. The busy pointer is on while the database is touched and off
// while the dialog is shown.
void OpenDatabaseFile(Side side, UserInterface& ui, DatabaseState& state,
                      const UserLocale& locale);
void OpenDatabaseFile(Side side, UserInterface& ui, DatabaseState& state);

// The same open with the path given instead of chosen in the dialog (the command line): the side
// is closed, then steps 2 to 5 run on path. onlyRead: the new side too is opened read-only, as the
// old side always is, for a command that only reads it (neither the file nor a journal beside it
// is changed; a pending change is read through, as on the old side).
void OpenDatabasePath(Side side, const std::string& path, UserInterface& ui,
                      DatabaseState& state, const UserLocale& locale, bool onlyRead = false);

}  // namespace qbm
