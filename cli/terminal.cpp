#include "cli/terminal.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

#include "common/stop_signals.h"
#include "common/text_chars.h"

namespace qbm::cli {

namespace {

const char kHex[] = "0123456789ABCDEF";

#ifdef _WIN32
// A console, where _isatty would also take the null device (NUL) and other character devices.
bool isConsole(DWORD standardHandle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}
#endif

}  // namespace

namespace {

// Characters that change how the text around them shows: the bidirectional marks, embeddings,
// overrides and isolates, and the line and paragraph separators.
bool reordersText(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         c == 0x2028 || c == 0x2029;
}

void appendHex(std::string& out, std::uint32_t value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
}

// keepNewline: "\n" passes as a line break.
std::string escaped(std::string_view text, bool keepNewline) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
    const char32_t c = CharacterAt(text, i, length);
    if (c == '\n' && keepNewline) {
      out += '\n';
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && length == 1)) {  // C0, DEL, a byte of no character
      out += "\\x";
      appendHex(out, c, 2);
    } else if ((c >= 0x80 && c <= 0x9F) || reordersText(c)) {
      out += "\\u";
      appendHex(out, c, 4);
    } else {
      out.append(text.substr(i, length));
    }
  }
  return out;
}

}  // namespace

std::string TerminalLine(std::string_view text) { return escaped(text, false); }

std::string TerminalText(std::string_view text) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    out += TerminalLine(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return out;
    out += '\n';
    start = end + 2;
  }
}

std::string TerminalOutput(std::string_view text) { return escaped(text, true); }

bool TerminalOutputBuffer::pass(std::string_view text) {
  const std::string shown = TerminalOutput(text);
  if (to_.sputn(shown.data(), static_cast<std::streamsize>(shown.size())) != static_cast<std::streamsize>(shown.size()))
    failed_ = true;
  return !failed_;
}

std::streamsize TerminalOutputBuffer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  // A line end never falls inside a character: everything up to the last one is whole.
  const std::size_t end = pending_.rfind('\n');
  if (end != std::string::npos) {
    pass(std::string_view(pending_).substr(0, end + 1));
    pending_.erase(0, end + 1);
  }
  return failed_ ? 0 : n;
}

TerminalOutputBuffer::int_type TerminalOutputBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

int TerminalOutputBuffer::sync() {
  if (!pending_.empty()) {
    pass(pending_);
    pending_.clear();
  }
  return !failed_ && to_.pubsync() == 0 ? 0 : -1;
}

int OutputStatus(int status, std::string_view done) {
  static bool told = false;
  // The system's reason is known when this last flush is what failed; a write that failed earlier,
  // when a buffer filled, left no reason that is still sure to be its own.
  errno = 0;
  const bool flushed = static_cast<bool>(std::cout.flush()) && std::fflush(stdout) == 0;
  const int error = flushed ? 0 : errno;
  if (std::cout && !std::ferror(stdout)) return status;
  if (!told) {
    told = true;
    std::cerr << "qbmerge-cli: the output could not be written ("
              << (error != 0 ? std::strerror(error) : "standard output is full, or a closed pipe") << ")"
              << (done.empty() ? "" : "; ") << done << ".\n";
  }
  return status != 0 ? status : 1;
}

bool stdoutIsTerminal() {
#ifdef _WIN32
  return isConsole(STD_OUTPUT_HANDLE);
#else
  return isatty(fileno(stdout)) != 0;
#endif
}

bool stdinIsTerminal() {
#ifdef _WIN32
  return isConsole(STD_INPUT_HANDLE);
#else
  return isatty(fileno(stdin)) != 0;
#endif
}

bool stderrIsTerminal() {
#ifdef _WIN32
  return isConsole(STD_ERROR_HANDLE);
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

std::optional<std::string> ReadLineUnlessStopped() {
#ifdef _WIN32
  std::string line;
  if (PendingStopSignal() != 0 || !std::getline(std::cin, line)) return std::nullopt;
  return line;
#else
  // Byte by byte from the descriptor: nothing is kept in a buffer that the wait could not see.
  std::string line;
  for (;;) {
    if (PendingStopSignal() != 0) return std::nullopt;
    pollfd input{0, POLLIN, 0};
    const int ready = ::poll(&input, 1, 100);
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    char c;
    const ssize_t n = ::read(0, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    if (c == '\n') return line;
    line += c;
  }
#endif
}

}  // namespace qbm::cli
