#include "olddb/old_driver_prefetch.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "olddb/load_old_driver.h"

namespace qbm {

OldDriverPrefetch::OldDriverPrefetch(std::vector<Load> loads, OldDriverRows& rows,
                                     DatabaseState& state, std::size_t ahead)
    : loads_(std::move(loads)), rows_(rows), state_(state), ring_(ahead == 0 ? 1 : ahead),
      thread_([this] { run(); }) {}

OldDriverPrefetch::~OldDriverPrefetch() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  room_.notify_all();
  thread_.join();
}

void OldDriverPrefetch::run() {
  for (std::size_t i = 0; i < loads_.size(); ++i) {
    {
      // When the ring is full, sleep until the caller has emptied half of it: a wake-up per
      // half ring rather than per driver.
      std::unique_lock<std::mutex> guard(lock_);
      if (i - taken_ == ring_.size()) {
        loaderWaits_ = true;
        room_.wait(guard, [&] { return stop_ || i - taken_ <= ring_.size() / 2; });
        loaderWaits_ = false;
      }
      if (stop_) return;
    }
    // The slot is the thread's alone until loaded_ passes it.
    Slot& slot = ring_[i % ring_.size()];
    try {
      WorkingDriver driver;
      if (LoadOldDriver(loads_[i].table, loads_[i].id, rows_, state_, driver)) slot.driver = std::move(driver);
    } catch (...) {
      slot.error = std::current_exception();
    }
    bool wake = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      loaded_ = i + 1;
      // A caller that waits is woken with a batch ready rather than for each driver: a wake-up
      // costs it about as much as taking a few drivers.
      wake = takerWaits_ && (loaded_ - taken_ >= std::max<std::size_t>(1, ring_.size() / 4) || loaded_ == loads_.size());
    }
    if (wake) ready_.notify_one();
  }
}

bool OldDriverPrefetch::next(WorkingDriver& driver) {
  std::unique_lock<std::mutex> guard(lock_);
  assert(taken_ < loads_.size());
  if (loaded_ == taken_) {
    takerWaits_ = true;
    ready_.wait(guard, [&] { return loaded_ > taken_; });
    takerWaits_ = false;
  }
  Slot& slot = ring_[taken_ % ring_.size()];
  guard.unlock();
  // The slot is the caller's alone until taken_ passes it.
  std::optional<WorkingDriver> loaded = std::move(slot.driver);
  const std::exception_ptr error = std::exchange(slot.error, nullptr);
  slot.driver.reset();
  guard.lock();
  ++taken_;
  const bool wake = loaderWaits_ && loaded_ - taken_ <= ring_.size() / 2;
  guard.unlock();
  if (wake) room_.notify_one();
  if (error) std::rethrow_exception(error);
  if (!loaded) return false;
  driver = std::move(*loaded);
  return true;
}

}  // namespace qbm
