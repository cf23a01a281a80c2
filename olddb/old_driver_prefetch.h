#pragma once
// The old drivers a pass of the merge reads, one after another, loaded on a thread of their own a
// few drivers ahead of the pass, so that reading the old database overlaps the work on the new one.
// Each load is LoadOldDriver's, into a record of its own, in the order asked; what a load throws
// reaches the pass when it takes that driver, never earlier.
//
// While a prefetch exists, the old database (the Old side of the DatabaseState and the OldDriverRows
// given) belongs to its thread: the caller must not read it. The new side is not touched.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "db/database_state.h"
#include "db/working_driver.h"
#include "olddb/old_driver_rows.h"

namespace qbm {

class OldDriverPrefetch {
 public:
  struct Load {
    DriverTable table = DriverTable::Woofers;
    std::int32_t id = 0;
  };

  // Starts loading loads[0], loads[1], … at most `ahead` drivers before the one taken last.
  OldDriverPrefetch(std::vector<Load> loads, OldDriverRows& rows, DatabaseState& state,
                    std::size_t ahead = 64);
  // Stops the thread (a load under way is finished and thrown away) and waits for it.
  ~OldDriverPrefetch();
  OldDriverPrefetch(const OldDriverPrefetch&) = delete;
  OldDriverPrefetch& operator=(const OldDriverPrefetch&) = delete;

  // The next load, taken in the order given: true with the driver moved into `driver`; false when
  // LoadOldDriver found no such row (the record untouched); what the load threw, rethrown here.
  // Taking more than were given is a programming error.
  bool next(WorkingDriver& driver);

 private:
  struct Slot {
    std::optional<WorkingDriver> driver;
    std::exception_ptr error;
  };
  void run();

  std::vector<Load> loads_;
  OldDriverRows& rows_;
  DatabaseState& state_;
  std::vector<Slot> ring_;  // load i waits in ring_[i % ring_.size()]
  std::mutex lock_;
  std::condition_variable ready_, room_;
  std::size_t loaded_ = 0;  // loads finished by the thread (guarded by lock_)
  std::size_t taken_ = 0;   // loads taken by the caller (guarded by lock_)
  bool stop_ = false;       // guarded by lock_
  bool loaderWaits_ = false;  // the thread sleeps on room_ (guarded by lock_)
  bool takerWaits_ = false;   // the caller sleeps on ready_ (guarded by lock_)
  std::thread thread_;      // last: started once everything above exists
};

}  // namespace qbm
