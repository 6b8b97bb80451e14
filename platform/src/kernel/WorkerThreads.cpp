#include "platform/src/kernel/WorkerThreads.h"

#include <algorithm>

#include "platform/host/HostClock.h"

namespace omwin {

WorkerThreads& WorkerThreads::instance()
{
  static WorkerThreads threads;
  return threads;
}

WorkerThreads::Worker*& WorkerThreads::current()
{
  thread_local Worker* worker = nullptr;
  return worker;
}

std::shared_ptr<WorkerThreads::Worker> WorkerThreads::enrol()
{
  auto worker = std::make_shared<Worker>();
  std::lock_guard lock(mutex_);
  workers_.push_back(worker);
  return worker;
}

void WorkerThreads::enter(const std::shared_ptr<Worker>& worker)
{
  current() = worker.get();
}

void WorkerThreads::leave(const std::shared_ptr<Worker>& worker)
{
  {
    std::lock_guard lock(mutex_);
    std::erase(workers_, worker);
  }
  if (current() == worker.get()) current() = nullptr;
  rested_.notify_all();
}

bool WorkerThreads::isWaitedFor() const
{
  return current() != nullptr && omhost::clockStep() != 0;
}

void WorkerThreads::beginWait(const std::atomic<bool>& signalled)
{
  if (current() == nullptr) return;
  {
    std::lock_guard lock(mutex_);
    current()->waitingOn = &signalled;
  }
  rested_.notify_all();
}

void WorkerThreads::endWait()
{
  if (current() == nullptr) return;
  std::lock_guard lock(mutex_);
  current()->waitingOn = nullptr;
}

bool WorkerThreads::allAtRest() const
{
  return std::all_of(workers_.begin(), workers_.end(), [](const auto& worker) {
    return worker->waitingOn != nullptr && !worker->waitingOn->load(std::memory_order_acquire);
  });
}

bool WorkerThreads::waitForRest(std::chrono::milliseconds limit)
{
  std::unique_lock lock(mutex_);
  return rested_.wait_for(lock, limit, [this] { return allAtRest(); });
}

}  // namespace omwin
