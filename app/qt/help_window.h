#pragma once
// The help window: the program's own help pages (help/topic<N>.html beside the program) shown in a
// browser window at a topic. Every control of the program gives topic 1000.

#include <QString>
#include <QTextBrowser>

#include "app/view/help_topic.h"

namespace qbm {

// The help topic of a control: its "helpContext" property when positive, else the window's 1000.
// A null control (nothing has the focus) gives 1000.
int ContextHelpTopic(const QWidget* control);

// help/ in the program's folder; for an installed program (bin/qbmerge) share/qbmerge/help beside
// bin/ when help/ is not there.
QString DefaultHelpFolder();

class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  // folder: where the topic pages are.
  HelpWindow(QString folder, QWidget* owner);

  // Shows the window at the topic's page and brings it to the front. When the page is missing the
  // window says so and names the folder it was looked for in.
  void showTopic(int topic);

  // The page shown for a topic: folder/topic<N>.html.
  QString pageOf(int topic) const;
  int topic() const { return topic_; }

 protected:
  // Escape alone closes the window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString folder_;
  int topic_ = 0;
};

}  // namespace qbm
