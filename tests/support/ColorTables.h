#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace omtest {

// A colour table as the other writer of stored palettes puts it down: each 8-bit value as a
// little-endian 16-bit number from 0 to 255 (the packer widens it into the high byte).
inline std::vector<std::uint8_t> byteColorTable(const std::array<std::uint8_t, 768>& rgb)
{
  std::vector<std::uint8_t> out;
  for (const std::uint8_t c : rgb) {
    out.push_back(c);
    out.push_back(0);
  }
  return out;
}

}  // namespace omtest
