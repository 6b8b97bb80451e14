// Packed backgrounds, the white base layer and saved areas.
#include <cstring>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "framework/OMIStreamFile.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMRegion.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/TempFolder.h"
#include "tools/BackgroundWriter.h"
#include "trinkets/src/OMDrawLayer.h"
#include "trinkets/src/OMTBackground.h"
#include "trinkets/src/StampCanvas.h"

namespace {

std::uint32_t pixelAt(OMMemCanvas& canvas, int x, int y)
{
  return omtest::canvasPixel(canvas, x, y);
}

std::vector<std::uint16_t> pattern(int width, int height)
{
  std::vector<std::uint16_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back(x == 0 ? 0x7FFF : y == 0 ? 0 : std::uint16_t((x * 1237 + y * 31) & 0x7FFF));
  return pixels;
}

class Backgrounds : public ::testing::Test {
 protected:
  omtest::TestApp session_;
};

TEST_F(Backgrounds, PackedPixelsReachTheCanvasOddWidthsToo)
{
  for (int width : {8, 7}) {
    const int height = 5;
    const auto pixels = pattern(width, height);
    const auto resource = writeBackground(width, height, pixels);
    ASSERT_FALSE(resource.empty());
    // From a stream, as the stage gets it from a file or a resource file.
    TempFolder dir;
    dir.write("bg.bk16", std::string(resource.begin(), resource.end()));
    OMTBackground layer(OMRect(0, 0, width, height),
                        new OMIStreamFile(dir.file("bg.bk16").c_str(), -1, nullptr));
    auto& canvas = *static_cast<OMMemCanvas*>(layer.canvas());
    ASSERT_EQ(canvas.formatCode(), 0x555);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(pixelAt(canvas, x, y), pixels[std::size_t(y * width + x)]) << x << "," << y;
    EXPECT_EQ(pixelAt(canvas, 0, 1), 0x7FFF);

    // The layer paints only the area asked for.
    OMMemCanvas target(width, height, 16, 0);
    target.setBackground(OMRGBColor(0, 0, 0xFF00));
    const OMRect painted = layer.draw(&target, OMRegion(OMRect(1, 1, 3, 4)));
    EXPECT_EQ(painted, OMRect(1, 1, 3, 4));
    EXPECT_EQ(pixelAt(target, 2, 3), pixels[std::size_t(3 * width + 2)]);
    EXPECT_EQ(pixelAt(target, 3, 3), 0x001F);
  }
}

TEST_F(Backgrounds, PixelsTakeTheCanvasChannelLayout)
{
  struct Case {
    std::uint32_t red, green, blue;
    std::uint16_t stored, expected;
  } cases[] = {
      {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x7FFF}, {0xF800, 0x07E0, 0x001F, 0x7FFF, 0xFFFF},
      {0xF800, 0x07E0, 0x001F, 0x0000, 0x0020}, {0xF800, 0x07E0, 0x001F, 0x4210, 0x8430},
      {0x0F00, 0x00F0, 0x000F, 0x7FFF, 0x0FFF}, {0x001F, 0x03E0, 0x7C00, 0x7C00, 0x001F},
  };
  for (const Case& c : cases) {
    std::uint8_t bytes[2] = {std::uint8_t(c.stored >> 8), std::uint8_t(c.stored)};
    OMTBackground::convertPixels(bytes, 1, c.red, c.green, c.blue);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, c.expected) << std::hex << c.red << " " << c.stored;
  }
}

TEST_F(Backgrounds, DamagedResourcesLeaveTheCanvasAsItWas)
{
  auto resource = writeBackground(6, 4, pattern(6, 4));
  OMMemCanvas canvas(6, 4, 16, 0);
  canvas.setBackground(OMRGBColor(0xFF00, 0, 0));
  auto set32 = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
    return bytes;
  };
  const std::vector<std::uint8_t> damaged[] = {
      {resource.begin(), resource.begin() + 20},  // cut in its header
      {resource.begin(), resource.end() - 3},     // packed data cut
      set32(resource, 16, 6 * 4 * 2 - 2),         // rows larger than the unpacked size
      set32(resource, 16, 0x7FFFFFFF),            // more than the packed data can give
      set32(resource, 20, std::uint32_t(resource.size())),
      set32(set32(resource, 4, 7), 16, 7 * 4 * 2),  // unpacks short of its size
  };
  for (const auto& bytes : damaged) {
    EXPECT_FALSE(OMTBackground::decode(bytes.data(), bytes.size(), canvas));
    EXPECT_EQ(pixelAt(canvas, 5, 3), 0x7C00);
  }
}

TEST_F(Backgrounds, TheBaseLayerPaintsWhiteAndStampsRestoreInReverse)
{
  OMMemCanvas target(10, 10, 16, 0);
  target.setBackground(OMRGBColor());
  OMDrawLayer base;
  EXPECT_EQ(base.canvas(), nullptr);
  EXPECT_EQ(base.draw(&target, OMRegion(OMRect(2, 2, 20, 5))), OMRect(2, 2, 10, 5));
  EXPECT_EQ(pixelAt(target, 9, 4), 0x7FFF);
  EXPECT_EQ(pixelAt(target, 9, 5), 0);

  for (int depth : {8, 16}) {
    OMMemCanvas picture(10, 10, depth, 0);
    picture.setBackground(OMRGBColor::fromIndex(3));
    const std::uint32_t before = pixelAt(picture, 4, 4);
    StampCanvas first(OMRect(2, 2, 6, 6), &picture);
    picture.setBackground(OMRGBColor(0xFF00, 0xFF00, 0));
    StampCanvas second(OMRect(4, 4, 8, 8), &picture);
    picture.setBackground(OMRGBColor(0, 0xFF00, 0));
    second.restore(&picture);
    EXPECT_NE(pixelAt(picture, 4, 4), before);
    EXPECT_NE(pixelAt(picture, 7, 7), pixelAt(picture, 1, 1));
    first.restore(&picture);
    EXPECT_EQ(pixelAt(picture, 4, 4), before) << depth;
    EXPECT_EQ(pixelAt(picture, 2, 2), before);
  }
}

}  // namespace
