#include "common/file_time.h"

#include <chrono>

namespace qbm {

std::optional<std::tm> fileModifiedLocalTime(const std::filesystem::path& path) {
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  const auto system = std::chrono::file_clock::to_sys(written);
  const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &seconds) != 0) return std::nullopt;
#else
  if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
#endif
  return local;
}

}  // namespace qbm
