#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Writes colour tables ("RRGB"): 256 entries of red, green and blue, each a little-endian
// 16-bit channel holding the 8-bit value c as c << 8 | c. `rgb` holds 3 bytes an entry.
std::vector<std::uint8_t> writeColorTable(const std::array<std::uint8_t, 768>& rgb);
