#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace omwin {

// The threads the program starts, and whether each has work in flight. A worker rests while
// it is blocked on an event that is not set; it is busy from its start until it blocks, from
// the moment the event it waits for is set, and until it ends. A stepping clock waits for all
// workers to rest before it moves, so that a worker's job takes the same clock time, and the
// same passes of the main loop, on any machine under any load.
class WorkerThreads {
 public:
  struct Worker {
    const std::atomic<bool>* waitingOn = nullptr;  // guarded by the list's mutex
  };

  static WorkerThreads& instance();

  // On the starting thread, before the worker runs: the worker is busy from here on.
  std::shared_ptr<Worker> enrol();
  // On the worker, first thing: its waits are watched from now on.
  static void enter(const std::shared_ptr<Worker>& worker);
  // The worker ends (on the worker, last thing; or on the starter when the start failed).
  void leave(const std::shared_ptr<Worker>& worker);

  // The calling thread is a worker and a stepping clock waits for its rest.
  bool isWaitedFor() const;
  // The calling thread blocks until `signalled` is set (nothing happens on other threads).
  void beginWait(const std::atomic<bool>& signalled);
  // Takes the signal with `take`; a worker that takes it is busy in the same instant, so that
  // no look at the workers finds the signal gone and the worker resting.
  template <typename Take>
  bool takeSignal(Take take)
  {
    if (current() == nullptr) return take();
    std::lock_guard lock(mutex_);
    const bool taken = take();
    if (taken) current()->waitingOn = nullptr;
    return taken;
  }
  void endWait();

  // Waits until every worker rests, at most `limit` (a worker stuck on something else must
  // not stop the program); false when the limit passed.
  bool waitForRest(std::chrono::milliseconds limit);

 private:
  static Worker*& current();
  bool allAtRest() const;

  std::mutex mutex_;
  std::condition_variable rested_;
  std::vector<std::shared_ptr<Worker>> workers_;
};

}  // namespace omwin
