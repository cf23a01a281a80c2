// The desktop program's tests run on Qt's offscreen platform: no display is needed and no window
// appears. One application object serves every test.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says that it cannot raise a window each time the program raises one.
void quietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("does not support raise()")) return;
  if (previousHandler)
    previousHandler(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  previousHandler = qInstallMessageHandler(quietRaise);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
