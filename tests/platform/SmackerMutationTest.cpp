#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "platform/host/HostClock.h"
#include "platform/src/smacker/SmackerMovie.h"
#include "tools/SmackerWriter.h"

// The suite's leak suppressions, for leaks of system libraries, not ours. FFmpeg 5.1's Smacker
// sound decoder loses its tables on some damaged packets (without a deep unwind it shows only
// as av_realloc_f); D-Bus keeps a buffer of SDL's video start when a program ends without a
// display it can reach.
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libavcodec.so\nleak:av_realloc_f\nleak:libdbus-1.so\n";
}

namespace {

SmackerWriter::Bytes seedMovie()
{
  std::mt19937 random(3);
  SmackerWriter::Movie movie;
  movie.width = 13;
  movie.height = 9;
  movie.frameTime = 6666;
  movie.keyInterval = 3;
  for (int f = 0; f < 6; ++f) {
    SmackerWriter::Frame frame;
    for (auto& c : frame.palette)
      c = SmackerWriter::levelValue(int(random() % 64));
    frame.indices.resize(13 * 9);
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
      frame.indices[i] = std::uint8_t(i % 7 == 0 ? random() : (i / 13 + f) % 3);
    movie.frames.push_back(frame);
  }
  movie.tracks.push_back(
      {11025, 16, 2, true, std::vector<std::uint8_t>(11025 * 4 * 6 * 6666 / 100000)});
  movie.tracks.push_back(
      {22050, 8, 1, false, std::vector<std::uint8_t>(22050 * 6 * 6666 / 100000)});
  for (std::size_t i = 0; i < movie.tracks[0].samples.size(); ++i)
    movie.tracks[0].samples[i] = std::uint8_t(random() % 16 + (i % 4 == 1 ? 0xF8 : 0));
  for (auto& s : movie.tracks[1].samples)
    s = std::uint8_t(120 + random() % 16);
  SmackerWriter writer;
  SmackerWriter::Bytes file;
  writer.write(movie, file);
  return file;
}

}  // namespace

// Damaged movies (bytes changed, header words replaced, files cut short) either fail to open
// or play through, never reading or writing out of bounds. OM_MOVIE_MUTATIONS sets how many.
TEST(SmackerMutation, DamagedMoviesOpenAsNullOrPlayCleanly)
{
  omhost::useManualClock(0);
  const SmackerWriter::Bytes seed = seedMovie();
  ASSERT_FALSE(seed.empty());
  const char* setting = std::getenv("OM_MOVIE_MUTATIONS");
  const int count = setting ? std::atoi(setting) : 2000;
  std::mt19937 random(11);
  int opened = 0;
  for (int n = 0; n < count; ++n) {
    SmackerWriter::Bytes file = seed;
    switch (n % 4) {
      case 0:
        for (int k = 0; k < 1 + int(random() % 8); ++k)
          file[random() % file.size()] = std::uint8_t(random());
        break;
      case 1:
        file.resize(random() % file.size());
        break;
      case 2: {
        const std::size_t at = (random() % 26) * 4;
        const std::uint32_t values[] = {0, 1, 0xFFFFFFFFu, 0x80000000u, std::uint32_t(random())};
        const std::uint32_t value = values[random() % 5];
        for (int i = 0; i < 4; ++i)
          file[at + i] = std::uint8_t(value >> (8 * i));
        break;
      }
      default:
        // Damage past the tables: the frames' own bytes.
        for (int k = 0; k < 3; ++k)
          file[0x68 + 30 + random() % (file.size() - 0x68 - 30)] ^=
              std::uint8_t(1 << (random() % 8));
        break;
    }
    auto movie = omsmack::SmackerMovie::open(omsmack::memorySource(file), SMACKTRACKS, 0);
    if (!movie) continue;
    ++opened;
    Smack& record = movie->record();
    ASSERT_GT(record.Frames, 0u);
    ASSERT_LE(record.Width, 4096u);
    std::vector<std::uint8_t> pixels(20 * 12);
    movie->toBuffer(2, -1, 20, 12, pixels.data(), 0);
    for (DWORD f = 0; f < record.Frames && f < 50; ++f) {
      movie->doFrame();
      while (movie->nextRect()) {
        ASSERT_GE(record.LastRectx, 0);
        ASSERT_LE(record.LastRectx + record.LastRectw, 20);
        ASSERT_LE(record.LastRecty + record.LastRecth, 12);
      }
      movie->nextFrame();
      ASSERT_LT(record.FrameNum, record.Frames);
    }
  }
  // Some of them are still movies: the damage is not all caught by the header checks.
  EXPECT_GT(opened, count / 4);
  omhost::useRealClock();
}
