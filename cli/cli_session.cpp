#include "cli/cli_session.h"

#include <filesystem>
#include <iostream>

#include "cli/terminal.h"
#include "db/open_database_file.h"

namespace qbm::cli {
namespace {

// What the person can do about a failure to open, by the program's message.
std::string hintFor(const std::string& message) {
  if (message == CannotOpenDatabaseMessage) return "Give a database file whose name ends in .mdb.";
  if (message == DatabaseCannotBeOpenedMessage)
    return "Check that it is an Access database and that no other program has it open.";
  if (message == NotLegacyDriverDatabaseMessage)
    return "A file named spkrbase.mdb must hold the legacy table \"woofer data\".";
  if (message == NotDriverDatabaseMessage)
    return "Choose a driver database with the tables woofers, tweeters, companies, "
           "woofer-response and tweeter-response.";
  return "";
}

}  // namespace

std::optional<DriverArgument> parseDriverArgument(const std::string& text) {
  std::string digits = text;
  DriverArgument driver;
  for (const auto& [suffix, marker] : {std::pair{std::string("(ob)"), EntryMarker::Woofer},
                                       std::pair{std::string("(sb)"), EntryMarker::Tweeter},
                                       std::pair{std::string("ob"), EntryMarker::Woofer},
                                       std::pair{std::string("sb"), EntryMarker::Tweeter}}) {
    if (text.size() > suffix.size() && text.ends_with(suffix)) {
      digits = text.substr(0, text.size() - suffix.size());
      driver.marker = marker;
      break;
    }
  }
  if (driver.marker == EntryMarker::Other || digits.empty() || digits.size() > 10) return std::nullopt;
  long long id = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    id = id * 10 + (c - '0');
  }
  if (id > 2147483647LL) return std::nullopt;
  driver.id = static_cast<std::int32_t>(id);
  return driver;
}

bool CliSession::printMessages(const std::string& path, const std::string& reason) {
  bool failed = false;
  if (!ui_.messages.empty()) ui_.progress.clear();
  for (const auto& [text, icon] : ui_.messages) {
    const bool critical = icon == MessageIcon::Critical;
    std::cerr << "qbmerge-cli: " << TerminalLine(path) << ": " << TerminalText(text);
    // The precise reason, where there is one, says more than the general hint.
    const std::string hint = hintFor(text);
    if (critical && !reason.empty())
      std::cerr << " Reason: " << TerminalLine(reason) << ".";
    else if (!hint.empty())
      std::cerr << " " << hint;
    std::cerr << "\n";
    failed = failed || critical;
  }
  ui_.messages.clear();
  return failed;
}

std::optional<std::string> NotAFileReason(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(fs::path(std::u8string(path.begin(), path.end())), error);
  switch (status.type()) {
    case fs::file_type::regular: return std::nullopt;
    case fs::file_type::directory: return "it is a folder, not a database file";
    case fs::file_type::fifo: return "it is a named pipe (FIFO), not a database file";
    case fs::file_type::block:
    case fs::file_type::character: return "it is a device, not a database file";
    case fs::file_type::socket: return "it is a socket, not a database file";
    case fs::file_type::not_found: return "no such file";
    default: break;
  }
  if (error) return "it cannot be examined (" + error.message() + ")";
  return "it is not a regular file";
}

bool CliSession::open(const std::string& path, bool newSide, bool allDrivers, bool toWrite) {
  if (const std::optional<std::string> reason = NotAFileReason(path)) {
    std::cerr << "qbmerge-cli: " << TerminalLine(path) << ": " << *reason
              << ". Give the path of an existing .mdb file.\n";
    return false;
  }
  if (newSide) {
    session_.ToOpen(path, !toWrite);
  } else {
    session_.state().FromOpt = allDrivers ? ShowAllDriversOption : ShowChangedDriversOption;
    session_.FromOpen(path);
  }
  const DatabaseState& db = session_.state().databases;
  const bool failed = printMessages(path, db.openFailureCode == jet::ErrorCode::JournalKept
                                              ? db.openFailure + ". " + KeptJournalAdvice(path)
                                              : db.openFailure);
  return !failed && (newSide ? db.New.DbOpen : db.Old.DbOpen);
}

bool CliSession::openNew(const std::string& path, bool toWrite) { return open(path, true, false, toWrite); }

bool CliSession::openOld(const std::string& path, bool allDrivers) {
  return open(path, false, allDrivers, false);
}

std::string KeptJournalAdvice(const std::string& file) {
  return "\"qbmerge-cli recover " + file +
         "\" undoes the interrupted change once the journal can be read and trusted; until then, restore the "
         "file from a backup, or remove the journal if you know where it came from and that the file is whole";
}

void printList(const DriverList& list) {
  for (const DriverList::Entry& e : list.entries())
    std::cout << e.itemData << '\t' << TerminalLine(e.text) << '\n';
  std::cout << list.tooltip << '\n';
}

std::optional<std::size_t> clickDriver(DriverList& list, const DriverArgument& driver) {
  const std::optional<std::size_t> at = list.find(driver.id, driver.marker);
  if (at) list.clickOnly(*at);
  return at;
}

}  // namespace qbm::cli
