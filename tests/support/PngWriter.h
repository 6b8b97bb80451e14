#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace omtest {

// Writes an RGB image (3 bytes a pixel, rows top first) as a PNG file. Answers whether the
// file was written.
bool writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace omtest
