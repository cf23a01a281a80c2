// The merge in the window against the same merge without one. Both merge the previous-format
// sample (all drivers listed) into a fresh copy of the new sample and answer Yes to the overwrite
// question; the window's merge runs behind the real main window and progress window on Qt's
// offscreen platform, with every caption and bar step it paints. Timed: the merge alone (the
// click of "Merge >"), wall clock.
//
//   build-bench/bench/window_merge_bench --benchmark_repetitions=3
// BM_MergeInWindow's third argument: 1 opens the question's details before answering.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

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
  Copies(int newDrivers, int oldDrivers) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(samples(newDrivers) / qbm::samples::NewSampleFile, dir / "qbaudio.mdb");
    fs::copy_file(samples(oldDrivers) / qbm::samples::PreviousSampleFile, dir / "xqbaudio.mdb");
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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
