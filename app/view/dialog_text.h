#pragma once
// Texts as the session gives them, read for a window: the open-file dialog's filter
// ("Description|pattern|Description|pattern", several patterns of one description separated by
// ";") as pairs, and line breaks of every kind made into the one a control wants.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qbm {

struct DialogFilter {
  std::string description;            // trimmed; may be empty
  std::vector<std::string> patterns;  // trimmed, none empty
};

// One filter per description and pattern pair, in order. Pairs without a pattern are dropped, and
// so is a last description without one.
std::vector<DialogFilter> ParseDialogFilter(std::string_view filter);

// The text with "\r\n", a lone "\r" and a lone "\n" each made into `lineBreak`.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);

// The widest a message box's line may be, in pixels, on a screen `screenWidth` pixels wide at `dpi`
// dots per inch: five inches, or three quarters of the screen where that is less. With the icon and
// margins beside it a box stays narrower than the room the toolkits give it, so no line is cut off.
int MessageLineLimit(int screenWidth, double dpi);

// The text with every word wider than `limit` by itself, as width() measures a piece of it, broken
// between characters (a long path), so that a box which wraps its lines at words at that width
// shows every word whole or in pieces, never cut off. Words are separated by spaces and line breaks;
// everything else is kept as it is.
std::string BreakLongWords(std::string_view text, int limit, const std::function<int(std::string_view)>& width);

// The folder part of a path ("/" or "\\" separate folders); a root keeps its separator ("/",
// "C:\\"); "" for a bare file name.
std::string FolderOf(std::string_view path);

// The folder each open-file dialog starts in: the one the file last chosen in it was in. Each
// side's dialog has its own title, so the new and the old database each remember their own
// folder; a dialog never used starts where the toolkit starts it.
class DialogFolders {
 public:
  // "" when nothing was chosen in this dialog yet.
  std::string startFolder(std::string_view dialogTitle) const;
  void chosen(std::string_view dialogTitle, std::string_view path);

 private:
  std::map<std::string, std::string, std::less<>> folders_;
};

}  // namespace qbm
