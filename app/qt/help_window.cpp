#include "app/qt/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>
#include <QVariant>

#include "app/view/keyboard_rules.h"

namespace qbm {

int ContextHelpTopic(const QWidget* control) {
  return HelpTopicOf(control ? control->property("helpContext").toInt() : 0);
}

QString DefaultHelpFolder() {
  const QDir programFolder(QCoreApplication::applicationDirPath());
  const QString beside = programFolder.filePath("help");
  if (QFileInfo(beside).isDir()) return beside;
  const QString installed = programFolder.filePath("../share/qbmerge/help");
  if (QFileInfo(installed).isDir()) return QDir::cleanPath(installed);
  return beside;
}

HelpWindow::HelpWindow(QString folder, QWidget* owner) : QTextBrowser(owner), folder_(std::move(folder)) {
  setObjectName("HelpWindow");
  setWindowFlags(Qt::Window);
  setWindowTitle("QB Merge Help");
  setOpenExternalLinks(true);
  setSearchPaths({folder_});
  resize(560, 620);
}

QString HelpWindow::pageOf(int topic) const {
  return QDir(folder_).filePath(QString("topic%1.html").arg(topic));
}

void HelpWindow::showTopic(int topic) {
  topic_ = topic;
  const QString page = pageOf(topic);
  if (QFileInfo::exists(page)) {
    setSource(QUrl::fromLocalFile(page));
    if (!documentTitle().isEmpty()) setWindowTitle(documentTitle());
  } else {
    setHtml(QString("<h2>QB Merge Help</h2><p>The help page for topic %1 was not found. It is looked "
                    "for as <code>%2</code>; reinstall the program to get its help pages back.</p>")
                .arg(topic)
                .arg(QDir::toNativeSeparators(page).toHtmlEscaped()));
  }
  show();
  raise();
  activateWindow();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (EscapeCloses(event->key() == Qt::Key_Escape, event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                                         Qt::AltModifier))) {
    close();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

}  // namespace qbm
