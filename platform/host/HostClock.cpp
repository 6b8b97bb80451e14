#include "platform/host/HostClock.h"

#include <atomic>
#include <chrono>

namespace omhost {
namespace {

std::atomic<bool> manual{false};
std::atomic<std::uint32_t> manualNow{0};

std::uint32_t realMilliseconds()
{
  static const auto start = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // Wraps after 49.7 days, like the clock it stands in for.
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

std::uint32_t clockMilliseconds()
{
  return manual.load(std::memory_order_acquire) ? manualNow.load(std::memory_order_acquire)
                                                : realMilliseconds();
}

void useManualClock(std::uint32_t startMilliseconds)
{
  manualNow.store(startMilliseconds, std::memory_order_release);
  manual.store(true, std::memory_order_release);
}

void useRealClock()
{
  manual.store(false, std::memory_order_release);
}

void advanceClock(std::uint32_t milliseconds)
{
  if (manual.load(std::memory_order_acquire))
    manualNow.fetch_add(milliseconds, std::memory_order_acq_rel);
}

bool isManualClock()
{
  return manual.load(std::memory_order_acquire);
}

}  // namespace omhost
