#pragma once

#include <cmath>
#include <cstdint>

#include "trinkets/src/OMTrinket.h"

// What the arcade movers share: a distance flown at a velocity, and the drag confinement
// switched for the length of a move.

// Velocity (pixels per ms) times the elapsed time, truncated toward zero; a product beyond
// the 32-bit range stops at its edge.
inline int flownDistance(float velocity, std::uint32_t elapsed)
{
  const float product = velocity * static_cast<float>(elapsed);
  constexpr float limit = 2147483520.0f;  // the largest float below 2^31
  if (std::isnan(product)) return 0;
  if (product < -limit) return -2147483520;
  if (product > limit) return 2147483520;
  return static_cast<int>(product);
}

// A coordinate computed in 64 bits, kept within reach of the rectangle arithmetic.
inline int boundedCoordinate(std::int64_t value)
{
  constexpr std::int64_t limit = std::int64_t(1) << 28;
  return static_cast<int>(value < -limit ? -limit : value > limit ? limit : value);
}

// (end - start) / time; 0 for a time that is not positive.
inline float velocityOver(int start, int end, int time)
{
  return time > 0
             ? static_cast<float>(static_cast<std::int64_t>(end) - start) / static_cast<float>(time)
             : 0.0f;
}

// Sets the global drag confinement for its lifetime and puts the old value back.
class ScopedConfineDrags {
 public:
  explicit ScopedConfineDrags(int on) : saved_(OMTrinket::confineDrags())
  {
    OMTrinket::setConfineDrags(on);
  }
  ~ScopedConfineDrags() { OMTrinket::setConfineDrags(saved_); }
  ScopedConfineDrags(const ScopedConfineDrags&) = delete;
  ScopedConfineDrags& operator=(const ScopedConfineDrags&) = delete;

 private:
  int saved_;
};
