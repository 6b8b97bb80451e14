#pragma once

#include <cstdint>
#include <vector>

// Writes packed backgrounds ("BK16"): a 32-byte header and 5-5-5 pixels (0RRRRRGGGGGBBBBB,
// high byte first, rows top first) compressed with LZO1X. Empty when the pixels do not
// match the size.
std::vector<std::uint8_t> writeBackground(int width, int height,
                                          const std::vector<std::uint16_t>& pixels);
// 8-bit channels to one 5-5-5 pixel.
constexpr std::uint16_t pixel555(int red, int green, int blue)
{
  return std::uint16_t((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
}
