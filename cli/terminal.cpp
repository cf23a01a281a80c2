#include "cli/terminal.h"

#include <cstdio>
#ifdef _WIN32
#include <iostream>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>

#include <poll.h>
#include <unistd.h>
#endif

#include "common/stop_signals.h"

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

std::string TerminalLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      const auto code = static_cast<unsigned char>(text[++i]);  // U+0080..U+009F in UTF-8
      out += "\\u00";
      out += kHex[code >> 4];
      out += kHex[code & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

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
