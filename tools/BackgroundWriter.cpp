#include "tools/BackgroundWriter.h"

#include <lzo/lzo1x.h>

namespace {

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    out[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> writeBackground(int width, int height,
                                          const std::vector<std::uint16_t>& pixels)
{
  if (width < 0 || height < 0 || pixels.size() != std::size_t(width) * std::size_t(height) ||
      lzo_init() != LZO_E_OK)
    return {};
  std::vector<std::uint8_t> raw;
  raw.reserve(pixels.size() * 2);
  for (std::uint16_t pixel : pixels) {
    raw.push_back(std::uint8_t(pixel >> 8));
    raw.push_back(std::uint8_t(pixel));
  }
  // LZO1X may grow incompressible data by a sixteenth and a little.
  std::vector<std::uint8_t> out(32 + raw.size() + raw.size() / 16 + 64 + 3);
  std::vector<std::uint8_t> work(LZO1X_1_MEM_COMPRESS);
  lzo_uint packed = 0;
  if (lzo1x_1_compress(raw.data(), raw.size(), out.data() + 32, &packed, work.data()) != LZO_E_OK)
    return {};
  out.resize(32 + packed);
  put32(out, 0, 32);
  put32(out, 4, std::uint32_t(width));
  put32(out, 8, std::uint32_t(height));
  put32(out, 12, 0);
  put32(out, 16, std::uint32_t(raw.size()));
  put32(out, 20, std::uint32_t(packed));
  put32(out, 24, 0x555);
  put32(out, 28, 0);
  return out;
}
