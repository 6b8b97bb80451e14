#pragma once

#include <cstdint>
#include <vector>

// Writes lip-sync tables: header words 0 to 2 (byte-order mark, unused, record count), then
// one 6-byte record per frame whose first word is the image. Taken little-endian, the mark
// reads 1 in a little-endian table and 512 (above 511: big-endian) in a big-endian one.
std::vector<std::uint8_t> writeLipSyncTable(const std::vector<int>& images, bool bigEndian);
