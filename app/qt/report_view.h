#pragma once
// FromRText / ToRText on screen: a read-only rich-text box that shows a session ReportBox, run by
// run, each in its own font (family, size, bold).

#include <QTextEdit>
#include <vector>

#include "report/report_box.h"

namespace qbm {

class ReportView : public QTextEdit {
  Q_OBJECT
 public:
  explicit ReportView(QWidget* parent);

  // Shows the box's text; does nothing when it shows these runs already.
  void showReport(const ReportBox& box);

 private:
  std::vector<ReportRun> shown_;
};

// A run's text as the text box holds it: "\r\n" and lone "\r" become line breaks.
QString ReportText(const std::string& text);

}  // namespace qbm
