// qbmerge: the desktop program. Starts with the busy pointer, shows the main window, and opens the
// databases named on the command line, if any. A merge stopped by SIGINT, SIGTERM or SIGHUP is
// rolled back and the program ends with 128 + the signal's number.

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/qt/main_window.h"
#include "app/qt/startup_options.h"
#include "app/qt/window_picture.h"
#include "common/standard_descriptors.h"
#include "common/stop_signals.h"

int main(int argc, char* argv[]) {
  qbm::ReopenClosedStandardDescriptors();  // before any file is opened
  // Answered before Qt starts, so that it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("qbmerge %s\n", QBM_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  qbm::InstallStopSignalHandlers();
  QApplication app(argc, argv);
  QApplication::setApplicationName("QB Merge");
  QApplication::setApplicationVersion(QBM_VERSION);
  QApplication::setDesktopFileName("qbmerge");
  QIcon icon;
  for (const char* size : {"16x16", "32x32", "48x48", "256x256"})
    icon.addFile(QString(":/icons/%1/apps/qbmerge.png").arg(size));
  QApplication::setWindowIcon(icon);
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  const qbm::StartupOptions options = qbm::ParseStartupOptions(arguments);
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "qbmerge: %s\n%s\n", qPrintable(options.error), qbm::StartupUsage);
    return 2;
  }

  QApplication::setOverrideCursor(Qt::WaitCursor);
  qbm::MainWindow window;
  window.show();
  QApplication::restoreOverrideCursor();

  int status = 0;
  QTimer::singleShot(0, &window, [&] {
    window.openAtStart(options.newDatabase, options.oldDatabase);
    if (options.screenshotFile.isEmpty() && options.responseScreenshotFile.isEmpty()) return;
    if (options.merge) qbm::MergeForPicture(window);
    QString error;
    if (!options.screenshotFile.isEmpty() && !qbm::SaveWindowPicture(window, options.screenshotFile, &error))
      status = 1;
    if (status == 0 && !options.responseScreenshotFile.isEmpty() &&
        !qbm::SaveResponsePicture(window, options.responseScreenshotFile, &error))
      status = 1;
    if (status != 0) std::fprintf(stderr, "qbmerge: %s\n", qPrintable(error));
    window.close();
  });
  const int exitCode = QApplication::exec();
  if (window.stoppedBy() != 0) return 128 + window.stoppedBy();
  return status != 0 ? status : exitCode;
}
