#include "platform/src/gdi/Surface.h"

#include <algorithm>
#include <cstring>

namespace omgdi {

COLORREF colorOfQuad(const RGBQUAD& quad)
{
  return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
}

RGBQUAD quadOf(COLORREF color)
{
  return RGBQUAD{GetBValue(color), GetGValue(color), GetRValue(color), 0};
}

int colorDistance(COLORREF a, COLORREF b)
{
  const int dr = GetRValue(a) - GetRValue(b);
  const int dg = GetGValue(a) - GetGValue(b);
  const int db = GetBValue(a) - GetBValue(b);
  return dr * dr + dg * dg + db * db;
}

std::uint32_t pack555(COLORREF color)
{
  return (static_cast<std::uint32_t>(GetRValue(color) >> 3) << 10) |
         (static_cast<std::uint32_t>(GetGValue(color) >> 3) << 5) | (GetBValue(color) >> 3);
}

COLORREF unpack555(std::uint32_t raw)
{
  // Five bits widen to eight by repeating the top bits, so that white stays white.
  auto widen = [](std::uint32_t five) { return static_cast<BYTE>((five << 3) | (five >> 2)); };
  return RGB(widen((raw >> 10) & 31), widen((raw >> 5) & 31), widen(raw & 31));
}

bool Surface::isSupportedDepth(int bitsPerPixel)
{
  return bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 ||
         bitsPerPixel == 32;
}

int Surface::strideFor(int width, int bitsPerPixel)
{
  return static_cast<int>(((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

bool Surface::fitsInMemory(int width, int height, int bitsPerPixel)
{
  constexpr std::int64_t maxBytes = std::int64_t{1} << 28;
  return width > 0 && height > 0 &&
         static_cast<std::int64_t>(strideFor(width, bitsPerPixel)) * height <= maxBytes;
}

Surface::Surface(int width, int height, int bitsPerPixel, bool topDown)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      stride_(strideFor(width, bitsPerPixel)),
      topDown_(topDown),
      owned_(static_cast<std::size_t>(stride_) * height, 0),
      pixels_(owned_.data())
{
  if (hasColorTable()) colorTable_.assign(std::size_t{1} << bitsPerPixel, RGBQUAD{0, 0, 0, 0});
}

Surface::Surface(int width, int height, int bitsPerPixel, bool topDown, std::uint8_t* pixels,
                 int stride)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      stride_(stride),
      topDown_(topDown),
      pixels_(pixels)
{
  if (hasColorTable()) colorTable_.assign(std::size_t{1} << bitsPerPixel, RGBQUAD{0, 0, 0, 0});
}

std::uint8_t* Surface::row(int y)
{
  return pixels_ + static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * stride_;
}

const std::uint8_t* Surface::row(int y) const
{
  return pixels_ + static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * stride_;
}

std::uint32_t Surface::pixelMask() const
{
  switch (bitsPerPixel_) {
    case 1:
      return 1;
    case 8:
      return 0xFF;
    case 16:
      return 0x7FFF;
    case 24:
      return 0xFFFFFF;
    default:
      return 0xFFFFFFFF;
  }
}

std::uint32_t Surface::rawPixel(int x, int y) const
{
  std::uint32_t raw = 0;
  readRow(x, y, 1, &raw);
  return raw;
}

void Surface::setRawPixel(int x, int y, std::uint32_t raw)
{
  writeRow(x, y, 1, &raw);
}

void Surface::readRow(int x, int y, int n, std::uint32_t* out) const
{
  const std::uint8_t* p = row(y);
  switch (bitsPerPixel_) {
    case 1:
      for (int i = 0; i < n; ++i) {
        const int px = x + i;
        out[i] = (p[px >> 3] >> (7 - (px & 7))) & 1;
      }
      break;
    case 8:
      for (int i = 0; i < n; ++i)
        out[i] = p[x + i];
      break;
    case 16:
      p += 2 * x;
      for (int i = 0; i < n; ++i, p += 2)
        out[i] = (p[0] | (p[1] << 8)) & 0x7FFF;
      break;
    case 24:
      p += 3 * x;
      for (int i = 0; i < n; ++i, p += 3)
        out[i] = p[0] | (p[1] << 8) | (p[2] << 16);
      break;
    default:
      p += 4 * x;
      for (int i = 0; i < n; ++i, p += 4) {
        out[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
      }
      break;
  }
}

void Surface::writeRow(int x, int y, int n, const std::uint32_t* in)
{
  std::uint8_t* p = row(y);
  switch (bitsPerPixel_) {
    case 1:
      for (int i = 0; i < n; ++i) {
        const int px = x + i;
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (px & 7));
        if (in[i] & 1) {
          p[px >> 3] |= bit;
        } else {
          p[px >> 3] &= static_cast<std::uint8_t>(~bit);
        }
      }
      break;
    case 8:
      for (int i = 0; i < n; ++i)
        p[x + i] = static_cast<std::uint8_t>(in[i]);
      break;
    case 16:
      p += 2 * x;
      for (int i = 0; i < n; ++i, p += 2) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>((in[i] >> 8) & 0x7F);
      }
      break;
    case 24:
      p += 3 * x;
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>(in[i] >> 8);
        p[2] = static_cast<std::uint8_t>(in[i] >> 16);
      }
      break;
    default:
      p += 4 * x;
      for (int i = 0; i < n; ++i, p += 4) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>(in[i] >> 8);
        p[2] = static_cast<std::uint8_t>(in[i] >> 16);
        p[3] = static_cast<std::uint8_t>(in[i] >> 24);
      }
      break;
  }
}

void Surface::fillRow(int x, int y, int n, std::uint32_t raw)
{
  if (n <= 0) return;
  if (bitsPerPixel_ == 8) {
    std::memset(row(y) + x, static_cast<int>(raw & 0xFF), static_cast<std::size_t>(n));
    return;
  }
  if (bitsPerPixel_ == 16) {
    std::uint8_t* p = row(y) + 2 * x;
    p[0] = static_cast<std::uint8_t>(raw);
    p[1] = static_cast<std::uint8_t>((raw >> 8) & 0x7F);
    // The filled part doubles with each copy: a stage-wide fill is a few block copies, not a
    // store per byte.
    const std::size_t length = 2 * static_cast<std::size_t>(n);
    for (std::size_t filled = 2; filled < length;) {
      const std::size_t copied = std::min(filled, length - filled);
      std::memcpy(p + filled, p, copied);
      filled += copied;
    }
    return;
  }
  std::vector<std::uint32_t> values(static_cast<std::size_t>(n), raw);
  writeRow(x, y, n, values.data());
}

void Surface::setColorTable(UINT start, UINT count, const RGBQUAD* colors)
{
  for (UINT i = 0; i < count && start + i < colorTable_.size(); ++i) {
    colorTable_[start + i] = colors[i];
  }
  nearestCache_.clear();
  tableAs555_.clear();
}

const std::vector<std::uint16_t>& Surface::tableAs555() const
{
  if (tableAs555_.empty()) {
    tableAs555_.resize(colorTable_.size());
    for (std::size_t i = 0; i < colorTable_.size(); ++i)
      tableAs555_[i] = static_cast<std::uint16_t>(pack555(colorOfQuad(colorTable_[i])) & 0x7FFF);
  }
  return tableAs555_;
}

COLORREF Surface::colorOf(std::uint32_t raw) const
{
  switch (bitsPerPixel_) {
    case 1:
    case 8:
      return raw < colorTable_.size() ? colorOfQuad(colorTable_[raw]) : 0;
    case 16:
      return unpack555(raw);
    default:
      return RGB((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF);
  }
}

std::uint32_t Surface::rawOf(COLORREF color) const
{
  color &= 0xFFFFFF;
  switch (bitsPerPixel_) {
    case 16:
      return pack555(color);
    case 24:
    case 32:
      return (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
             (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
    default:
      break;
  }
  auto cached = nearestCache_.find(color);
  if (cached != nearestCache_.end()) return cached->second;
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < colorTable_.size(); ++i) {
    const int distance = colorDistance(color, colorOfQuad(colorTable_[i]));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<std::uint32_t>(i);
      if (distance == 0) break;
    }
  }
  // Deep sources can bring many colours; keep the cache bounded.
  if (nearestCache_.size() > 65536) nearestCache_.clear();
  nearestCache_.emplace(color, best);
  return best;
}

}  // namespace omgdi
