#include "tests/platform/GdiTestCanvas.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/PngWriter.h"

namespace omtest {

GdiTestCanvas::GdiTestCanvas(int width, int height, int bitsPerPixel, bool topDown,
                             const std::vector<RGBQUAD>& colors)
    : width_(width), height_(height), bitsPerPixel_(bitsPerPixel), topDown_(topDown)
{
  std::vector<std::uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
  info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                     width,
                                     topDown ? -height : height,
                                     1,
                                     static_cast<WORD>(bitsPerPixel),
                                     BI_RGB,
                                     0,
                                     0,
                                     0,
                                     static_cast<DWORD>(colors.size()),
                                     0};
  if (!colors.empty()) std::memcpy(info->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  oldBitmap_ = SelectObject(dc_, bitmap_);
}

GdiTestCanvas::~GdiTestCanvas()
{
  SelectObject(dc_, oldBitmap_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void GdiTestCanvas::fill(COLORREF color)
{
  HBRUSH brush = CreateSolidBrush(color);
  const RECT all{0, 0, width_, height_};
  FillRect(dc_, &all, brush);
  DeleteObject(brush);
}

std::vector<COLORREF> GdiTestCanvas::pixels() const
{
  std::vector<COLORREF> out;
  out.reserve(static_cast<std::size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x)
      out.push_back(GetPixel(dc_, x, y));
  }
  return out;
}

namespace {

void save(const std::string& path, int width, int height, const std::vector<COLORREF>& picture)
{
  std::vector<std::uint8_t> rgb;
  for (COLORREF c : picture)
    rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
  writePng(path, width, height, rgb);
}

}  // namespace

void expectPicture(const std::string& name, int width, int height,
                   const std::vector<COLORREF>& actual, const std::vector<COLORREF>& expected)
{
  ASSERT_EQ(actual.size(), expected.size());
  int wrong = 0;
  std::size_t first = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i] && wrong++ == 0) first = i;
  }
  if (wrong == 0) return;
  save(name + "-actual.png", width, height, actual);
  save(name + "-expected.png", width, height, expected);
  ADD_FAILURE() << name << ": " << wrong << " pixels differ; first at (" << first % width << ", "
                << first / width << "): 0x" << std::hex << actual[first] << " instead of 0x"
                << expected[first] << " (pictures written as " << name << "-*.png)";
}

std::vector<COLORREF> pictureOf(int width, int height,
                                const std::function<COLORREF(int x, int y)>& rule)
{
  std::vector<COLORREF> out;
  out.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      out.push_back(rule(x, y));
  }
  return out;
}

}  // namespace omtest
