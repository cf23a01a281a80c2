#include "app/qt/progress_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "app/qt/progress_bar.h"
#include "app/qt/qt_geometry.h"
#include "app/view/progress_layout.h"
#include "app/view/twips.h"
#include "app/qt/window_fonts.h"
#include "app/view/main_window_controls.h"

namespace qbm {
namespace {

constexpr int MaxShowWaitMs = 500;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner, int colorBits)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("winProgress");
  setWindowTitle(QString::fromUtf8(controls::ApplicationTitle.data(), controls::ApplicationTitle.size()));
  setAttribute(Qt::WA_ShowWithoutActivating);
  const QScreen* screen = owner ? owner->screen() : nullptr;
  const TwipScale scale = screen ? TwipScale(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY())
                                 : TwipScale(96, 96);
  setFixedSize(qtSize(scale.size(progress::WidthTwips, progress::HeightTwips)));

  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, qtColour(progress::BackgroundFor(colorBits)));
  palette.setColor(QPalette::WindowText, Qt::black);
  setPalette(palette);
  setAutoFillBackground(true);
  setFont(WindowFont(controls::WindowFontName, controls::WindowFontPoints, false));

  text_ = new QLabel(this);
  text_->setObjectName("ProgText");
  text_->setGeometry(qtRect(scale.rect(progress::ProgTextPlace)));
  bar_ = new ProgressBar(this);
  bar_->setGeometry(qtRect(scale.rect(progress::ProgBarPlace)));
}

void ProgressWindow::start(const QString& caption, bool paintNow) {
  if (!isVisible()) {
    paintNow = true;
    bar_->reset();
    centreOnScreen();
    show();
    raise();
    waitUntilShown();
  }
  text_->setText(caption);
  if (paintNow) repaint();
}

void ProgressWindow::waitUntilShown() {
  // A window system maps a new window some time after show(); painted before that, the window
  // appears unpainted (black) until the work that follows lets events through again, which a short
  // scan never does. So the events are let through until the window is on screen, at most a
  // moment, and the caller then paints it in full.
  QElapsedTimer waited;
  waited.start();
  const QWindow* window = windowHandle();
  while (window && !window->isExposed() && waited.elapsed() < MaxShowWaitMs)
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

bool ProgressWindow::setProgress(long done, long total) {
  if (!bar_->setProgress(done, total)) return false;
  if (isVisible()) bar_->update();  // painted with the next paint of the window, at most ~30 a second
  return true;
}

void ProgressWindow::finish() { hide(); }

QString ProgressWindow::caption() const { return text_->text(); }

void ProgressWindow::centreOnScreen() {
  const QWidget* owner = parentWidget();
  const QScreen* screen = owner ? owner->screen() : this->screen();
  if (!screen) return;
  QRect frame = rect();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    f1_.isPlainRelease(*event);  // remembers whether a modifier was held
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProgressWindow::keyReleaseEvent(QKeyEvent* event) {
  if (f1_.isPlainRelease(*event)) {
    emit helpRequested();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void ProgressWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // The raised edge of a dialog frame, inside the window since it has no frame of its own.
  QPainter painter(this);
  const QRect r = rect().adjusted(0, 0, -1, -1);
  painter.setPen(QColor(255, 255, 255));
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(QColor(64, 64, 64));
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace qbm
