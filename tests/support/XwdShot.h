#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace omtest {

// An X window dump (xwd) of 24 or 32 bits a pixel: a header of big-endian words, the colour
// map, then the pixels.
struct XwdShot {
  int width = 0, height = 0, bitsPerPixel = 0, bytesPerLine = 0;
  bool msbFirst = false;
  std::uint32_t masks[3]{};
  std::vector<unsigned char> pixels;

  // The pixel's colour as red | green << 8 | blue << 16 (the layout of a COLORREF); none
  // outside the picture or for a layout this reader does not know.
  std::optional<std::uint32_t> at(int x, int y) const
  {
    if (bitsPerPixel != 32 && bitsPerPixel != 24) return std::nullopt;
    if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
    const std::size_t bytes = bitsPerPixel / 8;
    const std::size_t offset = static_cast<std::size_t>(y) * bytesPerLine + x * bytes;
    if (offset + bytes > pixels.size()) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      value |= static_cast<std::uint32_t>(pixels[offset + i])
               << (8 * (msbFirst ? bytes - 1 - i : i));
    std::uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t mask = masks[c];
      if (mask == 0) return std::nullopt;
      int shift = 0;
      while (!((mask >> shift) & 1))
        ++shift;
      colour |= ((value & mask) >> shift) * 255 / (mask >> shift) << (8 * c);
    }
    return colour;
  }
};

inline std::optional<XwdShot> readXwdShot(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  auto word = [&](int i) -> std::uint32_t {
    const std::size_t o = static_cast<std::size_t>(i) * 4;
    return (std::uint32_t(bytes[o]) << 24) | (bytes[o + 1] << 16) | (bytes[o + 2] << 8) |
           bytes[o + 3];
  };
  if (bytes.size() < 100) return std::nullopt;
  const std::uint32_t headerSize = word(0);
  if (word(1) != 7 || word(2) != 2 || headerSize < 100) return std::nullopt;  // ZPixmap
  XwdShot shot;
  shot.width = static_cast<int>(word(4));
  shot.height = static_cast<int>(word(5));
  shot.msbFirst = word(7) != 0;
  shot.bitsPerPixel = static_cast<int>(word(11));
  shot.bytesPerLine = static_cast<int>(word(12));
  shot.masks[0] = word(14);
  shot.masks[1] = word(15);
  shot.masks[2] = word(16);
  const std::uint64_t start = std::uint64_t(headerSize) + std::uint64_t(word(19)) * 12;
  if (start > bytes.size()) return std::nullopt;
  shot.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  return shot;
}

}  // namespace omtest
