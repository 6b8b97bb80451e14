#pragma once

#include <cstdint>
#include <cstdlib>

// A script's colour channel: 0-255 is an 8-bit value, anything else a 16-bit one.
inline std::uint16_t scriptColorChannel(const char* word)
{
  const int value = word ? std::atoi(word) : 0;
  if (value >= 0 && value <= 255) return static_cast<std::uint16_t>(value << 8);
  return static_cast<std::uint16_t>(value);
}
