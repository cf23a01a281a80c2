#pragma once
// ReportBox: the text of a driver report as a rich-text box holds it, widget-free. The text is a
// sequence of runs, each with the font name, size and bold attribute that were in force when it was
// appended; line ends are part of the text ("\r\n"). The desktop program renders the runs into its
// rich-text widget, the command line prints plainText().

#include <string>
#include <string_view>
#include <vector>

namespace qbm {

// A stretch of text with one font.
struct ReportRun {
  std::string text;
  std::string fontName;
  int fontSize = 0;
  bool bold = false;
  friend bool operator==(const ReportRun&, const ReportRun&) = default;
};

class ReportBox {
 public:
  // An empty box; the font for following text is the box's default font (ReportFontName,
  // ReportFontSize, not bold).
  ReportBox();

  // Removes all text. The font for following text is left as it was, as a rich-text box keeps the
  // attributes of its insertion point.
  void clear();

  // The font attributes of text appended from now on.
  void setFontName(std::string_view name);
  void setFontSize(int size);
  void setBold(bool bold);

  // Appends text at the end in the current font. Appending "" changes nothing. Consecutive appends
  // in the same font extend one run.
  void append(std::string_view text);

  // True when the box holds no text at all.
  bool isEmpty() const;

  // The runs in order; no run is empty and neighbouring runs differ in font.
  const std::vector<ReportRun>& runs() const { return runs_; }

  // The whole text without font attributes.
  std::string plainText() const;

  // The font that following text gets.
  const std::string& fontName() const { return fontName_; }
  int fontSize() const { return fontSize_; }
  bool bold() const { return bold_; }

 private:
  std::vector<ReportRun> runs_;
  std::string fontName_;
  int fontSize_;
  bool bold_ = false;
};

// Appends caption, text and a line end in the current font when text is not empty (a field the
// record leaves blank gets no line).
void appendLineIfGiven(ReportBox& box, std::string_view caption, std::string_view text);

}  // namespace qbm
