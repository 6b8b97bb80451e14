#pragma once

#include <cstdint>
#include <cstdlib>

// A script's colour channel, stored as given: 65535 is full, so 255 is nearly black.
inline std::uint16_t scriptColorChannel(const char* word)
{
  return static_cast<std::uint16_t>(word ? std::atoi(word) : 0);
}
