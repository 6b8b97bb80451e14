#include <gtest/gtest.h>

#include <string>

#include "tools/MovieSources.h"

namespace {

using moviesources::Bytes;

// A zlib stream of one block in the fixed prefix code: literals, then copies of what came
// before, the way compressing PNG writers store repeated rows.
class FixedBlock {
 public:
  FixedBlock() { put(0x78, 8), put(0x01, 8), put(1, 1), put(1, 2); }
  void literal(std::uint8_t v)
  {
    if (v < 144) {
      code(0x30 + v, 8);
    } else {
      code(0x190 + (v - 144), 9);
    }
  }
  // Lengths 3 to 10 and distances 1 to 4 need no extra bits.
  void copy(int length, int distance)
  {
    code(257 + (length - 3), 7);
    code(distance - 1, 5);
  }
  Bytes finish()
  {
    code(0, 7);  // end of block
    if (filled_) bytes_.push_back(std::uint8_t(current_));
    return bytes_;
  }

 private:
  // Prefix codes go out from their top bit.
  void code(unsigned value, int length)
  {
    for (int i = length - 1; i >= 0; --i)
      put((value >> i) & 1, 1);
  }
  void put(unsigned value, int count)
  {
    for (int i = 0; i < count; ++i) {
      current_ |= ((value >> i) & 1) << filled_;
      if (++filled_ == 8) bytes_.push_back(std::uint8_t(current_)), current_ = 0, filled_ = 0;
    }
  }
  Bytes bytes_;
  unsigned current_ = 0;
  int filled_ = 0;
};

TEST(MovieSources, InflatesFixedCodeBlocksAndRefusesDamage)
{
  FixedBlock block;
  std::string want;
  for (std::uint8_t v : {std::uint8_t('a'), std::uint8_t('b'), std::uint8_t(200)}) {
    block.literal(v);
    want += char(v);
  }
  block.copy(9, 3);  // overlapping: the copy reads what it writes
  want += want + want + want;
  block.copy(4, 1);
  want += std::string(4, want.back());
  const Bytes stream = block.finish();
  Bytes out;
  ASSERT_TRUE(moviesources::inflateZlib(stream.data(), stream.size(), out));
  EXPECT_EQ(std::string(out.begin(), out.end()), want);
  // Cut short, or a copy from before the start.
  out.clear();
  EXPECT_FALSE(moviesources::inflateZlib(stream.data(), stream.size() - 2, out));
  FixedBlock early;
  early.literal('x');
  early.copy(3, 2);
  const Bytes bad = early.finish();
  out.clear();
  EXPECT_FALSE(moviesources::inflateZlib(bad.data(), bad.size(), out));
}

// What the writers write, the readers read back; other files are refused.
TEST(MovieSources, PngAndWaveRoundTrip)
{
  moviesources::IndexedImage image;
  image.width = 300;
  image.height = 250;  // more than one stored block
  for (int i = 0; i < image.width * image.height; ++i)
    image.indices.push_back(std::uint8_t(i * 7));
  for (int i = 0; i < 768; ++i)
    image.palette[i] = std::uint8_t(i * 3);
  moviesources::IndexedImage read;
  std::string error;
  ASSERT_TRUE(moviesources::readIndexedPng(moviesources::writeIndexedPng(image), read, error));
  EXPECT_EQ(read.indices, image.indices);
  EXPECT_EQ(read.palette, image.palette);
  Bytes cut = moviesources::writeIndexedPng(image);
  cut.resize(cut.size() / 2);
  EXPECT_FALSE(moviesources::readIndexedPng(cut, read, error));

  const moviesources::Wave wave{11025, 16, 2, Bytes{1, 2, 3, 4, 5, 6, 7, 8}};
  moviesources::Wave back;
  ASSERT_TRUE(moviesources::readWave(moviesources::writeWave(wave), back, error));
  EXPECT_EQ(back.rate, 11025u);
  EXPECT_EQ(back.bits, 16);
  EXPECT_EQ(back.channels, 2);
  EXPECT_EQ(back.samples, wave.samples);
  const moviesources::Wave odd{8000, 12, 1, Bytes{1, 2}};
  EXPECT_FALSE(moviesources::readWave(moviesources::writeWave(odd), back, error));
}

}  // namespace
