#pragma once

#include "trinkets/src/DelayAction.h"

// Waits a random time from the minimum up to (not including) the maximum.
class RandomDelayAction : public DelayAction {
 public:
  RandomDelayAction(int minimum, int maximum, int interruptible);

  // Arguments: minimum, maximum (ms), interruptible; no action when the maximum and the flag
  // are both empty.
  static std::unique_ptr<Action> create(int interruptible);

  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }

 protected:
  std::unique_ptr<Action> copy() const override
  {
    return std::make_unique<RandomDelayAction>(*this);
  }
  std::int64_t timeToWait() const override;

 private:
  int maximum_;
  int minimum_;
};
