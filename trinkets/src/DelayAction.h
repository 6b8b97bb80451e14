#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "framework/OMTask.h"
#include "trinkets/src/Action.h"

// Waits a fixed time, measured on the passes of the main loop: it finishes on the first pass
// after the time has run out. Pausing keeps the time that is left.
class DelayAction : public Action {
 public:
  DelayAction(int delay, int interruptible);
  // A copy of the action as made, idle.
  DelayAction(const DelayAction& other);
  ~DelayAction() override;

  // Arguments: delay in ms, interruptible; no action when both are empty.
  static std::unique_ptr<Action> create(int interruptible);

  void halt() override;
  void pause() override;
  void resume() override;
  void start() override;

  int delay() const { return delay_; }
  std::int64_t remaining() const { return remaining_; }

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<DelayAction>(*this); }
  // The time to wait from a start; RandomDelayAction draws it.
  virtual std::int64_t timeToWait() const { return delay_; }

 private:
  OMWord tick();
  void dropTask();

  DWORD startTime_ = 0;
  int delay_;
  std::int64_t remaining_ = 0;
  std::unique_ptr<OMTask> task_;
};
