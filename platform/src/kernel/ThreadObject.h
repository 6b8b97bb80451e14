#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/src/kernel/KernelObject.h"

namespace omwin {

// A thread behind a handle: signalled once the thread function has returned. The running
// thread shares the state, so closing the handle early is safe.
class ThreadObject : public KernelObject {
 public:
  struct State {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    DWORD exitCode = STILL_ACTIVE;
  };

  ThreadObject() : state_(std::make_shared<State>()) {}
  DWORD waitFor(DWORD milliseconds) override;
  DWORD exitCode() const;
  const std::shared_ptr<State>& state() const { return state_; }

 private:
  std::shared_ptr<State> state_;
};

}  // namespace omwin
