#include <gtest/gtest.h>

#include <string>

#include "tools/MovieSources.h"

namespace {

using moviesources::Bytes;

// What the writers write, the readers read back; other files are refused.
TEST(MovieSources, PngAndWaveRoundTrip)
{
  moviesources::IndexedImage image;
  image.width = 300;
  image.height = 250;
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
