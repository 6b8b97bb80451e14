#include "platform/host/HostClock.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace omhost {
namespace {

std::atomic<bool> manual{false};
std::atomic<std::uint32_t> manualNow{0};
std::atomic<std::uint32_t> step{0};

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
  step.store(0, std::memory_order_release);
  manualNow.store(startMilliseconds, std::memory_order_release);
  manual.store(true, std::memory_order_release);
}

void useSteppingClock(std::uint32_t stepMilliseconds, std::uint32_t startMilliseconds)
{
  useManualClock(startMilliseconds);
  step.store(stepMilliseconds, std::memory_order_release);
}

void useRealClock()
{
  step.store(0, std::memory_order_release);
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

std::uint32_t clockStep()
{
  return step.load(std::memory_order_acquire);
}

void noInputWaiting()
{
  if (const std::uint32_t by = clockStep(); by != 0) advanceClock(by);
}

bool parseClockSetting(const char* text, std::uint32_t& stepMilliseconds)
{
  if (text == nullptr) return false;
  unsigned long value = 0;
  int used = 0;
  if (std::sscanf(text, "step:%lu%n", &value, &used) != 1 || text[used] != '\0') return false;
  // "step:" takes digits only: sscanf would let a sign or blanks through.
  if (text[5] < '0' || text[5] > '9' || value < 1 || value > 60000) return false;
  stepMilliseconds = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace omhost
