// The frame decoders against a plain rasterizer of the writer's codes.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/OMMemCanvas.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/PngWriter.h"
#include "tools/AnimationWriter.h"
#include "trinkets/src/OMAnimationEncoder.h"
#include "trinkets/src/OMAnimationFormat.h"
#include "trinkets/src/OMFrameDecoder.h"

namespace {

using Bytes = AnimationWriter::Bytes;
using Code = AnimationWriter::Code;

// An image whose rows mix every kind of code, the longest ones and zero-length ones among
// them.
AnimationWriter::Image randomImage(std::mt19937& random, int width, int height)
{
  AnimationWriter::Image image;
  image.width = width;
  image.height = height;
  for (int r = 0; r < height; ++r) {
    std::vector<Code> row;
    for (int left = width; left > 0 || random() % 8 == 0;) {
      const int kind = int(random() % 3);
      const int longest = kind == 2 ? 254 : 255;
      int count = int(random() % std::uint32_t(std::min(left, longest) + 1));
      if (kind == 2 && count == 0) count = std::min(left, 1);
      if (kind == 2 && count == 0) break;
      if (random() % 6 == 0) count = std::min(left, longest);
      Code code{Code::Kind(kind), count, std::uint8_t(random()), {}};
      if (kind == 2)
        for (int i = 0; i < count; ++i)
          code.colours.push_back(std::uint8_t(random()));
      row.push_back(code);
      left -= count;
    }
    image.rows.push_back(row);
  }
  return image;
}

// The image's colour index at every source pixel (-1 transparent), read from the codes.
std::vector<int> rasterize(const AnimationWriter::Image& image)
{
  std::vector<int> pixels(std::size_t(image.width * image.height), -1);
  for (int r = 0; r < image.height; ++r) {
    int c = 0;
    for (const Code& code : image.rows[std::size_t(r)])
      for (int i = 0; i < (code.kind == Code::literal ? int(code.colours.size()) : code.count);
           ++i, ++c)
        if (code.kind != Code::skip)
          pixels[std::size_t(r * image.width + c)] =
              code.kind == Code::fill ? code.colour : code.colours[std::size_t(i)];
  }
  return pixels;
}

// Where direction d puts source pixel (c, r) of a w x h image.
void place(int d, int w, int h, int c, int r, int& column, int& row)
{
  if (d & 4) {
    column = (d & 1) ? r : h - 1 - r;
    row = (d & 2) ? w - 1 - c : c;
  } else {
    column = (d & 1) ? w - 1 - c : c;
    row = (d & 2) ? h - 1 - r : r;
  }
}

constexpr std::uint32_t sentinel8 = 0xEE;
constexpr std::uint32_t sentinel16 = 0x7FFF;

std::uint32_t tableValue(int index)
{
  return 0x8000u | std::uint32_t(index * 97 % 0x7FFF);
}

struct Pixels {
  OMMemCanvas& canvas;
  std::uint8_t* bits = nullptr;
  int pitch = 0;
  explicit Pixels(OMMemCanvas& c) : canvas(c)
  {
    void* b = nullptr;
    canvas.lockBits(&b, &pitch);
    bits = static_cast<std::uint8_t*>(b);
  }
  ~Pixels() { canvas.unlockBits(); }
  std::uint32_t at(int x, int y) const
  {
    std::uint32_t v = 0;
    std::memcpy(&v, bits + y * pitch + x * (canvas.depth() / 8), std::size_t(canvas.depth() / 8));
    return v;
  }
  void fill(std::uint32_t value)
  {
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        const int bytes = canvas.depth() / 8;
        std::memcpy(bits + y * pitch + x * bytes, &value, std::size_t(bytes));
      }
  }
};

// A failing picture is written next to the tests, grey by value, to be looked at.
void keepPicture(OMMemCanvas& canvas, const std::string& name)
{
  Pixels pixels(canvas);
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      rgb.insert(rgb.end(), 3, std::uint8_t(pixels.at(x, y) >> (canvas.depth() == 8 ? 0 : 8)));
  omtest::writePng(name + ".png", canvas.width(), canvas.height(), rgb);
}

class AnimationDecoding : public ::testing::Test {
 protected:
  void SetUp() override
  {
    for (int i = 0; i < 256; ++i)
      table_[i] = tableValue(i);
    setDecoderColorTable(table_);
  }
  void TearDown() override { setDecoderColorTable(nullptr); }

  omtest::TestApp session_;
  std::uint32_t table_[256];
};

TEST_F(AnimationDecoding, EveryDirectionDepthAndEdgeMatchesTheRasterizer)
{
  std::mt19937 random(41);
  AnimationWriter writer;
  std::vector<AnimationWriter::Image> images;
  const int sizes[][2] = {{1, 1}, {13, 7}, {7, 13}, {37, 23}, {300, 3}, {2, 2}};
  for (const auto& size : sizes) {
    images.push_back(randomImage(random, size[0], size[1]));
    writer.addImage(images.back());
  }
  AnimationWriter::Sequence sequence;
  for (int i = 0; i < int(images.size()); ++i)
    sequence.entries.push_back({0, 0, std::int16_t(i), 0});
  writer.addSequence(sequence);

  Bytes resource, swapped;
  ASSERT_TRUE(writer.build(resource)) << writer.error();
  writer.setBigEndian(true);
  ASSERT_TRUE(writer.build(swapped)) << writer.error();
  OMAnimationHeader header;
  // Loading swaps a big-endian resource into the little-endian one, once: a second user of
  // the same bytes does not swap them back.
  ASSERT_TRUE(parseAnimationHeader(swapped.data(), swapped.size(), header));
  ASSERT_TRUE(parseAnimationHeader(swapped.data(), swapped.size(), header));
  EXPECT_EQ(swapped, resource);
  ASSERT_TRUE(parseAnimationHeader(resource.data(), resource.size(), header));
  ASSERT_EQ(header.imageCount, int(images.size()));
  ASSERT_EQ(header.sequenceLengths[0], int(images.size()) + 1);
  EXPECT_EQ(header.sequenceTable[0][1].image, 1);
  {
    for (int depth : {8, 16, 24, 32}) {
      OMMemCanvas canvas(50, 40, depth, 0);
      const std::uint32_t sentinel = depth == 8 ? sentinel8 : sentinel16;
      for (std::size_t i = 0; i < images.size(); ++i) {
        const AnimationWriter::Image& source = images[i];
        const std::vector<int> expected = rasterize(source);
        const OMAnimationImage image = header.image(int(i));
        ASSERT_EQ(image.width(), source.width);
        for (int d = 0; d < 8; ++d) {
          const int w = d & 4 ? source.height : source.width;
          const int h = d & 4 ? source.width : source.height;
          // Inside, across each edge and corner, and through a clip smaller than the canvas.
          const int positions[][2] = {{3, 4},          {-w / 2, 5},     {5, -h / 2},
                                      {50 - w / 2, 9}, {9, 40 - h / 2}, {-w + 1, -h + 1},
                                      {49, 39},        {60, 5}};
          for (const auto& at : positions)
            for (bool clipped : {false, true}) {
              const OMRect clip = clipped ? OMRect(4, 6, 31, 27) : OMRect(0, 0, 50, 40);
              {
                Pixels(canvas).fill(sentinel);
              }
              const bool inside = at[0] >= 0 && at[1] >= 0 && at[0] + w <= 50 && at[1] + h <= 40;
              const bool intact = clipped || !inside
                                      ? drawClipped(at[0], at[1], image, &canvas, clip, d)
                                      : drawUnclipped(at[0], at[1], image, &canvas, d);
              ASSERT_TRUE(intact);
              std::vector<std::uint32_t> want(50 * 40, sentinel);
              for (int r = 0; r < source.height; ++r)
                for (int c = 0; c < source.width; ++c) {
                  const int index = expected[std::size_t(r * source.width + c)];
                  int column, row;
                  place(d, source.width, source.height, c, r, column, row);
                  ASSERT_EQ(imageColorAt(image, d, column, row), index);
                  const int x = at[0] + column, y = at[1] + row;
                  if (index < 0 || x < clip.left() || x >= clip.right() || y < clip.top() ||
                      y >= clip.bottom())
                    continue;
                  want[std::size_t(y * 50 + x)] =
                      depth == 8 ? std::uint32_t(index) : tableValue(index);
                }
              Pixels got(canvas);
              int wrong = 0;
              for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 50; ++x)
                  wrong += got.at(x, y) != want[std::size_t(y * 50 + x)];
              if (wrong) {
                keepPicture(canvas, "decode-failed-" + std::to_string(i) + "-" + std::to_string(d));
                FAIL() << wrong << " pixels differ: image " << i << " direction " << d << " depth "
                       << depth << " at " << at[0] << "," << at[1] << (clipped ? " clipped" : "");
              }
            }
          EXPECT_EQ(imageColorAt(image, d, -1, 0), -1);
          EXPECT_EQ(imageColorAt(image, d, w, h - 1), -1);
        }
      }
    }
  }
}

TEST_F(AnimationDecoding, PlacementAndDamagedHeaders)
{
  AnimationWriter writer;
  writer.addImage(AnimationWriter::Image::fromPixels(2, 1, {1, 2}, -1));
  writer.addSequence({{{0, 0, 0, 0}}, true});
  struct {
    int x, y, z;
  } placements[] = {{0, 2048, 7}, {-1, -2047, 255}, {1234, -5, 0}};
  for (const auto& p : placements) {
    writer.setPlacement(p.x, p.y, p.z);
    Bytes resource;
    ASSERT_TRUE(writer.build(resource));
    OMAnimationHeader header;
    ASSERT_TRUE(parseAnimationHeader(resource.data(), resource.size(), header));
    EXPECT_EQ(header.embeddedX, p.x);
    EXPECT_EQ(header.embeddedY, p.y);
    EXPECT_EQ(header.embeddedZ, p.z);
    // Every cut short of the whole is refused, and leaves nothing to draw.
    for (std::size_t size = 0; size < 40; ++size) {
      Bytes cut(resource.begin(), resource.begin() + std::min(size, resource.size()));
      const bool whole = size >= resource.size() - 3;  // the image's one row may be cut
      EXPECT_EQ(parseAnimationHeader(cut.data(), cut.size(), header), whole) << size;
      if (!whole) {
        EXPECT_EQ(header.imageCount, 0);
      }
    }
  }
  // A sequence without an end entry, and an image offset beyond the resource.
  AnimationWriter open;
  open.addImage(AnimationWriter::Image::fromPixels(1, 1, {3}, -1));
  open.addSequence({{{0, 0, 0, 0}}, false});
  Bytes resource;
  ASSERT_TRUE(open.build(resource));
  OMAnimationHeader header;
  const char* problem = nullptr;
  EXPECT_FALSE(parseAnimationHeader(resource.data(), resource.size(), header, &problem));
  EXPECT_STREQ(problem, "sequence without an end entry");
}

TEST_F(AnimationDecoding, RecolouringChangesFillsAndLiteralsOfTheChosenImages)
{
  AnimationWriter writer;
  const Bytes pixels = {5, 5, 5, 5, 9, 0, 0, 5, 9};
  for (int i = 0; i < 2; ++i)
    writer.addImage(AnimationWriter::Image::fromPixels(9, 1, pixels, 0));
  writer.addSequence({{{0, 0, 0, 0}, {0, 0, 1, 0}}, true});
  Bytes resource;
  ASSERT_TRUE(writer.build(resource));
  OMAnimationHeader header;
  ASSERT_TRUE(parseAnimationHeader(resource.data(), resource.size(), header));
  auto row = [&](int image) {
    std::vector<int> out;
    for (int x = 0; x < 9; ++x)
      out.push_back(imageColorAt(header.image(image), 0, x, 0));
    return out;
  };
  swapColors(header, 5, 9, 1);
  EXPECT_EQ(row(0), (std::vector<int>{5, 5, 5, 5, 9, -1, -1, 5, 9}));
  EXPECT_EQ(row(1), (std::vector<int>{9, 9, 9, 9, 5, -1, -1, 9, 5}));
  const std::uint8_t from[] = {9, 5, 9}, to[] = {1, 2, 3};
  replaceColors(header, 3, from, to, -2);
  EXPECT_EQ(row(0), (std::vector<int>{2, 2, 2, 2, 1, -1, -1, 2, 1}));
  replaceColor(header, 2, 0, 7);  // out of range: nothing
  replaceColor(header, 2, 0, 0);  // index 0 is a colour like any other
  EXPECT_EQ(row(0), (std::vector<int>{0, 0, 0, 0, 1, -1, -1, 0, 1}));
}

TEST_F(AnimationDecoding, ACanvasBecomesAOneImageAnimationThatDrawsItBack)
{
  struct Row {
    std::vector<std::uint8_t> pixels;
    Bytes codes;
  } rows[] = {
      {{7, 7, 7}, {3, 7, 7, 7}},          // three at the end: a literal
      {{7, 7, 7, 4}, {255, 7, 3, 1, 4}},  // four left, three equal: a run
      {{0, 0, 0, 0}, {0, 4}},             // all transparent
      {{1, 0, 0, 2, 2, 2, 2}, {1, 1, 0, 2, 255, 2, 4}},
  };
  for (const Row& row : rows) {
    Bytes out(64);
    std::uint8_t* end = out.data();
    encodeAnimationRow(row.pixels.data(), int(row.pixels.size()), 0, end);
    EXPECT_EQ(Bytes(out.data(), end), row.codes);
  }
  // Long rows split at 250; the rows of the canvas come back exactly.
  OMMemCanvas canvas(600, 5, 8, 0);
  {
    Pixels p(canvas);
    std::mt19937 random(7);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 600; ++x)
        p.bits[y * p.pitch + x] = y == 0   ? 9
                                  : y == 1 ? 0
                                  : y == 2 ? std::uint8_t(random())
                                           : std::uint8_t(x / 97 % 3);
  }
  std::uint32_t size = 0;
  auto resource = makeAnimationFromCanvas(&size, &canvas, OMRect(), 0);
  ASSERT_NE(resource, nullptr);
  OMAnimationHeader header;
  ASSERT_TRUE(parseAnimationHeader(resource.get(), size, header));
  EXPECT_EQ(header.frameRate, 8);
  EXPECT_EQ(header.sequenceTable[0][0].image, -4);
  EXPECT_EQ(header.sequenceLengths[0], 4);
  OMMemCanvas copy(600, 5, 8, 0);
  Pixels(copy).fill(sentinel8);
  ASSERT_TRUE(drawUnclipped(0, 0, header.image(0), &copy, 0));
  Pixels a(canvas), b(copy);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 600; ++x)
      ASSERT_EQ(b.at(x, y), a.at(x, y) == 0 ? sentinel8 : a.at(x, y)) << x << "," << y;
  // A smaller rectangle takes its size from the canvas's top-left corner; a larger one is
  // cut to the canvas.
  for (const OMRect& rect : {OMRect(200, 1, 210, 4), OMRect(0, 0, 700, 9)}) {
    resource = makeAnimationFromCanvas(&size, &canvas, rect, 0);
    ASSERT_TRUE(parseAnimationHeader(resource.get(), size, header));
    const OMAnimationImage image = header.image(0);
    ASSERT_EQ(image.width(), std::min(rect.width(), 600));
    ASSERT_EQ(image.height(), std::min(rect.height(), 5));
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); x += 7)
        EXPECT_EQ(imageColorAt(image, 0, x, y), a.at(x, y) == 0 ? -1 : int(a.at(x, y)));
  }
  OMMemCanvas deep(4, 4, 16, 0);
  EXPECT_EQ(makeAnimationFromCanvas(&size, &deep, OMRect(), 0), nullptr);
  EXPECT_EQ(size, 0u);
}

}  // namespace
