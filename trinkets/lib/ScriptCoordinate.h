#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// Script numbers may be anything; rectangles stay where their sizes, and the sizes of the
// host's regions around them, still fit in 32 bits.
inline std::int32_t clampCoordinate(std::int64_t value)
{
  constexpr std::int64_t limit = std::int64_t(1) << 29;
  return static_cast<std::int32_t>(std::clamp(value, -limit, limit));
}

// A length laid from a coordinate, held so that its far end is in the range too.
inline std::int32_t clampLength(std::int32_t from, std::int64_t length)
{
  return clampCoordinate(std::int64_t(from) + length) - from;
}

// A script's word as a coordinate, read in 64 bits so that numbers past 32 bits are held too.
inline std::int32_t coordinateOf(const char* text)
{
  return clampCoordinate(std::atoll(text));
}
