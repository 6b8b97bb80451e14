#include "game/GlobalTimer.h"

GlobalTimer::GlobalTimer(std::uint32_t periodMs, std::uint32_t retryMs, const char* name,
                         std::uint32_t flags, std::uint32_t now)
    : period_(periodMs),
      retry_(retryMs),
      next_(now + periodMs),
      name_(name ? name : ""),
      eventName_(name_ + "Event"),
      flags_(flags | countsDisables)
{
}

void GlobalTimer::disable()
{
  if (flags_ & countsDisables) ++disabledCount_;
}

void GlobalTimer::enable()
{
  if (flags_ & countsDisables) --disabledCount_;
}

void GlobalTimer::holdForPress()
{
  if (!(flags_ & holdsWhilePressed)) return;
  ++disabledCount_;
  ++pressHolds_;
}

void GlobalTimer::releaseFromPress()
{
  if (pressHolds_ == 0) return;
  --pressHolds_;
  --disabledCount_;
}

bool GlobalTimer::step(std::uint32_t now)
{
  // The clock may wrap: what counts is the signed distance.
  if (static_cast<std::int32_t>(now - next_) < 0) return false;
  if (disabledCount_ > 0) {
    next_ += retry_;
    return false;
  }
  next_ = now + period_;
  return true;
}
