#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <wingdi.h>

namespace omgdi {

// A rectangle of pixels at 1, 8, 16 (5-5-5), 24 or 32 bits, rows top-down or bottom-up, with
// a colour table at 1 and 8 bits. Raw pixel values are the bits as stored (an index, a 5-5-5
// word, or 0x00RRGGBB for 24 and 32 bits). Colours are COLORREF values (0x00BBGGRR).
class Surface {
 public:
  // Owns zeroed pixel memory.
  Surface(int width, int height, int bitsPerPixel, bool topDown);
  // Pixels that belong to someone else (the virtual screen).
  Surface(int width, int height, int bitsPerPixel, bool topDown, std::uint8_t* pixels, int stride);

  static bool isSupportedDepth(int bitsPerPixel);
  static int strideFor(int width, int bitsPerPixel);
  // Whether pixel memory of this size may be made (a bound against absurd headers).
  static bool fitsInMemory(int width, int height, int bitsPerPixel);

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return bitsPerPixel_; }
  int stride() const { return stride_; }
  bool topDown() const { return topDown_; }
  bool hasColorTable() const { return bitsPerPixel_ <= 8; }
  std::uint8_t* pixels() { return pixels_; }
  const std::uint8_t* pixels() const { return pixels_; }
  std::size_t byteSize() const { return static_cast<std::size_t>(stride_) * height_; }

  // A monochrome bitmap takes the device context's text and background colours when copied
  // to colour; its table is black and white.
  bool isMonochrome() const { return monochrome_; }
  void setMonochrome(bool monochrome) { monochrome_ = monochrome; }

  std::uint8_t* row(int y);
  const std::uint8_t* row(int y) const;
  std::uint32_t pixelMask() const;

  std::uint32_t rawPixel(int x, int y) const;
  void setRawPixel(int x, int y, std::uint32_t raw);
  // Raw values of n pixels of row y from x (all inside the surface).
  void readRow(int x, int y, int n, std::uint32_t* out) const;
  void writeRow(int x, int y, int n, const std::uint32_t* in);
  void fillRow(int x, int y, int n, std::uint32_t raw);

  const std::vector<RGBQUAD>& colorTable() const { return colorTable_; }
  void setColorTable(UINT start, UINT count, const RGBQUAD* colors);
  COLORREF colorOf(std::uint32_t raw) const;
  // The raw value that shows `color` best: packed for deep surfaces, the nearest table entry
  // (lowest index on ties) at 1 and 8 bits.
  std::uint32_t rawOf(COLORREF color) const;
  // The colour table as 5-5-5 words, one per index (made once per change of the table).
  const std::vector<std::uint16_t>& tableAs555() const;

 private:
  int width_;
  int height_;
  int bitsPerPixel_;
  int stride_;
  bool topDown_;
  bool monochrome_ = false;
  std::vector<std::uint8_t> owned_;
  std::uint8_t* pixels_;
  std::vector<RGBQUAD> colorTable_;
  mutable std::unordered_map<COLORREF, std::uint32_t> nearestCache_;
  mutable std::vector<std::uint16_t> tableAs555_;
};

COLORREF colorOfQuad(const RGBQUAD& quad);
RGBQUAD quadOf(COLORREF color);
// Squared distance of two colours in RGB space.
int colorDistance(COLORREF a, COLORREF b);
std::uint32_t pack555(COLORREF color);
COLORREF unpack555(std::uint32_t raw);

}  // namespace omgdi
