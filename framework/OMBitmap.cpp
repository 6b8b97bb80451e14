#include "framework/OMBitmap.h"

#include <cstdlib>
#include <cstring>

#include "framework/OMIStreamRes.h"

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;

std::uint32_t u32(const std::uint8_t* at)
{
  return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t(at[3]) << 24);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    at[i] = std::uint8_t(value >> (8 * i));
}

constexpr int reservedCount = 20;

// The colours the system keeps for itself: the system palette's first and last ten entries
// on a palette screen, else the standard values of the same colours.
bool readReservedColors(PALETTEENTRY (&colors)[reservedCount])
{
  if (HDC screen = GetDC(nullptr)) {
    const UINT got = GetSystemPaletteEntries(screen, 0, 10, colors) +
                     GetSystemPaletteEntries(screen, 246, 10, colors + 10);
    ReleaseDC(nullptr, screen);
    if (got == reservedCount) return true;
  }
  HPALETTE standard = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  return standard && GetPaletteEntries(standard, 0, reservedCount, colors) == reservedCount;
}

// A DIB section of the given header and colour table holding a copy of the bits.
HBITMAP makeDibSection(const BITMAPINFO* info, const std::uint8_t* bits, std::size_t size)
{
  void* target = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &target, nullptr, 0);
  if (!bitmap || !target) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  std::memcpy(target, bits, size);
  return bitmap;
}

}  // namespace

OMBitmap::OMBitmap(int resourceId, OMResModule* module)
{
  OMIStreamRes stream(resourceId, "BITMAP", module, -1, nullptr);
  const std::int32_t length = stream.load(0);
  if (length > 0 && take(stream.data(), length) && bitCount_ == 8 && colorCount_ == 256)
    takeReservedColors();
}

OMBitmap::~OMBitmap()
{
  if (dib_) DeleteObject(dib_);
  if (maskDib_) DeleteObject(maskDib_);
}

void OMBitmap::takeReservedColors()
{
  PALETTEENTRY reserved[reservedCount];
  if (!readReservedColors(reserved)) return;
  std::uint8_t* table = image_.data() + infoHeaderSize;
  for (int i = 0; i < reservedCount; ++i) {
    std::uint8_t* entry = table + 4 * (i < 10 ? i : 236 + i);
    entry[0] = reserved[i].peBlue;
    entry[1] = reserved[i].peGreen;
    entry[2] = reserved[i].peRed;
    entry[3] = 0;
  }
}

HBITMAP OMBitmap::dib()
{
  if (!dib_ && hasBits()) {
    dib_ = makeDibSection(reinterpret_cast<const BITMAPINFO*>(info()), bits(),
                          std::size_t(rowBytes()) * std::size_t(std::abs(height_)));
  }
  return dib_;
}

HBITMAP OMBitmap::maskDib()
{
  if (maskDib_) return maskDib_;
  const std::vector<std::uint8_t> mask = makeMask();
  if (mask.empty()) return nullptr;
  // A one-bit header with black and white, the rows in the image's order.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } info{};
  info.header.biSize = infoHeaderSize;
  info.header.biWidth = width_;
  info.header.biHeight = height_;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biClrUsed = 2;
  info.colors[1] = RGBQUAD{255, 255, 255, 0};
  maskDib_ = makeDibSection(reinterpret_cast<const BITMAPINFO*>(&info), mask.data(), mask.size());
  return maskDib_;
}

bool OMBitmap::take(const std::uint8_t* content, std::int32_t length)
{
  std::size_t size = std::size_t(length);
  if (size >= fileHeaderSize && content[0] == 'B' && content[1] == 'M') {
    content += fileHeaderSize;
    size -= fileHeaderSize;
  }
  if (size < infoHeaderSize || u32(content) != infoHeaderSize) return false;
  const std::int32_t width = std::int32_t(u32(content + 4));
  const std::int32_t height = std::int32_t(u32(content + 8));
  const int bitCount = content[14] | (content[15] << 8);
  const std::uint32_t compression = u32(content + 16);
  std::uint32_t colors = u32(content + 32);
  if (width <= 0 || width > 0x8000 || height == 0 || height < -0x8000 || height > 0x8000 ||
      compression != 0)
    return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return false;
  if (bitCount == 8 && colors == 0) colors = 256;
  if (bitCount < 8 && colors == 0) colors = 1u << bitCount;
  if (colors > 256) return false;
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  const std::size_t bitsOffset = infoHeaderSize + 4 * std::size_t(colors);
  const std::size_t bitsSize = std::size_t(rowBytes()) * std::size_t(std::abs(height));
  if (bitsOffset + bitsSize > size) {
    width_ = height_ = bitCount_ = 0;
    return false;
  }
  image_.assign(content, content + bitsOffset + bitsSize);
  put32(image_.data() + 32, colors);
  colorCount_ = int(colors);
  bitsOffset_ = bitsOffset;
  return true;
}

std::vector<std::uint8_t> OMBitmap::makeMask() const
{
  if (!hasBits() || (bitCount_ != 8 && bitCount_ != 16 && bitCount_ != 24)) return {};
  const int bytesPerPixel = bitCount_ / 8;
  const int maskRow = (width_ + 31) / 32 * 4;
  const int rows = std::abs(height_);
  std::vector<std::uint8_t> mask(std::size_t(maskRow) * std::size_t(rows), 0);
  const std::uint8_t* first = bits();
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* row = bits() + std::size_t(y) * std::size_t(rowBytes());
    for (int x = 0; x < width_; ++x) {
      const std::uint8_t* pixel = row + x * bytesPerPixel;
      const bool clear = bitCount_ == 8
                             ? *pixel == transparent8Bit
                             : std::memcmp(pixel, first, std::size_t(bytesPerPixel)) == 0;
      if (clear)
        mask[std::size_t(y) * std::size_t(maskRow) + std::size_t(x / 8)] |= 0x80 >> (x % 8);
    }
  }
  return mask;
}
