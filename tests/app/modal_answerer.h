#pragma once
// Answers the modal dialogs the program shows while a test drives it, as a person would: each
// message box is recorded (title, text, icon, buttons) and answered with the next queued button
// (OK, or No for a question, when nothing is queued); each file dialog is recorded and answered
// with the next queued path (cancelled when nothing is queued).

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace qbm::test {

struct SeenMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  int shownLines = 0;  // the lines the text takes in the box as laid out, wrapping included
  bool linesFit = false;  // the text, wrapped at words, fits its label, and the label fits the box
  QRect geometry;         // the box on the screen
  QString details;     // the detailed text, after a click of "Show Details..." when the box has it
};

// Opens a message box's details as a person would, with its "Show Details..." button (the box's
// action button), and gives the text they show; empty when the box has none.
inline QString OpenDetails(QMessageBox& box) {
  if (box.detailedText().isEmpty()) return {};
  for (QAbstractButton* button : box.findChildren<QAbstractButton*>())
    if (box.buttonRole(button) == QMessageBox::ActionRole) button->click();
  return box.detailedText();
}

// The lines a message box's text takes at the width its label was given.
inline int ShownLines(const QMessageBox& box) {
  const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
  if (!label) return 0;
  const QFontMetrics metrics(label->font());
  const QRect room(0, 0, label->contentsRect().width(), 100000);
  return metrics.boundingRect(room, Qt::TextWordWrap, label->text()).height() / metrics.lineSpacing();
}

// A message box's text, wrapped at words as its label wraps it, is no wider and no taller than the
// label, and the label lies inside the box: nothing of the text is cut off.
inline bool LinesFit(const QMessageBox& box) {
  const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
  if (!label) return false;
  const QFontMetrics metrics(label->font());
  const QRect room = label->contentsRect();
  const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, label->text());
  const QRect inBox(label->mapTo(&box, QPoint(0, 0)), label->size());
  return needed.width() <= room.width() && needed.height() <= room.height() && box.rect().contains(inBox);
}

struct SeenFileDialog {
  QString title;
  QStringList nameFilters;
  QString selectedNameFilter;
  QString fileName;  // the name in the dialog's name box when it opened
  QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
  QString directory;  // the folder it opened in
};

class ModalAnswerer {
 public:
  ModalAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }

  std::deque<QMessageBox::StandardButton> buttons;  // answers to message boxes
  std::deque<std::optional<QString>> files;         // answers to file dialogs (nothing: cancel)
  std::vector<SeenMessage> messages;
  std::vector<SeenFileDialog> fileDialogs;
  // Called when a file dialog is up, before it is answered: to look at the window behind it.
  std::function<void()> onFileDialog;

 private:
  void answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      const int lines = ShownLines(*box);  // before the details change the box's layout
      const bool fit = LinesFit(*box);
      const QRect place = box->geometry();
      messages.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), lines, fit, place,
                          OpenDetails(*box)});
      QMessageBox::StandardButton button =
          box->standardButtons().testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
      if (!buttons.empty()) {
        button = buttons.front();
        buttons.pop_front();
      }
      box->button(button)->click();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      const auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
      fileDialogs.push_back({dialog->windowTitle(), dialog->nameFilters(), dialog->selectedNameFilter(),
                             nameBox ? nameBox->text() : QString(), dialog->fileMode(),
                             dialog->directory().absolutePath()});
      if (onFileDialog) onFileDialog();
      std::optional<QString> file;
      if (!files.empty()) {
        file = files.front();
        files.pop_front();
      }
      if (!file) {
        dialog->reject();
        return;
      }
      dialog->setDirectory(QFileInfo(*file).absolutePath());
      dialog->selectFile(*file);
      static_cast<QDialog*>(dialog)->accept();  // checks the name as the dialog's Open button does
    }
  }

  QTimer timer_;
};

}  // namespace qbm::test
