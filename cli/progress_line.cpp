#include "cli/progress_line.h"

#include <cstdio>
#ifndef _WIN32
#include <sys/ioctl.h>
#endif

#include "cli/terminal.h"

namespace qbm::cli {
namespace {

constexpr std::chrono::milliseconds kRepaintInterval{50};

// The terminal's width in columns; 80 when it does not say.
std::size_t terminalColumns() {
#ifndef _WIN32
  winsize size{};
  if (ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
  return 80;
}

// The text cut to at most `columns` characters (UTF-8 sequences kept whole), so that the line
// never wraps and a carriage return goes back to its start.
std::string fitted(const std::string& text, std::size_t columns) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (characters++ == columns) return text.substr(0, i);
  }
  return text;
}

void write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

ProgressLine::ProgressLine() {
  enabled_ = stderrIsTerminal();
}

void ProgressLine::show(const std::string& caption) {
  if (!enabled_) return;
  caption_ = TerminalLine(caption);
  if (!shown_) {
    done_ = total_ = 0;
    paint();
  } else if (std::chrono::steady_clock::now() - painted_ >= kRepaintInterval) {
    paint();  // work that names each step (a merge, driver by driver) repaints no faster than counts
  }
}

void ProgressLine::update(long done, long total) {
  if (!enabled_) return;
  done_ = done;
  total_ = total;
  if (std::chrono::steady_clock::now() - painted_ >= kRepaintInterval) paint();
}

void ProgressLine::clear() {
  if (!shown_) return;
  write("\r\x1b[K");
  shown_ = false;
}

void ProgressLine::paint() {
  std::string line = caption_;
  if (done_ > 0 || total_ > 0) line += "  " + std::to_string(done_) + (total_ > 0 ? " of " + std::to_string(total_) : "");
  write("\r" + fitted(line, terminalColumns() - 1) + "\x1b[K");
  shown_ = true;
  painted_ = std::chrono::steady_clock::now();
}

}  // namespace qbm::cli
