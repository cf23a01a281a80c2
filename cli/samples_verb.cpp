// samples: writes the three sample driver databases (new, previous-format, legacy) into a folder.

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/progress_line.h"
#include "cli/terminal.h"
#include "cli/verbs.h"
#include "jet/path_text.h"
#include "samples/sample_databases.h"

namespace qbm::cli {

namespace {

template <class Number>
std::optional<Number> parseNumber(const std::string& text) {
  Number value{};
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end || text.empty()) return std::nullopt;
  return value;
}

int badArgument(const std::string& message) {
  std::cerr << "qbmerge-cli samples: " << TerminalLine(message) << "\n";
  return usage();
}

void printSummary(const std::vector<samples::SampleFileSummary>& files) {
  for (const samples::SampleFileSummary& file : files) {
    std::cout << TerminalLine(jet::utf8Of(file.path)) << ":";
    for (std::size_t i = 0; i < file.tables.size(); ++i)
      std::cout << (i ? ", " : " ") << file.tables[i].table << " " << file.tables[i].rows;
    std::cout << "\n";
  }
}

}  // namespace

int samples(const Args& args) {
  std::optional<std::string> dir;
  samples::SampleOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--companies") {
      if (i + 1 == args.size()) return badArgument(arg + " needs a number");
      const std::string& value = args[++i];
      std::optional<int> n = parseNumber<int>(value);
      if (!n || *n < 0 || *n > samples::MaxSampleCompanies)
        return badArgument("--companies takes a whole number from 0 to " +
                           std::to_string(samples::MaxSampleCompanies) + ", not \"" + value + "\"");
      options.companies = *n;
    } else if (arg == "--drivers" || arg == "--seed") {
      if (i + 1 == args.size()) return badArgument(arg + " needs a number");
      const std::string& value = args[++i];
      if (arg == "--drivers") {
        std::optional<int> n = parseNumber<int>(value);
        if (!n || *n < 0 || *n > samples::MaxSampleDrivers)
          return badArgument("--drivers takes a whole number from 0 to " + std::to_string(samples::MaxSampleDrivers) +
                             ", not \"" + value + "\"");
        options.drivers = *n;
      } else {
        std::optional<std::uint64_t> seed = parseNumber<std::uint64_t>(value);
        if (!seed) return badArgument("--seed takes a whole number from 0 up, not \"" + value + "\"");
        options.seed = *seed;
      }
    } else if (arg == "--format") {
      if (i + 1 == args.size()) return badArgument("--format needs jet3 or jet4");
      const std::string& value = args[++i];
      if (value == "jet3")
        options.format = jet::Format::Jet3;
      else if (value == "jet4")
        options.format = jet::Format::Jet4;
      else
        return badArgument("--format takes jet3 (Access 97) or jet4 (Access 2000), not \"" + value + "\"");
    } else if (arg.starts_with("--") || dir) {
      return badArgument("unexpected argument \"" + arg + "\"");
    } else {
      dir = arg;
    }
  }
  if (!dir) return badArgument("name the folder to write the databases into");

  const auto started = std::chrono::steady_clock::now();
  std::vector<samples::SampleFileSummary> files;
  {
    ProgressLine progress;  // on a terminal's stderr: the file being written and its rows so far
    std::filesystem::path writing;
    if (progress.enabled())
      options.progress = [&](const std::filesystem::path& file, std::int64_t rows) {
        if (file != writing) progress.show("Writing " + jet::utf8Of(writing = file));
        progress.update(static_cast<long>(rows), 0);
      };
    files = samples::writeSampleDatabases(jet::pathFromUtf8(*dir), options);
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  printSummary(files);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", took.count());
  std::cout << "Sample databases for " << options.drivers << " drivers, seed " << options.seed << ", "
            << (options.format == jet::Format::Jet3 ? "Access 97 (Jet 3)" : "Access 2000 (Jet 4)") << ", written in "
            << seconds << " s\n";
  return std::cout ? 0 : 1;
}

}  // namespace qbm::cli
