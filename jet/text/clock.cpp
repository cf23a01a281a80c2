#include "jet/text/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace jet {

DateTime toDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  using namespace std::chrono;
  const sys_days epoch = std::chrono::year{1899} / December / 30;
  const sys_days date = std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day};
  double days = static_cast<double>((date - epoch).count());
  return DateTime{days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0};
}

DateTime localNow() {
  // std::localtime shares one buffer per process; the lock keeps two threads of the engine apart.
  static std::mutex lock;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  {
    std::lock_guard<std::mutex> guard(lock);
    if (const std::tm* t = std::localtime(&now)) local = *t;
  }
  return toDateTime(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace jet
