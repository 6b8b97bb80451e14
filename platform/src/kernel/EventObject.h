#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/src/kernel/KernelObject.h"

namespace omwin {

// An event: manual reset stays signalled until reset; auto reset lets one wait through and
// clears itself. The flag is released by SetEvent and acquired by the wait that sees it, so
// everything written before SetEvent is visible to the waiter. A waiter spins for a moment
// before it blocks, and never yields in between.
class EventObject : public KernelObject {
 public:
  EventObject(bool manualReset, bool initialState)
      : manualReset_(manualReset), signalled_(initialState)
  {
  }
  DWORD waitFor(DWORD milliseconds) override;
  void set();
  void reset();

 private:
  bool tryTake();

  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manualReset_;
  std::atomic<bool> signalled_;
  int sleepers_ = 0;  // guarded by mutex_
};

}  // namespace omwin
