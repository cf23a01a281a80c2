// The merge in the window against the same merge without one. Both merge the previous-format
// sample (all drivers listed) into a fresh copy of the new sample and answer Yes to the overwrite
// question; the window's merge runs behind the real main window and progress window on Qt's
// offscreen platform, with every caption and bar step it paints. Timed: the merge alone (the
// click of "Merge >"), wall clock.
//
//   build-bench/bench/window_merge_bench --benchmark_repetitions=3
// BM_MergeInWindow's third argument: 1 opens the question's details before answering.
//
// BM_PhasesWithoutWindow and BM_PhasesInWindow time each step a person takes, as counters of
// seconds (wall, and processor time of the whole process): opening the new database with its
// list, opening the old one with "Show ALL Drivers", and the merge. With $QBM_BENCH_NEW and
// $QBM_BENCH_OLD both set they use those two files (the new one copied for each run, so never
// written) instead of generated samples, under the name BM_Phases...Window/given:
//
//   export QBM_BENCH_NEW=big/qbaudio.mdb QBM_BENCH_OLD=big/xqbaudio.mdb
//   build-bench/bench/window_merge_bench --benchmark_filter=/given

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/qt/main_window.h"
#include "common/user_interface.h"
#include "bench/bench_support.h"
#include "samples/sample_databases.h"
#include "session/session.h"

namespace {

namespace fs = std::filesystem;
using qbm::bench::QuietUserInterface;
using qbm::bench::samples;


// Fresh copies of the new and the old sample database in a folder of their own.
struct Copies {
  fs::path dir = fs::temp_directory_path() / ("qbm-window-bench-" + std::to_string(::getpid()));
  Copies(int newDrivers, int oldDrivers)
      : Copies(samples(newDrivers) / qbm::samples::NewSampleFile,
               samples(oldDrivers) / qbm::samples::PreviousSampleFile) {}
  Copies(const fs::path& newSource, const fs::path& oldSource) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(newSource, dir / "qbaudio.mdb");
    fs::copy_file(oldSource, dir / "xqbaudio.mdb");
  }
  ~Copies() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string newFile() const { return (dir / "qbaudio.mdb").string(); }
  std::string oldFile() const { return (dir / "xqbaudio.mdb").string(); }
};


// The merge as the command line runs it: the session with a user interface that shows nothing.
void BM_MergeWithoutWindow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Copies> files;
    files.emplace(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QuietUserInterface ui;
    std::optional<qbm::Session> session;
    session.emplace(ui);
    ui.files = {files->newFile(), files->oldFile()};
    session->ToOpen_Click();
    session->state().FromOpt = qbm::ShowAllDriversOption;
    session->FromOpen_Click();
    state.counters["old drivers"] = static_cast<double>(session->state().FromList.count());
    state.ResumeTiming();
    session->MMerge_Click();
    state.PauseTiming();
    session.reset();
    files.reset();
    state.ResumeTiming();
  }
}

// The same merge behind the window: a click of "Merge >", the question answered Yes as soon as it
// is up; with a third argument of 1, after opening its details ("Show Details...", which works
// out the drivers that would write over new ones).
void BM_MergeInWindow(benchmark::State& state) {
  const bool openDetails = state.range(2) != 0;
  QTimer answerer;
  answerer.setInterval(5);
  QObject::connect(&answerer, &QTimer::timeout, [openDetails] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      const bool question = box->standardButtons().testFlag(QMessageBox::Yes);
      if (question && openDetails)
        for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
          if (box->buttonRole(button) == QMessageBox::ActionRole) button->click();
      box->button(question ? QMessageBox::Yes : QMessageBox::Ok)->click();
    }
  });
  answerer.start();
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Copies> files;
    files.emplace(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::optional<qbm::MainWindow> window;
    window.emplace(qbm::MainWindowOptions{24, {}});
    window->show();
    window->session().state().FromOpt = qbm::ShowAllDriversOption;
    window->openAtStart(QString::fromStdString(files->newFile()), QString::fromStdString(files->oldFile()));
    QApplication::processEvents();
    state.counters["old drivers"] = static_cast<double>(window->session().state().FromList.count());
    auto* merge = window->findChild<QAbstractButton*>("MMerge");
    if (!merge || !merge->isVisible()) throw std::runtime_error("nothing to merge");
    state.ResumeTiming();
    merge->click();
    state.PauseTiming();
    window.reset();
    files.reset();
    state.ResumeTiming();
  }
}

// The files of $QBM_BENCH_NEW and $QBM_BENCH_OLD, when both are set; a negative number of new
// drivers in a benchmark's arguments stands for them.
std::optional<std::pair<fs::path, fs::path>> givenFiles() {
  const char* newFile = std::getenv("QBM_BENCH_NEW");
  const char* oldFile = std::getenv("QBM_BENCH_OLD");
  if (!newFile || !oldFile || !*newFile || !*oldFile) return std::nullopt;
  return std::pair<fs::path, fs::path>{newFile, oldFile};
}

void makeCopies(std::optional<Copies>& files, const benchmark::State& state) {
  if (state.range(0) >= 0) {
    files.emplace(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    return;
  }
  const auto given = givenFiles();
  if (!given) throw std::runtime_error("QBM_BENCH_NEW and QBM_BENCH_OLD are not set");
  files.emplace(given->first, given->second);
}

// Wall and processor time (every thread of the process: the merge reads ahead on a thread of its
// own) of one step, as counters "<name> s" and "<name> cpu s".
class PhaseClock {
 public:
  explicit PhaseClock(benchmark::State& state) : state_(state) {}
  template <class Step>
  void time(const std::string& name, Step step) {
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = processSeconds();
    step();
    state_.counters[name + " s"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    state_.counters[name + " cpu s"] = processSeconds() - cpu;
  }

 private:
  static double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
  benchmark::State& state_;
};

// The command line's steps: the session with a user interface that shows nothing.
void BM_PhasesWithoutWindow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Copies> files;
    makeCopies(files, state);
    QuietUserInterface ui;
    std::optional<qbm::Session> session;
    session.emplace(ui);
    ui.files = {files->newFile(), files->oldFile()};
    state.ResumeTiming();
    PhaseClock clock(state);
    clock.time("1 open new", [&] { session->ToOpen_Click(); });
    session->state().FromOpt = qbm::ShowAllDriversOption;
    clock.time("2 open old", [&] { session->FromOpen_Click(); });
    state.counters["new drivers"] = static_cast<double>(session->state().ToList.count());
    state.counters["old drivers"] = static_cast<double>(session->state().FromList.count());
    clock.time("3 merge", [&] { session->MMerge_Click(); });
    state.PauseTiming();
    state.counters["new drivers after"] = static_cast<double>(session->state().ToList.count());
    session.reset();
    files.reset();
    state.ResumeTiming();
  }
}

// The same steps as a person takes them in the window: "Open New Database" (the file chosen
// at once), "Show ALL Drivers", "Open Old Database", "Merge >" and Yes. Each step's time runs
// until the window has painted what it shows after it.
void BM_PhasesInWindow(benchmark::State& state) {
  QTimer answerer;
  answerer.setInterval(5);
  QObject::connect(&answerer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      box->button(box->standardButtons().testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
  });
  answerer.start();
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<Copies> files;
    makeCopies(files, state);
    std::optional<qbm::MainWindow> window;
    window.emplace(qbm::MainWindowOptions{24, {}});
    window->show();
    QApplication::processEvents();
    const auto button = [&](const char* name) {
      auto* b = window->findChild<QAbstractButton*>(name);
      if (!b || !b->isVisible()) throw std::runtime_error(std::string("no button ") + name);
      return b;
    };
    state.ResumeTiming();
    PhaseClock clock(state);
    clock.time("1 open new", [&] {
      window->userInterface().queueChosenFile(QString::fromStdString(files->newFile()));
      button("ToOpen")->click();
      QApplication::processEvents();
    });
    button("FromOpt1")->click();
    clock.time("2 open old", [&] {
      window->userInterface().queueChosenFile(QString::fromStdString(files->oldFile()));
      button("FromOpen")->click();
      QApplication::processEvents();
    });
    state.counters["new drivers"] = static_cast<double>(window->session().state().ToList.count());
    state.counters["old drivers"] = static_cast<double>(window->session().state().FromList.count());
    clock.time("3 merge", [&] {
      button("MMerge")->click();
      QApplication::processEvents();
    });
    state.PauseTiming();
    state.counters["new drivers after"] = static_cast<double>(window->session().state().ToList.count());
    window.reset();
    files.reset();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_MergeWithoutWindow)->Args({2000, 3420})->Args({20000, 34200})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MergeInWindow)
    ->Args({2000, 3420, 0})
    ->Args({20000, 34200, 0})
    ->Args({2000, 3420, 1})
    ->Args({20000, 34200, 1})
    ->Args({100000, 100000, 0})
    ->Args({100000, 100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_PhasesWithoutWindow)->Args({20000, 34200})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PhasesInWindow)->Args({20000, 34200})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (givenFiles()) {
    for (auto* phases : {benchmark::RegisterBenchmark("BM_PhasesWithoutWindow/given", BM_PhasesWithoutWindow),
                         benchmark::RegisterBenchmark("BM_PhasesInWindow/given", BM_PhasesInWindow)})
      phases->Args({-1, -1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
