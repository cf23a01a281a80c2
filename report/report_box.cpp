#include "report/report_box.h"

#include "report/report_style.h"

namespace qbm {

ReportBox::ReportBox() : fontName_(ReportFontName), fontSize_(ReportFontSize) {}

void ReportBox::clear() { runs_.clear(); }

void ReportBox::setFontName(std::string_view name) { fontName_ = name; }

void ReportBox::setFontSize(int size) { fontSize_ = size; }

void ReportBox::setBold(bool bold) { bold_ = bold; }

void ReportBox::append(std::string_view text) {
  if (text.empty()) return;
  if (!runs_.empty()) {
    ReportRun& last = runs_.back();
    if (last.fontName == fontName_ && last.fontSize == fontSize_ && last.bold == bold_) {
      last.text += text;
      return;
    }
  }
  runs_.push_back({std::string(text), fontName_, fontSize_, bold_});
}

bool ReportBox::isEmpty() const { return runs_.empty(); }

std::string ReportBox::plainText() const {
  std::string text;
  for (const ReportRun& run : runs_) text += run.text;
  return text;
}

void appendLineIfGiven(ReportBox& box, std::string_view caption, std::string_view text) {
  if (text.empty()) return;
  std::string line(caption);
  line += text;
  line += ReportLineEnd;
  box.append(line);
}

}  // namespace qbm
