#include "platform/src/kernel/CursorImage.h"

#include <cstdlib>

namespace omwin {
namespace {

std::uint32_t u32(const std::uint8_t* p)
{
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

unsigned u16(const std::uint8_t* p)
{
  return p[0] | (p[1] << 8);
}

struct Bytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

Bytes resourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return {};
  return {static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found))),
          SizeofResource(module, found)};
}

// The index of the 32 by 32 picture of a group, else the first.
unsigned choosePicture(const Bytes& group, unsigned count, bool icon)
{
  for (unsigned i = 0; i < count; ++i) {
    const std::uint8_t* entry = group.data + 6 + 14 * i;
    const unsigned width = icon ? entry[0] : u16(entry);
    if (width == 32) return i;
  }
  return 0;
}

unsigned bitOf(const std::uint8_t* row, int x)
{
  return (row[x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

std::optional<CursorImage> decodeIconBitmap(const std::uint8_t* bytes, std::size_t size)
{
  if (!bytes || size < 40 || u32(bytes) < 40 || u32(bytes) > size) return std::nullopt;
  const auto width = static_cast<std::int32_t>(u32(bytes + 4));
  const auto doubledHeight = static_cast<std::int32_t>(u32(bytes + 8));
  const unsigned bits = u16(bytes + 14);
  const std::uint32_t compression = u32(bytes + 16);
  std::uint32_t colours = u32(bytes + 32);
  if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight > 512 || compression != 0)
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
  if (bits > 8) colours = 0;
  const int height = doubledHeight / 2;
  const std::size_t tableStart = u32(bytes);
  const std::size_t pixelStart = tableStart + 4 * static_cast<std::size_t>(colours);
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::size_t maskRowBytes = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t maskStart = pixelStart + rowBytes * height;
  if (maskStart + maskRowBytes * height > size) return std::nullopt;

  CursorImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  bool hasAlpha = false;
  if (bits == 32) {
    for (std::size_t i = 0; i < rowBytes * height && !hasAlpha; i += 4)
      hasAlpha = bytes[pixelStart + i + 3] != 0;
  }
  for (int y = 0; y < height; ++y) {
    const std::size_t row = static_cast<std::size_t>(height - 1 - y);  // rows are bottom-up
    const std::uint8_t* pixels = bytes + pixelStart + row * rowBytes;
    const std::uint8_t* mask = bytes + maskStart + row * maskRowBytes;
    for (int x = 0; x < width; ++x) {
      std::uint32_t colour = 0;
      std::uint32_t alpha = bitOf(mask, x) ? 0 : 0xFF;
      if (bits <= 8) {
        const unsigned index =
            bits == 8 ? pixels[x]
                      : (pixels[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
        if (index < colours) colour = u32(bytes + tableStart + 4 * index) & 0xFFFFFF;
      } else {
        const std::uint8_t* p = pixels + x * (bits / 8);
        colour = p[0] | (p[1] << 8) | (p[2] << 16);
        if (hasAlpha) alpha = p[3];
      }
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          alpha == 0 ? 0 : (alpha << 24) | colour;
    }
  }
  return image;
}

std::optional<CursorImage> loadCursorImage(HMODULE module, LPCSTR name, bool icon)
{
  const Bytes group = resourceBytes(module, name, icon ? RT_GROUP_ICON : RT_GROUP_CURSOR);
  if (!group.data || group.size < 6 || u16(group.data + 2) != (icon ? 1u : 2u)) return std::nullopt;
  const unsigned count = u16(group.data + 4);
  if (count == 0 || group.size < 6 + 14 * static_cast<std::size_t>(count)) return std::nullopt;
  const std::uint8_t* entry = group.data + 6 + 14 * choosePicture(group, count, icon);
  const unsigned id = u16(entry + 12);
  const Bytes picture = resourceBytes(module, MAKEINTRESOURCEA(id), icon ? RT_ICON : RT_CURSOR);
  if (!picture.data) return std::nullopt;
  std::optional<CursorImage> image;
  if (icon) {
    image = decodeIconBitmap(picture.data, picture.size);
    if (image) image->hotSpot = {image->width / 2, image->height / 2};
  } else if (picture.size > 4) {
    image = decodeIconBitmap(picture.data + 4, picture.size - 4);
    if (image) {
      image->hotSpot = {static_cast<LONG>(u16(picture.data)),
                        static_cast<LONG>(u16(picture.data + 2))};
    }
  }
  return image;
}

}  // namespace omwin
