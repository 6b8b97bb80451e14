#include "trinkets/src/OMAnimationEncoder.h"

#include <algorithm>
#include <cstring>

#include "framework/OMMemCanvas.h"
#include "trinkets/src/OMFrameEntry.h"

namespace {

constexpr int longestCode = 250;
constexpr std::size_t prefixSize = 52;

void put16(std::uint8_t*& out, int value)
{
  out[0] = std::uint8_t(value);
  out[1] = std::uint8_t(value >> 8);
  out += 2;
}

}  // namespace

void encodeAnimationRow(const std::uint8_t* pixels, int width, int transparent, std::uint8_t*& out)
{
  std::uint8_t* literal = nullptr;  // the count byte of the literal being built
  int i = 0;
  while (i < width) {
    const std::uint8_t p = pixels[i];
    if (p == transparent) {
      literal = nullptr;
      int n = 0;
      while (i < width && pixels[i] == transparent) {
        if (n == longestCode) {
          *out++ = 0;
          *out++ = std::uint8_t(n);
          n = 0;
        }
        ++n;
        ++i;
      }
      *out++ = 0;
      *out++ = std::uint8_t(n);
    } else if (width - i >= 4 && pixels[i + 1] == p && pixels[i + 2] == p) {
      literal = nullptr;
      int n = 0;
      while (i < width && pixels[i] == p) {
        if (n == longestCode) {
          *out++ = 255;
          *out++ = p;
          *out++ = std::uint8_t(n);
          n = 0;
        }
        ++n;
        ++i;
      }
      *out++ = 255;
      *out++ = p;
      *out++ = std::uint8_t(n);
    } else {
      if (literal == nullptr || *literal == longestCode) {
        literal = out++;
        *literal = 0;
      }
      ++*literal;
      *out++ = p;
      ++i;
    }
  }
}

std::unique_ptr<std::uint8_t[]> makeAnimationFromCanvas(std::uint32_t* size, OMCanvas* canvas,
                                                        const OMRect& rect, int transparent)
{
  if (size) *size = 0;
  auto* source = dynamic_cast<OMMemCanvas*>(canvas);
  if (source == nullptr || source->depth() != 8) return nullptr;
  // A rectangle larger than the canvas is cut to it: no pixel beyond the canvas is read.
  int width = rect.isEmpty() ? source->width() : std::min(rect.width(), source->width());
  int height = rect.isEmpty() ? source->height() : std::min(rect.height(), source->height());
  width = std::clamp(width, 0, 32767);
  height = std::clamp(height, 0, 32767);
  void* pixels = nullptr;
  int pitch = 0;
  if (!source->lockBits(&pixels, &pitch) || pixels == nullptr) return nullptr;
  // The worst row: a literal count byte for every 250 pixels, or a pair for a lone pixel.
  const std::size_t capacity =
      std::max<std::size_t>(32, std::size_t(width) * std::size_t(height) * 2 + 6) + prefixSize;
  auto buffer = std::make_unique<std::uint8_t[]>(capacity);
  std::uint8_t* out = buffer.get();
  put16(out, 1);  // sequences
  put16(out, 1);  // images
  *out++ = 8;     // frames per second
  *out++ = 0;     // little-endian
  put16(out, 0);
  put16(out, 0);
  out += 4;  // the one image's offset, 0
  out += 4;  // placement
  put16(out, 4);
  const std::int16_t codes[] = {OMFrameEntry::hold, 0, OMFrameEntry::loop, OMFrameEntry::end};
  for (std::int16_t code : codes) {
    put16(out, 0);
    put16(out, 0);
    put16(out, code);
    put16(out, 0);
  }
  put16(out, 0);
  put16(out, width);
  put16(out, height);
  const auto* rows = static_cast<const std::uint8_t*>(pixels);
  for (int r = 0; r < height; ++r)
    encodeAnimationRow(rows + std::size_t(r) * pitch, width, transparent, out);
  source->unlockBits();
  if (size) *size = std::uint32_t(out - buffer.get());
  return buffer;
}
