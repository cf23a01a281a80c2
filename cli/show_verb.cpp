// show: the report of one driver as the report box holds it, as text or (--json) as its lines.

#include <iostream>

#include "cli/cli_session.h"
#include "cli/json_output.h"
#include "cli/terminal.h"
#include "cli/verbs.h"
#include "report/display_units.h"

namespace qbm::cli {
namespace {

struct ShowRequest {
  std::vector<std::string> files;
  std::optional<DriverArgument> driver;
  bool oldSide = false;
  bool english = false;
  bool json = false;
};

// Nothing for a usage error (after saying why).
std::optional<ShowRequest> parseShow(const Args& args) {
  ShowRequest request;
  int sides = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--english") {
      request.english = true;
    } else if (arg == "--json") {
      request.json = true;
    } else if (arg == "--new" || arg == "--old") {
      ++sides;
      request.oldSide = arg == "--old";
      if (i + 1 == args.size() || !(request.driver = parseDriverArgument(args[++i]))) {
        std::cerr << "qbmerge-cli: " << arg << " needs a driver as <id>ob or <id>sb, e.g. 12ob\n";
        return std::nullopt;
      }
    } else if (arg.starts_with("--")) {
      return std::nullopt;
    } else {
      request.files.push_back(arg);
    }
  }
  if (sides != 1) return std::nullopt;
  if (request.files.size() != (request.oldSide ? 2u : 1u)) return std::nullopt;
  return request;
}

// The report text with the platform's line ends, ending in one; bold runs marked on a terminal.
// Control characters in the text (a model or a note may hold any) are escaped (TerminalText).
void printReport(const ReportBox& box) {
  const bool markBold = stdoutIsTerminal();
  std::string text;
  for (const ReportRun& run : box.runs()) {
    if (run.bold && markBold) text += "\x1b[1m";
    text += TerminalText(run.text);
    if (run.bold && markBold) text += "\x1b[0m";
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  std::cout << text;
}

}  // namespace

int show(const Args& args) {
  const std::optional<ShowRequest> request = parseShow(args);
  if (!request) return usage();
  CliSession cli;
  Session& session = cli.session();
  if (request->english) session.UnitsOpt_Click(EnglishUnitsOption);
  if (!cli.openNew(request->files[0], false)) return 1;
  if (request->oldSide && !cli.openOld(request->files[1], true)) return 1;

  MainWindowState& state = session.state();
  DriverList& list = request->oldSide ? state.FromList : state.ToList;
  const std::string& file = request->files[request->oldSide ? 1 : 0];
  const DriverArgument driver = *request->driver;
  if (!clickDriver(list, driver)) {
    std::cerr << "qbmerge-cli: " << TerminalLine(file) << ": no driver " << driver.id
              << (driver.marker == EntryMarker::Tweeter ? "sb" : "ob")
              << " is listed. \"qbmerge-cli list\"" << (request->oldSide ? " with --all" : "")
              << " shows the drivers and their ids.\n";
    return 1;
  }
  if (request->oldSide)
    session.FromList_Click();
  else
    session.ToList_Click();
  if (cli.printMessages(file)) return 1;
  const ReportBox& report = request->oldSide ? state.FromRText : state.ToRText;
  if (request->json)
    std::cout << ReportJson(report) << '\n';
  else
    printReport(report);
  return 0;  // whether the output got there is told by the caller (OutputStatus)
}

}  // namespace qbm::cli
