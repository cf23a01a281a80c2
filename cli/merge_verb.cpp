// merge: strike the omitted drivers of the old list, merge the rest into the new database as
// "Merge >" does, then print what the merge did and every problem it met; with --list also the old
// list before the merge and the new list after it, as "list" prints them.

#include <iostream>

#include "cli/cli_session.h"
#include "cli/json_output.h"
#include "cli/terminal.h"
#include "cli/verbs.h"
#include "common/stop_signals.h"
#include "merge/merge_summary.h"

namespace qbm::cli {
namespace {

struct MergeRequest {
  std::vector<std::string> files;
  std::vector<DriverArgument> omitted;
  std::vector<std::string> omittedText;
  std::optional<bool> overwrite;
  bool all = false;
  bool dryRun = false;
  bool list = false;
  bool json = false;
};

// Nothing for a usage error (after saying why).
std::optional<MergeRequest> parseMerge(const Args& args) {
  MergeRequest request;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--all") {
      request.all = true;
    } else if (arg == "--dry-run") {
      request.dryRun = true;
    } else if (arg == "--list") {
      request.list = true;
    } else if (arg == "--json") {
      request.json = true;
    } else if (arg == "--omit") {
      std::optional<DriverArgument> driver;
      if (i + 1 < args.size()) driver = parseDriverArgument(args[i + 1]);
      if (!driver) {
        std::cerr << "qbmerge-cli: --omit needs an old driver as <id>ob or <id>sb, e.g. 12ob\n";
        return std::nullopt;
      }
      request.omitted.push_back(*driver);
      request.omittedText.push_back(args[++i]);
    } else if (arg == "--overwrite") {
      const std::string value = i + 1 < args.size() ? args[++i] : "";
      if (value != "yes" && value != "no") {
        std::cerr << "qbmerge-cli: --overwrite needs yes or no\n";
        return std::nullopt;
      }
      request.overwrite = value == "yes";
    } else if (arg.starts_with("--")) {
      std::cerr << "qbmerge-cli: merge has no option " << TerminalLine(arg) << "\n";
      return std::nullopt;
    } else {
      request.files.push_back(arg);
    }
  }
  if (request.files.size() != 2) {
    std::cerr << "qbmerge-cli: merge needs NEW.mdb and OLD.mdb\n";
    return std::nullopt;
  }
  return request;
}

// Selects every omitted driver in the old list and strikes them ("Omit Driver"). False, after
// saying which, when one of them is not listed.
bool omitDrivers(CliSession& cli, const MergeRequest& request) {
  if (request.omitted.empty()) return true;
  DriverList& list = cli.session().state().FromList;
  for (std::size_t k = 0; k < request.omitted.size(); ++k) {
    const std::optional<std::size_t> at = list.find(request.omitted[k].id, request.omitted[k].marker);
    if (!at) {
      std::cerr << "qbmerge-cli: " << TerminalLine(request.files[1]) << ": the old list has no driver "
                << TerminalLine(request.omittedText[k]) << " to omit; nothing was merged. List the old drivers "
                << "with \"qbmerge-cli list NEW.mdb OLD.mdb" << (request.all ? " --all" : "")
                << "\".\n";
      return false;
    }
    list.setSelected(*at, true);
  }
  cli.session().FromOmit_Click();
  return true;
}

// As text, the new list after it with --list; or as one JSON document, with --list the old list
// as it was before the merge (oldListJson) and the new list as "oldList" and "newList".
void printSummary(const MergeOutcome& outcome, const MergeRequest& request, const std::string& oldListJson,
                  const DriverList& newList) {
  const MergeSummary& summary = outcome.summary;
  if (request.json) {
    std::string json = MergeJson(summary, request.dryRun);
    json.pop_back();  // the closing brace
    json += ",\n\"plan\": " + PlanJson(outcome.planned);
    if (request.list) json += ",\n\"oldList\": " + oldListJson + ",\n\"newList\": " + ListJson(newList);
    json += "}";
    std::cout << json << '\n';
    return;
  }
  const bool dryRun = request.dryRun;
  std::cout << (dryRun ? "Dry run, nothing written; the merge would have done this:\n"
                       : "Merged:\n")
            << MergeSummaryText(summary) << '\n';
  for (const WriteProblems* problems : {&summary.readProblems, &summary.problems})
    for (const WriteProblem& p : problems->all())
      std::cout << "  " << TerminalLine(p.driver) << ": " << TerminalLine(p.what) << '\n';
  if (dryRun) std::cout << "The plan:\n" << TerminalText(MergePlanText(outcome.planned));
  if (request.list) printList(newList);
}

}  // namespace

int merge(const Args& args) {
  const std::optional<MergeRequest> request = parseMerge(args);
  if (!request) return usage();
  CliSession cli;
  if (!cli.openNew(request->files[0], true)) return 1;
  if (!cli.openOld(request->files[1], request->all)) return 1;
  std::string oldListJson;
  if (request->list && request->json)
    oldListJson = ListJson(cli.state().FromList);
  else if (request->list)
    printList(cli.state().FromList);
  if (!omitDrivers(cli, *request)) return 1;

  cli.ui().answer = request->overwrite;
  cli.ui().answerHint = "give --overwrite yes or --overwrite no";
  // From here on a stop signal only stops the merge at its next step, which rolls it back. One that
  // comes once the merge is saved changes nothing: the merge stands, and so does its status.
  DeferStopSignals deferred;
  const MergeOutcome outcome = cli.session().MMerge_Click({.dryRun = request->dryRun, .reportProblems = false});
  const bool failed = cli.printMessages(request->files[0]);
  const bool merged = outcome.status == MergeOutcome::Status::Merged;
  if (const int signal = PendingStopSignal(); signal != 0 && !merged) return SignalExitStatus(signal);
  if (outcome.status == MergeOutcome::Status::Failed || outcome.status == MergeOutcome::Status::Refused ||
      outcome.status == MergeOutcome::Status::NewDatabaseClosed || failed)
    return 1;
  printSummary(outcome, *request, oldListJson, cli.state().ToList);
  const bool saved = merged && !request->dryRun;
  const int status = OutputStatus(0, saved ? "the merge itself was saved" : "");
  if (const int signal = PendingStopSignal())
    std::cerr << "qbmerge-cli: " << StopSignalName(signal) << " came while the merge was being saved; it was "
              << (saved ? "saved" : "rolled back") << " in full.\n";
  return status;
}

}  // namespace qbm::cli
