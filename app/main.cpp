// qbmerge: the desktop program. Starts with the busy pointer, shows the main window, and opens the
// databases named on the command line, if any.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/main_window.h"
#include "app/startup_options.h"
#include "app/window_picture.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("QB Merge");
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
    if (options.screenshotFile.isEmpty()) return;
    QString error;
    if (!qbm::SaveWindowPicture(window, options.screenshotFile, &error)) {
      std::fprintf(stderr, "qbmerge: %s\n", qPrintable(error));
      status = 1;
    }
    window.close();
  });
  const int exitCode = QApplication::exec();
  return status != 0 ? status : exitCode;
}
