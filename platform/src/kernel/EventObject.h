#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/src/kernel/KernelObject.h"

namespace omwin {

// An event: manual reset stays signalled until reset; auto reset lets one wait through and
// clears itself. The mutex orders everything written before SetEvent before what the woken
// waiter reads.
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
  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manualReset_;
  bool signalled_;
};

}  // namespace omwin
