#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace omtest {

// A memory device context with a DIB section selected, for drawing tests.
class GdiTestCanvas {
 public:
  GdiTestCanvas(int width, int height, int bitsPerPixel, bool topDown = true,
                const std::vector<RGBQUAD>& colors = {});
  ~GdiTestCanvas();
  GdiTestCanvas(const GdiTestCanvas&) = delete;
  GdiTestCanvas& operator=(const GdiTestCanvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  std::uint8_t* bits() const { return static_cast<std::uint8_t*>(bits_); }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return ((width_ * bitsPerPixel_ + 31) / 32) * 4; }
  // Row y as drawn (top first), whatever the row order in memory.
  std::uint8_t* row(int y) const { return bits() + (topDown_ ? y : height_ - 1 - y) * stride(); }

  void fill(COLORREF color);
  std::vector<COLORREF> pixels() const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  void* bits_ = nullptr;
  int width_;
  int height_;
  int bitsPerPixel_;
  bool topDown_;
};

// Compares a picture with the expected one; on a difference it fails the test with the first
// wrong pixel and writes both pictures as PNG files named after `name` in the working folder.
void expectPicture(const std::string& name, int width, int height,
                   const std::vector<COLORREF>& actual, const std::vector<COLORREF>& expected);
std::vector<COLORREF> pictureOf(int width, int height,
                                const std::function<COLORREF(int x, int y)>& rule);

}  // namespace omtest
