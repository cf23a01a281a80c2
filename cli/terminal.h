#pragma once
// Whether standard output is a terminal (where bold text may be marked), and whether standard
// input is one (where a person can answer a question); text made safe to show on a terminal: a
// name, a model or a path may hold any character, and an escape sequence, a line break or a
// character that reorders the line must neither reach the terminal nor break the
// one-line-per-entry output; and whether what was written to standard output got there.

#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

namespace qbm::cli {

// The text as one line: every control character shown as an escape ("\t", "\r", "\n", "\x1B"
// for the other C0 controls and DEL, "\u009B" for C1), as is every character that changes the
// direction or the lines of the text around it (the bidirectional marks, embeddings, overrides and
// isolates, U+2028 and U+2029: "\u202E"); a byte that is not part of valid UTF-8 shows as "\x9B".
// Other text, a backslash included, is left as it is.
std::string TerminalLine(std::string_view text);
// The same, except that the "\r\n" line ends of the program's reports and messages become line
// breaks.
std::string TerminalText(std::string_view text);
// The same, except that "\n" stays a line break: for output made of lines (a dump) shown on a
// terminal. (The JSON documents need none of it: every character but printable ASCII is written
// as an escape there.)
std::string TerminalOutput(std::string_view text);

// A stream buffer that passes what is written on to another with TerminalOutput applied, line by
// line (a character is never cut in two); the rest of the last line goes on when it is flushed.
class TerminalOutputBuffer : public std::streambuf {
 public:
  explicit TerminalOutputBuffer(std::streambuf& to) : to_(to) {}
  ~TerminalOutputBuffer() override { sync(); }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool pass(std::string_view text);
  std::streambuf& to_;
  std::string pending_;  // written after the last line end
  bool failed_ = false;
};

// Flushes standard output and returns status, unless something written to it was lost (a full
// disk, a closed pipe: SIGPIPE is ignored, so that a closed pipe is a failed write like any
// other): then says so on stderr, adding `done` (what was done all the same, e.g. "the merge
// itself was saved") when given, and returns 1 (or status, when it is a failure already). Says it
// once, however often it is called.
int OutputStatus(int status, std::string_view done = "");

// On Windows a console (the null device is a character device too, but no terminal).
bool stdoutIsTerminal();
bool stdinIsTerminal();
bool stderrIsTerminal();

// The next line typed on standard input, without its line end; nothing at the end of input, or
// as soon as a stop signal is pending (common/stop_signals.h). The wait looks for the signal
// every tenth of a second, so one that comes just before it starts is not missed.
std::optional<std::string> ReadLineUnlessStopped();

}  // namespace qbm::cli
