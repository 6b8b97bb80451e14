#pragma once

#include <algorithm>
#include <cstdint>

// Script numbers may be anything; rectangles stay where their sizes, and the sizes of the
// host's regions around them, still fit in 32 bits.
inline std::int32_t clampCoordinate(std::int64_t value)
{
  constexpr std::int64_t limit = std::int64_t(1) << 29;
  return static_cast<std::int32_t>(std::clamp(value, -limit, limit));
}
