#pragma once
// The file system's last-modified date and time of a file, as the user's local time. The one place
// below the user interface that asks the platform for a file's time.

#include <ctime>
#include <filesystem>
#include <optional>

namespace qbm {

// Nothing when the file cannot be examined.
std::optional<std::tm> fileModifiedLocalTime(const std::filesystem::path& path);

}  // namespace qbm
