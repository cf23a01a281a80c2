#pragma once
// What the merge benchmarks share: the generated sample databases, kept between runs, and a user
// interface that shows nothing and answers Yes.

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/user_interface.h"
#include "samples/sample_databases.h"

namespace qbm::bench {

// The folder of the sample databases of this many new drivers (seed 1), written on first use;
// under $QBM_BENCH_CACHE when set, so that runs share them.
inline std::filesystem::path samples(int drivers, jet::Format format = jet::Format::Jet4) {
  const char* cache = std::getenv("QBM_BENCH_CACHE");
  const std::filesystem::path dir =
      std::filesystem::path(cache ? cache : std::filesystem::temp_directory_path().string()) /
      ("qbm-bench-samples-" + std::string(format == jet::Format::Jet3 ? "jet3-" : "") + std::to_string(drivers));
  if (!std::filesystem::exists(dir / samples::NewSampleFile)) {
    std::filesystem::remove_all(dir);
    samples::writeSampleDatabases(dir, {.drivers = drivers, .seed = 1, .format = format});
  }
  return dir;
}

// Chooses the queued files in turn, answers Yes, shows nothing; any message is a failure.
class QuietUserInterface : public UserInterface {
 public:
  std::deque<std::string> files;
  std::optional<std::string> chooseFile(const FileDialogSettings&) override {
    if (files.empty()) return std::nullopt;
    std::string f = files.front();
    files.pop_front();
    return f;
  }
  void showMessage(const std::string& text, MessageIcon) override {
    throw std::runtime_error("unexpected message: " + text);
  }
  bool askYesNo(const std::string&) override { return true; }
  void showProgress(const std::string&) override {}
  void updateProgress(long, long) override {}
  void hideProgress() override {}
  void setBusy(bool) override {}
};

}  // namespace qbm::bench
