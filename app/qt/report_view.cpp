#include "app/qt/report_view.h"

#include <QTextCharFormat>
#include <QTextCursor>

#include "app/qt/qt_text.h"
#include "app/qt/window_fonts.h"
#include "app/view/dialog_text.h"

namespace qbm {

QString ReportText(const std::string& text) { return qtText(WithLineBreaks(text, "\n")); }

ReportView::ReportView(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setUndoRedoEnabled(false);
}

void ReportView::showReport(const ReportBox& box) {
  if (box.runs() == shown_) return;
  shown_ = box.runs();
  clear();
  QTextCursor cursor(document());
  for (const ReportRun& run : shown_) {
    QTextCharFormat format;
    format.setFont(WindowFont(run.fontName, run.fontSize, run.bold), QTextCharFormat::FontPropertiesAll);
    cursor.insertText(ReportText(run.text), format);
  }
  moveCursor(QTextCursor::Start);
}

}  // namespace qbm
