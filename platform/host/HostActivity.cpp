#include "platform/host/HostActivity.h"

#include <atomic>

namespace omhost {
namespace {

std::atomic<std::uint64_t> activity{0};
std::atomic<void (*)()> waker{nullptr};

}  // namespace

void noteActivity()
{
  activity.fetch_add(1, std::memory_order_acq_rel);
  if (void (*wake)() = waker.load(std::memory_order_acquire)) wake();
}

std::uint64_t activityCount()
{
  return activity.load(std::memory_order_acquire);
}

void setIdleWaker(void (*wake)())
{
  waker.store(wake, std::memory_order_release);
}

}  // namespace omhost
