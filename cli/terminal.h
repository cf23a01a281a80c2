#pragma once
// Whether standard output is a terminal (where bold text may be marked), and whether standard
// input is one (where a person can answer a question); and text from a database made safe to
// print: a name or model may hold any character, and an escape sequence or a line break in it
// must neither reach the terminal nor break the one-line-per-entry output.

#include <optional>
#include <string>
#include <string_view>

namespace qbm::cli {

// The text as one line: every control character (C0, DEL, and C1 U+0080-U+009F) shown as an
// escape, "\t", "\r", "\n", or "\x1B" and "\u009B" for the others. Other text, a backslash
// included, is left as it is.
std::string TerminalLine(std::string_view text);
// The same, except that the "\r\n" line ends of the program's reports and messages become line
// breaks.
std::string TerminalText(std::string_view text);

// On Windows a console (the null device is a character device too, but no terminal).
bool stdoutIsTerminal();
bool stdinIsTerminal();
bool stderrIsTerminal();

// The next line typed on standard input, without its line end; nothing at the end of input, or
// as soon as a stop signal is pending (common/stop_signals.h). The wait looks for the signal
// every tenth of a second, so one that comes just before it starts is not missed.
std::optional<std::string> ReadLineUnlessStopped();

}  // namespace qbm::cli
