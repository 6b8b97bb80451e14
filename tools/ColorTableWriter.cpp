#include "tools/ColorTableWriter.h"

std::vector<std::uint8_t> writeColorTable(const std::array<std::uint8_t, 768>& rgb)
{
  std::vector<std::uint8_t> out;
  out.reserve(rgb.size() * 2);
  for (std::uint8_t c : rgb) {
    out.push_back(c);
    out.push_back(c);
  }
  return out;
}
