#include "app/qt/startup_options.h"

#include "app/qt/qt_text.h"

namespace qbm {

StartupOptions ParseStartupOptions(const QStringList& arguments) {
  std::vector<std::string> utf8;
  for (const QString& a : arguments) utf8.push_back(a.toStdString());
  const StartupArguments parsed = ParseStartupArguments(utf8);
  return {qtText(parsed.newDatabase), qtText(parsed.oldDatabase), qtText(parsed.screenshotFile),
          qtText(parsed.responseScreenshotFile), parsed.merge, qtText(parsed.error)};
}

}  // namespace qbm
