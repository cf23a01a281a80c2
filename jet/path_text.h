#pragma once
// Paths as text. The engine's callers carry paths as UTF-8 strings (a command line, a dialog, a
// message) on every system; std::filesystem converts a narrow string with the system's narrow
// encoding instead, which on Windows is an ANSI code page that cannot hold most names (and a
// name it cannot hold throws). These convert between a path and UTF-8 on Windows, and keep the
// bytes as they are elsewhere.

#include <filesystem>
#include <string>
#include <string_view>

namespace jet {

inline std::filesystem::path pathFromUtf8(std::string_view text) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
  return std::filesystem::path(text);
#endif
}

inline std::string utf8Of(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

}  // namespace jet
