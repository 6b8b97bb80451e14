#include "trinkets/src/OMColorTable.h"

#include <bit>
#include <vector>

#include "framework/OMCanvas.h"
#include "framework/OMIStream.h"
#include "framework/OMResHandle.h"
#include "trinkets/src/OMStreamBytes.h"

namespace {

std::uint32_t place(std::uint16_t channel, std::uint32_t mask, int shift)
{
  const int bits = std::popcount(mask);
  if (bits == 0 || bits > 16) return 0;
  return (std::uint32_t(channel) >> (16 - bits)) << shift;
}

}  // namespace

bool parseColorTable(const std::uint8_t* bytes, std::size_t size, OMRGBColor* colors)
{
  for (int i = 0; i < colorTableEntries; ++i)
    colors[i] = OMRGBColor();
  if (bytes == nullptr || size < std::size_t(colorTableBytes)) return false;
  const auto value = [bytes](int at) {
    return std::uint16_t(bytes[2 * at] | bytes[2 * at + 1] << 8);
  };
  bool eightBit = true;
  for (int at = 0; at < 3 * colorTableEntries && eightBit; ++at)
    eightBit = value(at) <= 0xFF;
  const int widen = eightBit ? 8 : 0;
  const auto channel = [&](int at) { return std::uint16_t(value(at) << widen); };
  for (int i = 0; i < colorTableEntries; ++i)
    colors[i] = OMRGBColor(channel(3 * i), channel(3 * i + 1), channel(3 * i + 2));
  return true;
}

bool loadColorTable(OMIStream* stream, OMRGBColor* colors)
{
  std::vector<std::uint8_t> bytes;
  if (stream) readStreamBytes(*stream, bytes);
  delete stream;
  return parseColorTable(bytes.data(), bytes.size(), colors);
}

bool loadColorTable(OMResHandle* handle, OMRGBColor* colors)
{
  std::vector<std::uint8_t> bytes;
  if (handle) readResourceBytes(*handle, bytes);
  delete handle;
  return parseColorTable(bytes.data(), bytes.size(), colors);
}

void makePixelTable(const OMRGBColor* colors, const OMCanvas& canvas, std::uint32_t* table)
{
  for (int i = 0; i < colorTableEntries; ++i)
    table[i] = place(colors[i].red, canvas.redMask(), canvas.redShift()) |
               place(colors[i].green, canvas.greenMask(), canvas.greenShift()) |
               place(colors[i].blue, canvas.blueMask(), canvas.blueShift());
}
