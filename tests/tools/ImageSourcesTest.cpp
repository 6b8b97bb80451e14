// The packer turns PNG sources into animations, backgrounds and colour tables that the
// engine reads back from the resource file.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/OMFileServices.h"
#include "framework/OMIStream.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMResFile.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/CanvasPixels.h"
#include "tests/support/TempFolder.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/PngFile.h"
#include "tools/ResourceManifest.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMColorTable.h"
#include "trinkets/src/OMFrameDecoder.h"
#include "trinkets/src/OMTBackground.h"

namespace {

std::uint32_t pixel(OMMemCanvas& canvas, int x, int y)
{
  return omtest::canvasPixel(canvas, x, y);
}

TEST(ImageSources, PngSourcesBecomeResourcesTheEngineDraws)
{
  omtest::TestApp session;
  terminateFileServices();
  TempFolder dir;
  constexpr int width = 11, height = 6;
  pngfile::Image indexed;
  indexed.indexed = true;
  indexed.width = width;
  indexed.height = height;
  indexed.transparentIndex = 4;
  for (int i = 0; i < 256; ++i) {
    indexed.palette[3 * i] = std::uint8_t(i);
    indexed.palette[3 * i + 1] = std::uint8_t(255 - i);
    indexed.palette[3 * i + 2] = std::uint8_t(i * 7);
  }
  pngfile::Bytes rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      indexed.indices.push_back(std::uint8_t(x < 3 ? 4 : x < 7 ? 9 : x * 16 + y));
      rgb.insert(rgb.end(), {std::uint8_t(x * 23), std::uint8_t(y * 40), 255});
    }
  ASSERT_TRUE(pngfile::writeIndexedPng(dir.file("sprite.png"), indexed));
  ASSERT_TRUE(pngfile::writeRgbPng(dir.file("scene.png"), width, height, rgb));
  // Damaged ones beside them: a background cut in its packed data, an animation whose
  // sequence has no end.
  auto cut = writeBackground(width, height, std::vector<std::uint16_t>(width * height, 0x1234));
  cut.resize(cut.size() - 2);
  dir.write("cut.bk16", cut);
  dir.write("open.aseq", std::vector<unsigned char>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                    0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  dir.write("m.txt",
            "ASEQ 100 sprite.png\nRRGB 100 sprite.png\nBK16 200 scene.png\n"
            "BK16 300 cut.bk16\nASEQ 301 open.aseq\n");
  const std::string command =
      std::string(RSCPACK_PATH) + " --output " + dir.file("a.rsc") + " " + dir.file("m.txt");
  ASSERT_EQ(std::system(command.c_str()), 0);
  openResFile(dir.file("a.rsc").c_str(), 1);

  // The animation's pixels, with the PNG's transparent index skipped.
  OMMemCanvas eight(width + 2, height, 8, 0);
  eight.setBackground(OMRGBColor::fromIndex(1));
  ASSERT_TRUE(drawFirstImage(&eight, openResourceStream(100, "ASEQ", -1).release()));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width + 2; ++x) {
      const int index = x >= width ? 1 : indexed.indices[std::size_t(y * width + x)];
      ASSERT_EQ(pixel(eight, x, y), std::uint32_t(index == 4 ? 1 : index)) << x << "," << y;
    }

  // The palette, each channel c kept as c << 8 | c, and its 5-5-5 pixels.
  OMRGBColor colours[256];
  ASSERT_TRUE(loadColorTable(openResourceStream(100, "RRGB", -1).release(), colours));
  OMMemCanvas sixteen(width, height, 16, 0);
  std::uint32_t table[256];
  makePixelTable(colours, sixteen, table);
  for (int i : {0, 1, 128, 255}) {
    EXPECT_EQ(colours[i], OMRGBColor(std::uint16_t(i * 0x101), std::uint16_t((255 - i) * 0x101),
                                     std::uint16_t((i * 7 & 255) * 0x101)));
    EXPECT_EQ(table[i], pixel555(i, 255 - i, i * 7 & 255));
  }
  EXPECT_FALSE(loadColorTable(openResourceStream(200, "BK16", -1).release(), colours));

  // The background, 8-bit channels narrowed to five bits.
  OMTBackground background(OMRect(0, 0, width, height),
                           openResourceStream(200, "BK16", -1).release());
  auto& canvas = *static_cast<OMMemCanvas*>(background.canvas());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(pixel(canvas, x, y), pixel555(x * 23, y * 40, 255));
  // Damaged resources draw nothing and say so, naming class, type and id, under OM_TRACE.
  {
    ScopedEnv trace("OM_TRACE", "1");
    testing::internal::CaptureStderr();
    OMTBackground damaged(OMRect(0, 0, width, height),
                          openResourceStream(300, "BK16", -1).release());
    EXPECT_FALSE(drawFirstImage(&eight, openResourceStream(301, "ASEQ", -1).release()));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("om: OMTBackground: damaged BK16 resource 300: "), std::string::npos)
        << said;
    EXPECT_NE(said.find("om: OMDrawLayer: damaged ASEQ resource 301: "), std::string::npos);
    EXPECT_NE(pixel(*static_cast<OMMemCanvas*>(damaged.canvas()), 3, 3), 0x1234u);
  }
  closeResFile(dir.file("a.rsc").c_str(), 1);
  terminateFileServices();

  // A PNG that is no palette image makes no animation: the packer says which line.
  dir.write("bad.txt", "ASEQ 5 scene.png\n");
  const std::string refused = std::string(RSCPACK_PATH) + " --output " + dir.file("b.rsc") + " " +
                              dir.file("bad.txt") + " 2>/dev/null";
  EXPECT_NE(std::system(refused.c_str()), 0);
}

// Several palette PNGs become the images of one animation, in order, with the ending asked
// for; frames that cannot share one colour table are refused.
TEST(ImageSources, FramesBecomeOneAnimationWithItsEnding)
{
  TempFolder dir;
  constexpr int width = 5, height = 4;
  pngfile::Image frame;
  frame.indexed = true;
  frame.width = width;
  frame.height = height;
  frame.transparentIndex = 0;
  for (int i = 0; i < 256; ++i)
    frame.palette[3 * i] = std::uint8_t(i);
  auto colourOf = [](int f, int x, int y) { return (x + y + f) % 4 == 0 ? 0 : 10 * (f + 1) + x + y; };
  for (int f = 0; f < 3; ++f) {
    frame.indices.clear();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        frame.indices.push_back(std::uint8_t(colourOf(f, x, y)));
    ASSERT_TRUE(pngfile::writeIndexedPng(dir.file("f" + std::to_string(f) + ".png"), frame));
  }
  frame.palette[3] = 99;
  ASSERT_TRUE(pngfile::writeIndexedPng(dir.file("other.png"), frame));
  ASSERT_TRUE(pngfile::writeRgbPng(dir.file("rgb.png"), 1, 1, {1, 2, 3}));

  using Entry = std::vector<int>;
  const int end = OMFrameEntry::end, loop = OMFrameEntry::loop, hold = OMFrameEntry::hold;
  const struct {
    const char* source;
    std::vector<int> images;  // the sequence's entries, control codes included
  } made[] = {
      {"!aseq loop f0.png f1.png f2.png", {0, 1, 2, loop, end}},
      {"!aseq hold f0.png f1.png", {0, hold, 1, hold, end}},
      {"!aseq once f2.png", {0, end}},
  };
  for (const auto& m : made) {
    SCOPED_TRACE(m.source);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(makeGeneratedContent(m.source, dir.path(), bytes, error)) << error;
    OMAnimationHeader header;
    ASSERT_TRUE(parseAnimationHeader(bytes.data(), bytes.size(), header));
    EXPECT_EQ(header.frameRate, 8);
    ASSERT_EQ(header.sequenceCount, 1);
    Entry images;
    for (int i = 0; i < header.sequenceLengths[0]; ++i)
      images.push_back(header.sequenceTable[0][i].image);
    EXPECT_EQ(images, m.images);
    // Each image holds its frame's pixels, index 0 left transparent.
    const int frames = header.imageCount;
    for (int i = 0; i < frames; ++i) {
      const int f = frames == 1 ? 2 : i;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const int expected = colourOf(f, x, y);
          ASSERT_EQ(imageColorAt(header.image(i), 0, x, y), expected == 0 ? -1 : expected)
              << i << ": " << x << "," << y;
        }
    }
  }
  for (const char* refused : {"!aseq spin f0.png", "!aseq loop", "!aseq loop f0.png other.png",
                              "!aseq hold rgb.png", "!aseq once f0.png missing.png"}) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(makeGeneratedContent(refused, dir.path(), bytes, error)) << refused;
    EXPECT_FALSE(error.empty()) << refused;
  }
  // In a manifest the frames' names are not taken for one PNG source.
  dir.write("m.txt", "ASEQ 3 !aseq loop f0.png f1.png\n");
  NEResourceWriter writer;
  std::string error;
  EXPECT_TRUE(readResourceManifest(dir.file("m.txt"), writer, error)) << error;
}

}  // namespace
