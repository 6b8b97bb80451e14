#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

class OMResModule;

// A bitmap read from a "BITMAP" resource: its information header, colour table and bits, as
// one owned block, and its transparent colour.
class OMBitmap {
 public:
  static constexpr int transparent8Bit = 252;

  // Null module: the program's own resources. An 8-bit image with a full colour table takes
  // the system's 20 reserved colours of the current palette into its first and last ten
  // entries, so that it draws them as the screen shows them.
  OMBitmap(int resourceId, OMResModule* module);
  ~OMBitmap();
  OMBitmap(const OMBitmap&) = delete;
  OMBitmap& operator=(const OMBitmap&) = delete;

  bool hasBits() const { return bitsOffset_ != 0; }
  std::int32_t width() const { return width_; }
  // Rows as stored: positive bottom-up, negative top-down.
  std::int32_t height() const { return height_; }
  int bitCount() const { return bitCount_; }
  int colorCount() const { return colorCount_; }
  // The information header, followed by the colour table and the bits.
  const std::uint8_t* info() const { return hasBits() ? image_.data() : nullptr; }
  // Blue, green, red, reserved for each entry.
  const std::uint8_t* colorTable() const { return hasBits() ? image_.data() + 40 : nullptr; }
  const std::uint8_t* bits() const { return hasBits() ? image_.data() + bitsOffset_ : nullptr; }
  int rowBytes() const { return (width_ * bitCount_ + 31) / 32 * 4; }
  // 252 for 8-bit images; deeper images have no transparent index (-1).
  int transparentIndex() const { return bitCount_ == 8 ? transparent8Bit : -1; }

  // One bit per pixel, rows padded to 4 bytes in the bitmap's row order; a set bit marks a
  // transparent pixel: index 252 in 8-bit images, the colour of the first stored pixel in
  // 16- and 24-bit ones. Empty for other depths.
  std::vector<std::uint8_t> makeMask() const;

  // The device-independent bitmaps to draw with, made on first use and owned by the bitmap:
  // the image with its colour table, and its mask (black where the image shows, white where
  // it is transparent). Null without bits, or for a mask of a depth that has none.
  HBITMAP dib();
  HBITMAP maskDib();

 private:
  bool take(const std::uint8_t* content, std::int32_t length);
  void takeReservedColors();

  std::vector<std::uint8_t> image_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  int bitCount_ = 0;
  int colorCount_ = 0;
  std::size_t bitsOffset_ = 0;
  HBITMAP dib_ = nullptr;
  HBITMAP maskDib_ = nullptr;
};
