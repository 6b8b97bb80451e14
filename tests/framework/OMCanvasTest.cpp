// Canvases on the headless host: copies with their clipping and depth rules, colours through
// the palette, and the pictures the drawing operations make.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/OMBitmap.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "framework/OMSysFont.h"
#include "framework/OMWindow.h"
#include "framework/OMWndCanvas.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/PngWriter.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A 16-bit pixel of a canvas, as 8-bit channels of its 5-5-5 value.
Rgb pixel(OMMemCanvas& canvas, int x, int y)
{
  void* bits = nullptr;
  int pitch = 0;
  if (!canvas.lockBits(&bits, &pitch)) return {-1, -1, -1};
  std::uint16_t value = 0;
  std::memcpy(&value, static_cast<std::uint8_t*>(bits) + y * pitch + x * 2, 2);
  canvas.unlockBits();
  return {((value >> 10) & 31) << 3, ((value >> 5) & 31) << 3, (value & 31) << 3};
}

const OMRGBColor red = OMRGBColor::fromBytes(255, 0, 0);
const OMRGBColor blue = OMRGBColor::fromBytes(0, 0, 255);
const OMRGBColor white = OMRGBColor::fromBytes(255, 255, 255);

// Compares a canvas with a picture: one text row per pixel row, '.' white, 'R' red, 'B' blue,
// '?' anything. A mismatch writes the canvas as PNG under the build folder.
void expectPicture(OMMemCanvas& canvas, const std::vector<std::string>& rows, const char* name)
{
  const std::pair<char, Rgb> keys[] = {
      {'.', {248, 248, 248}}, {'R', {248, 0, 0}}, {'B', {0, 0, 248}}};
  bool same = true;
  for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
    for (int x = 0; x < static_cast<int>(rows[y].size()); ++x) {
      if (rows[y][x] == '?') continue;
      for (const auto& [key, colour] : keys)
        if (key == rows[y][x] && !(pixel(canvas, x, y) == colour)) same = false;
    }
  }
  if (same) return;
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb p = pixel(canvas, x, y);
      rgb.insert(rgb.end(), {static_cast<std::uint8_t>(p.r), static_cast<std::uint8_t>(p.g),
                             static_cast<std::uint8_t>(p.b)});
    }
  }
  const std::string path = std::string(name) + "-actual.png";
  omtest::writePng(path, canvas.width(), canvas.height(), rgb);
  ADD_FAILURE() << name << " differs from its picture; what was drawn is in " << path;
}

class CanvasTest : public ::testing::Test {
 protected:
  omtest::TestApp session_;
};

TEST_F(CanvasTest, CopiesClipSourceAndDestinationTogether)
{
  OMMemCanvas source(8, 8, 16, 0);
  source.setBackground(red);
  OMMemCanvas target(20, 20, 16, 0);
  target.setBackground(white);
  EXPECT_EQ(target.formatCode(), 0x555);
  // Two columns of the source's four lie left of it: the destination moves by as much.
  target.copyBits(&source, -2, 0, 4, 2, 10, 10, SRCCOPY, nullptr);
  for (int x = 9; x <= 14; ++x) {
    const bool copied = x == 12 || x == 13;
    const Rgb expected = copied ? Rgb{248, 0, 0} : Rgb{248, 248, 248};
    EXPECT_EQ(pixel(target, x, 10), expected) << x;
  }
  EXPECT_EQ(pixel(target, 12, 12), (Rgb{248, 248, 248}));
  // Off the destination's far side: cut there, nothing wraps.
  target.copyBits(&source, 0, 0, 8, 8, 18, -6, SRCCOPY, nullptr);
  EXPECT_EQ(pixel(target, 19, 1), (Rgb{248, 0, 0}));
  EXPECT_EQ(pixel(target, 19, 2), (Rgb{248, 248, 248}));
  EXPECT_EQ(pixel(target, 0, 1), (Rgb{248, 248, 248}));
  // A transparent copy without DirectDraw copies every pixel.
  source.setTransparentColor(red);
  target.copyBits(&source, 0, 0, 2, 2, 0, 0, -static_cast<long>(SRCCOPY), nullptr);
  EXPECT_EQ(pixel(target, 1, 1), (Rgb{248, 0, 0}));
}

// A window canvas is read only where its window shows: inside the frame's client area and on
// the screen. Elsewhere the screen holds other pixels; the copy is cut off on both sides.
TEST(CanvasCopy, AWindowCanvasIsReadOnlyWhereItsWindowShows)
{
  omtest::TestApp session(0);  // a frame that can be moved
  const HWND frame = session.app().frameWindow();
  MoveWindow(frame, 96, 27, 640, 480, TRUE);
  POINT frameOrigin{0, 0};
  ClientToScreen(frame, &frameOrigin);
  ASSERT_EQ(frameOrigin.x, 100);
  ASSERT_EQ(frameOrigin.y, 50);
  const struct {
    OMRect place;  // in the frame's client area; the screen is 640x480
    OMRect shown;  // the part of the 200x100 client area that shows
  } cases[] = {
      {OMRect(-50, 20, 150, 120), OMRect(50, 0, 200, 100)},  // left of the frame's client area
      {OMRect(100, -30, 300, 70), OMRect(0, 30, 200, 100)},  // above it
      {OMRect(450, 20, 650, 120), OMRect(0, 0, 90, 100)},    // past the screen's right edge
      {OMRect(10, 10, 210, 110), OMRect(0, 0, 200, 100)},
  };
  for (const auto& c : cases) {
    OMWindow window(c.place, 0, 0);
    window.activate();
    omtest::runPasses(2);
    window.canvas()->setFillColor(red);
    window.canvas()->setFrameColor(red);
    window.canvas()->drawRect(OMRect(0, 0, 200, 100));
    OMMemCanvas target(200, 100, 16, 0);
    target.setBackground(white);
    target.copyBits(window.canvas(), 0, 0, 200, 100, 0, 0, SRCCOPY, nullptr);
    int wrong = 0;
    std::string first;
    for (int x = 0; x < 200; ++x) {
      for (int y = 0; y < 100; ++y) {
        const Rgb expected =
            c.shown.containsPoint(OMPoint(x, y)) ? Rgb{248, 0, 0} : Rgb{248, 248, 248};
        if (pixel(target, x, y) == expected || wrong++) continue;
        first = std::to_string(x) + "," + std::to_string(y);
      }
    }
    EXPECT_EQ(wrong, 0) << "window at " << c.place.left() << "," << c.place.top()
                        << ", first wrong pixel " << first;
  }
}

TEST_F(CanvasTest, DifferentDepthsCopyOnlyThroughAClipRegion)
{
  OMMemCanvas eight(4, 4, 8, 0);
  eight.setBackground(OMRGBColor::fromIndex(4));  // static colour (0, 0, 128)
  OMMemCanvas target(4, 4, 16, 0);
  target.setBackground(white);
  target.copyBits(&eight, 0, 0, 4, 4, 0, 0, SRCCOPY, nullptr);
  EXPECT_EQ(pixel(target, 1, 1), (Rgb{248, 248, 248}));
  const OMRegion left(OMRect(0, 0, 2, 4));
  target.copyBits(&eight, 0, 0, 4, 4, 0, 0, SRCCOPY, &left);
  EXPECT_EQ(pixel(target, 1, 1), (Rgb{0, 0, 128}));
  EXPECT_EQ(pixel(target, 2, 1), (Rgb{248, 248, 248}));
  // An 8-bit destination takes nothing from a deeper source.
  eight.copyBits(&target, 0, 0, 4, 4, 0, 0, SRCCOPY, &left);
  OMMemCanvas check(4, 4, 16, 0);
  check.copyBits(&eight, 0, 0, 4, 4, 0, 0, SRCCOPY, &left);
  EXPECT_EQ(pixel(check, 0, 0), (Rgb{0, 0, 128}));
}

TEST_F(CanvasTest, PaletteIndicesOnADeepCanvasDrawTheEntrysColour)
{
  OMMemCanvas canvas(4, 4, 16, 0);
  canvas.setBackground(OMRGBColor::fromIndex(5));
  EXPECT_EQ(pixel(canvas, 0, 0), (Rgb{128, 0, 128}));
  OMRGBColor colours[OMCanvas::paletteSize];
  canvas.getPalette(colours);
  EXPECT_EQ(colours[255], white);
  EXPECT_EQ(colours[100], OMRGBColor());  // reserved entries start black
  colours[5] = OMRGBColor::fromBytes(0, 255, 0);
  canvas.setPalette(colours);
  EXPECT_EQ(canvas.getPaletteEntry(5), colours[5]);
  EXPECT_EQ(canvas.getPaletteEntry(256), OMRGBColor());
  canvas.setBackground(OMRGBColor::fromIndex(5));
  EXPECT_EQ(pixel(canvas, 3, 3), (Rgb{0, 248, 0}));
  // No colour at all leaves the pixels as they are.
  canvas.setBackground(OMRGBColor::fromIndex(-2));
  EXPECT_EQ(pixel(canvas, 3, 3), (Rgb{0, 248, 0}));
}

TEST_F(CanvasTest, RectanglesRegionsAndLinesMakeTheirPictures)
{
  OMMemCanvas canvas(12, 8, 16, 0);
  canvas.setBackground(white);
  canvas.setFillColor(red);
  canvas.setFrameColor(blue);
  canvas.drawRect(OMRect(1, 1, 5, 5));
  canvas.setFrame(false);
  canvas.drawRect(OMRect(6, 1, 8, 3));
  canvas.setFill(false);
  canvas.setFrame(true);
  canvas.drawLine(0, 7, 3, 7);
  canvas.setFill(true);
  canvas.setFrame(false);
  OMRegion region(OMRect(9, 4, 11, 6));
  region.unionWith(OMRegion(OMRect(10, 6, 12, 7)));
  canvas.drawRegion(region);
  expectPicture(canvas,
                {
                    "............",
                    ".BBBB.RR....",
                    ".BRRB.RR....",
                    ".BRRB.......",
                    ".BBBB....RR.",
                    ".........RR.",
                    "..........RR",
                    "BBBB........",
                },
                "canvas-shapes");
}

TEST_F(CanvasTest, BitmapsWithTheMaskFlagLeaveTheirTransparentPixels)
{
  OMBitmap bitmap(300, nullptr);
  ASSERT_TRUE(bitmap.hasBits());
  OMMemCanvas canvas(7, 4, 16, 0);
  canvas.setBackground(white);
  canvas.drawDIB(1, 1, &bitmap);
  EXPECT_EQ(pixel(canvas, 1, 1), (Rgb{0, 0, 248}));  // index 252 is copied as it is
  canvas.setBackground(white);
  canvas.setMaskDrawing(true);
  canvas.drawDIB(1, 1, &bitmap);
  // The bitmap's rows, bottom first: 1 T 3 T 5 / T 7 8 9 T (T = 252).
  const Rgb w{248, 248, 248};
  const std::vector<std::vector<Rgb>> expected = {
      {w, {192, 192, 192}, {192, 216, 192}, {160, 200, 240}, w},
      {{128, 0, 0}, w, {128, 128, 0}, w, {128, 0, 128}},
  };
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(pixel(canvas, 1 + x, 1 + y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(pixel(canvas, 0, 0), w);
}

TEST_F(CanvasTest, TextStandsOnItsBaselineInTheTextColour)
{
  OMMemCanvas canvas(60, 30, 16, 0);
  canvas.setBackground(white);
  canvas.setTextColor(blue);
  canvas.drawText(5, 20, "Hg");
  OMSysFont font;
  int inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Rgb p = pixel(canvas, x, y);
      if (p == Rgb{248, 248, 248}) continue;
      ++inked;
      EXPECT_EQ(p, (Rgb{0, 0, 248})) << x << "," << y;
      EXPECT_GE(y, 20 - font.ascent()) << x << "," << y;
      EXPECT_GE(x, 5);
    }
  }
  EXPECT_GT(inked, 10);
  // The H stands on the baseline: ink in the row just above it, left of the g.
  bool onBaseline = false;
  for (int x = 5; x < 12; ++x)
    onBaseline = onBaseline || pixel(canvas, x, 19) == Rgb{0, 0, 248};
  EXPECT_TRUE(onBaseline);
}

TEST_F(CanvasTest, AMinimizedWindowDrawsNothing)
{
  OMWindow window(OMRect(100, 100, 200, 200), 3, 1);
  window.activate();
  omtest::runPasses(3);
  OMWndCanvas* canvas = window.canvas();
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(canvas->width(), 100);
  auto& screen = session_.host().screen();
  auto screenPixel = [&screen](int x, int y) {
    std::uint16_t value = 0;
    std::memcpy(&value, screen.bytes.data() + y * screen.pitch + x * 2, 2);
    return value;
  };
  canvas->setFillColor(red);
  canvas->drawRect(OMRect(0, 0, 10, 10));
  EXPECT_EQ(screenPixel(105, 105), 0x7C00);
  ShowWindow(window.handle(), SW_MINIMIZE);
  omtest::runPasses(3);
  const std::vector<std::uint8_t> before = screen.bytes;
  canvas->setFillColor(blue);
  canvas->drawRect(OMRect(0, 0, 100, 100));
  canvas->drawLine(0, 0, 50, 0);
  EXPECT_EQ(screen.bytes, before);
}

}  // namespace
