#include "app/qt/qt_user_interface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "app/qt/file_dialog_filter.h"
#include "app/view/dialog_text.h"
#include "app/view/main_window_controls.h"
#include "app/view/paint_pacer.h"
#include "app/qt/progress_window.h"
#include "app/qt/qt_text.h"
#include "common/stop_signals.h"

namespace qbm {
namespace {

QString applicationTitle() {
  return QString::fromUtf8(controls::ApplicationTitle.data(), controls::ApplicationTitle.size());
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

// The normal pointer over a message box, even in the middle of a busy operation.
class NormalPointer {
 public:
  NormalPointer() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~NormalPointer() { QApplication::restoreOverrideCursor(); }
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;
};

// A message box wraps lines longer than about 500 pixels, which splits the messages' own lines
// (and leaves a word alone on a line of its own); and a label wider than the box allows on the
// screen is cut off. So the box is made as wide as its longest line up to MessageLineLimit: shorter
// lines stay one line each, longer ones are wrapped at words by the box, and a word too wide by
// itself (a long path) is broken first, so that every word is seen.
void keepLinesWhole(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>("qt_msgbox_label");
  if (!label) return;
  const QFontMetrics metrics(label->font());
  const QScreen* screen = box.screen();
  const int limit = MessageLineLimit(screen ? screen->availableGeometry().width() : 1024,
                                     screen ? screen->logicalDotsPerInchX() : 96);
  const std::string text = box.text().toStdString();
  const std::string broken = BreakLongWords(text, limit, [&metrics](std::string_view piece) {
    return metrics.horizontalAdvance(QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())));
  });
  if (broken != text) box.setText(QString::fromStdString(broken));
  int widest = 0;
  for (const QString& line : box.text().split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
  label->setMinimumWidth(std::min(widest + 1, limit));
}

}  // namespace

QString MessageBoxText(const std::string& text) { return qtText(WithLineBreaks(text, "\n")); }

QtUserInterface::QtUserInterface(QWidget* owner, int colorBits)
    : owner_(owner), progress_(new ProgressWindow(owner, colorBits)) {}

QtUserInterface::~QtUserInterface() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void QtUserInterface::queueChosenFile(QString path) { queuedFiles_.push_back(std::move(path)); }

std::optional<std::string> QtUserInterface::chooseFile(const FileDialogSettings& settings) {
  if (!queuedFiles_.empty()) {
    const QString path = queuedFiles_.front();
    queuedFiles_.pop_front();
    return QDir::toNativeSeparators(path).toStdString();
  }
  QFileDialog dialog(owner_, qtText(settings.title));
  dialog.setObjectName("CmDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);  // the file and its folder must exist
  const QStringList filters = NameFiltersOf(settings.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
  }
  if (const std::string folder = folders_.startFolder(settings.title); !folder.empty())
    dialog.setDirectory(QString::fromStdString(folder));
  // A pattern ("*.mdb") stands in the name box as typed; accepted, the dialog takes it as a filter.
  if (!settings.initialName.empty()) dialog.selectFile(qtText(settings.initialName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  const std::string path = QDir::toNativeSeparators(chosen.first()).toStdString();
  folders_.chosen(settings.title, path);
  return path;
}

void QtUserInterface::showMessage(const std::string& text, MessageIcon icon) {
  if (PendingStopSignal() != 0) {
    // The program is ending on a signal: nobody may be there to click OK.
    std::fprintf(stderr, "qbmerge: %s\n", qPrintable(MessageBoxText(text)));
    return;
  }
  NormalPointer pointer;
  QMessageBox box(boxIcon(icon), applicationTitle(), MessageBoxText(text), QMessageBox::Ok, owner_);
  keepLinesWhole(box);
  box.exec();
}

bool QtUserInterface::askYesNo(const std::string& text) {
  if (!queuedAnswers_.empty()) {
    const bool yes = queuedAnswers_.front();
    queuedAnswers_.pop_front();
    return yes;
  }
  NormalPointer pointer;
  QMessageBox box(QMessageBox::Question, applicationTitle(), MessageBoxText(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  keepLinesWhole(box);
  return box.exec() == QMessageBox::Yes;
}

bool QtUserInterface::askYesNoWithDetails(const std::string& text,
                                          const std::function<std::string()>& details) {
  if (!queuedAnswers_.empty()) return askYesNo(text);
  NormalPointer pointer;
  QMessageBox box(QMessageBox::Question, applicationTitle(), MessageBoxText(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  // Working the details out reads the old drivers again, so it waits for the first click of
  // "Show Details..." (the box's one action button); until then a placeholder makes it offer them.
  box.setDetailedText(QStringLiteral(" "));
  for (QAbstractButton* button : box.findChildren<QAbstractButton*>()) {
    if (box.buttonRole(button) != QMessageBox::ActionRole) continue;
    QObject::connect(button, &QAbstractButton::clicked, &box, [&box, &details, done = false]() mutable {
      if (done) return;
      done = true;
      QApplication::setOverrideCursor(Qt::WaitCursor);
      QString shown;
      try {
        shown = MessageBoxText(details());
      } catch (const std::exception& e) {
        shown = QStringLiteral("The details could not be worked out: ") + QString::fromUtf8(e.what());
      }
      QApplication::restoreOverrideCursor();
      box.setDetailedText(shown);
    });
  }
  keepLinesWhole(box);
  return box.exec() == QMessageBox::Yes;
}

void QtUserInterface::showProgress(const std::string& caption) {
  stopWhenSignalled();
  progress_->start(qtText(caption));
  keepPainted(true);
}

void QtUserInterface::showProgressStep(const std::string& caption) {
  stopWhenSignalled();
  // Painted with the bar, at most PaintPacer::Interval apart: painting each driver's caption cost more
  // than the merge's own work. The last caption is always the one on screen.
  const bool paintNow = !progress_->isVisible();
  progress_->start(qtText(caption), paintNow);
  keepPainted(paintNow);
}

void QtUserInterface::updateProgress(long done, long total) {
  stopWhenSignalled();
  progress_->setProgress(done, total);
  keepPainted(false);
}

void QtUserInterface::stopWhenSignalled() {
  const int signal = PendingStopSignal();
  if (signal == 0 || stopped_) return;
  stopped_ = true;
  throw std::runtime_error(std::string("interrupted by ") + StopSignalName(signal));
}

void QtUserInterface::hideProgress() {
  if (!progress_->isVisible()) return;
  // Where the window system gave the progress window the focus after all, it goes back.
  const bool hadFocus = QApplication::activeWindow() == progress_;
  progress_->finish();
  if (hadFocus && owner_->isVisible()) owner_->activateWindow();
  keepPainted(true);
}

void QtUserInterface::setBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtUserInterface::keepPainted(bool now) {
  if (!pacer_.due(now)) return;
  if (progress_->isVisible()) progress_->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace qbm
