#include <gtest/gtest.h>

#include <windows.h>

#include <smack.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/src/mm/Resampler.h"
#include "tests/support/TempFolder.h"
#include "tools/SmackerWriter.h"

namespace {

using Bytes = SmackerWriter::Bytes;

// Frames in which a small patch moves and changes colour, over a still background, with a
// palette that changes every other frame.
SmackerWriter::Movie patchMovie(int width, int height, int frames, std::int32_t frameTime = 5000)
{
  std::mt19937 random(42);
  SmackerWriter::Movie movie;
  movie.width = width;
  movie.height = height;
  movie.frameTime = frameTime;
  std::array<std::uint8_t, 768> palette{};
  for (auto& c : palette)
    c = SmackerWriter::levelValue(int(random() % 64));
  Bytes background(std::size_t(width) * height);
  for (auto& p : background)
    p = static_cast<std::uint8_t>(random() % 8);
  for (int f = 0; f < frames; ++f) {
    SmackerWriter::Frame frame;
    if (f % 2 == 1) {
      std::uint8_t& c = palette[(f * 3) % 768];
      c = SmackerWriter::levelValue((SmackerWriter::nearestLevel(c) + 1) % 64);
    }
    frame.palette = palette;
    frame.indices = background;
    const int px = (f * 3) % width, py = (f * 2) % height;
    for (int y = py; y < std::min(height, py + 3); ++y)
      for (int x = px; x < std::min(width, px + 5); ++x)
        frame.indices[std::size_t(y) * width + x] = static_cast<std::uint8_t>(100 + f);
    movie.frames.push_back(frame);
  }
  return movie;
}

std::string writeMovie(const TempFolder& folder, const std::string& name,
                       const SmackerWriter::Movie& movie)
{
  SmackerWriter writer;
  Bytes file;
  EXPECT_TRUE(writer.write(movie, file)) << writer.error();
  const std::string path = folder.path() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return path;
}

std::uint32_t colour(const std::array<std::uint8_t, 768>& palette, int index, DWORD flags)
{
  const unsigned r = palette[index * 3], g = palette[index * 3 + 1], b = palette[index * 3 + 2];
  if (flags == SMACKBUFFER565) return std::uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
  if (flags == SMACKBUFFER24 || flags == SMACKBUFFER32) return r << 16 | g << 8 | b;
  return std::uint16_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

int bytesOf(DWORD flags)
{
  return flags == 0 ? 1 : flags == SMACKBUFFER24 ? 3 : flags == SMACKBUFFER32 ? 4 : 2;
}

// The pixel a frame should leave at (x, y) of the movie, in the buffer's format.
std::uint32_t expected(const SmackerWriter::Frame& frame, int width, int x, int y, DWORD flags)
{
  const int index = frame.indices[std::size_t(y) * width + x];
  return flags ? colour(frame.palette, index, flags) : std::uint32_t(index);
}

struct Buffer {
  Buffer(int w, int h, int bytes)
      : width(w), height(h), bytesPerPixel(bytes), pixels(std::size_t(w) * h * bytes, 0xEE)
  {
  }
  std::uint32_t at(int x, int y) const
  {
    const std::uint8_t* p = pixels.data() + (std::size_t(y) * width + x) * bytesPerPixel;
    std::uint32_t value = 0;
    for (int k = bytesPerPixel - 1; k >= 0; --k)
      value = value << 8 | p[k];
    return value;
  }
  DWORD pitch() const { return DWORD(width * bytesPerPixel); }
  int width, height, bytesPerPixel;
  Bytes pixels;
};

class SmackerTest : public ::testing::Test {
 protected:
  void SetUp() override { omhost::useManualClock(1000); }
  void TearDown() override
  {
    for (Smack* smack : opened)
      SmackClose(smack);
    omhost::useRealClock();
    omhost::HostAudioSink::instance().resynchronise();
  }
  Smack* open(const std::string& path, DWORD flags = 0)
  {
    Smack* smack = SmackOpen(path.c_str(), flags, 0);
    if (smack) opened.push_back(smack);
    return smack;
  }
  TempFolder folder;
  std::vector<Smack*> opened;
};

// Each output format shows every frame as the source has it, and a window that copies only
// the reported rectangles ends up equal to the buffer.
TEST_F(SmackerTest, FormatsMatchTheSourceAndRectanglesCoverEveryChange)
{
  const SmackerWriter::Movie movie = patchMovie(21, 14, 8);
  const std::string path = writeMovie(folder, "patch.smk", movie);
  for (DWORD flags : {0u, SMACKBUFFER555, SMACKBUFFER565, SMACKBUFFER24, SMACKBUFFER32}) {
    SCOPED_TRACE(flags);
    Smack* smack = open(path, SMACKPRELOADALL * (flags == SMACKBUFFER555));
    ASSERT_NE(smack, nullptr);
    EXPECT_EQ(smack->Width, 21u);
    EXPECT_EQ(smack->Height, 14u);
    EXPECT_EQ(smack->Frames, 8u);
    EXPECT_EQ(smack->MSPerFrame, 5000u);
    Buffer buffer(40, 30, bytesOf(flags));
    Buffer window = buffer;
    const int left = 7, top = 5;
    SmackToBuffer(smack, left, top, buffer.pitch(), 30, buffer.pixels.data(), flags);
    for (DWORD f = 0; f < smack->Frames; ++f) {
      ASSERT_EQ(smack->FrameNum, f);
      SmackDoFrame(smack);
      const auto& source = movie.frames[f];
      EXPECT_EQ(smack->NewPalette, f == 0 || f % 2 == 1 ? 1u : 0u) << "frame " << f;
      EXPECT_EQ(0, std::memcmp(smack->Palette, source.palette.data(), 768));
      while (SmackToBufferRect(smack, 0)) {
        for (LONG y = smack->LastRecty; y < smack->LastRecty + smack->LastRecth; ++y)
          std::memcpy(
              window.pixels.data() + y * buffer.pitch() + smack->LastRectx * buffer.bytesPerPixel,
              buffer.pixels.data() + y * buffer.pitch() + smack->LastRectx * buffer.bytesPerPixel,
              std::size_t(smack->LastRectw) * buffer.bytesPerPixel);
      }
      for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
          const bool inside = x >= left && x < left + 21 && y >= top && y < top + 14;
          const std::uint32_t want = inside ? expected(source, 21, x - left, y - top, flags)
                                            : 0xEEEEEEEEu >> (32 - 8 * buffer.bytesPerPixel);
          ASSERT_EQ(buffer.at(x, y), want) << "frame " << f << " at " << x << "," << y;
          ASSERT_EQ(window.at(x, y), want) << "window, frame " << f << " at " << x << "," << y;
        }
      }
      SmackNextFrame(smack);
    }
    // Never past the last frame.
    EXPECT_EQ(smack->FrameNum, 7u);
  }
}

// A movie partly outside its buffer writes only inside it, at each edge and corner.
TEST_F(SmackerTest, ClipsAtEveryEdge)
{
  const SmackerWriter::Movie movie = patchMovie(12, 10, 1);
  const std::string path = writeMovie(folder, "clip.smk", movie);
  struct Place {
    int left, top;
  };
  for (const Place place : {Place{-5, 2}, Place{3, -4}, Place{10, 2}, Place{2, 8}, Place{-3, -3},
                            Place{11, 9}, Place{-20, 0}, Place{0, 40}}) {
    SCOPED_TRACE(std::to_string(place.left) + "," + std::to_string(place.top));
    Smack* smack = open(path);
    ASSERT_NE(smack, nullptr);
    Buffer buffer(16, 12, 2);
    SmackToBuffer(smack, DWORD(place.left), DWORD(place.top), buffer.pitch(), 12,
                  buffer.pixels.data(), SMACKBUFFER565);
    SmackDoFrame(smack);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 16; ++x) {
        const int mx = x - place.left, my = y - place.top;
        const bool inside = mx >= 0 && mx < 12 && my >= 0 && my < 10;
        ASSERT_EQ(buffer.at(x, y),
                  inside ? expected(movie.frames[0], 12, mx, my, SMACKBUFFER565) : 0xEEEEu)
            << x << "," << y;
      }
    }
    if (SmackToBufferRect(smack, 0)) {
      EXPECT_GE(smack->LastRectx, 0);
      EXPECT_GE(smack->LastRecty, 0);
      EXPECT_LE(smack->LastRectx + smack->LastRectw, 16);
      EXPECT_LE(smack->LastRecty + smack->LastRecth, 12);
    }
  }
}

// After a goto the next frame done is exactly that frame, whichever way the goto went.
TEST_F(SmackerTest, GotoShowsExactlyThatFrame)
{
  const SmackerWriter::Movie movie = patchMovie(16, 16, 9);
  Smack* smack = open(writeMovie(folder, "goto.smk", movie));
  ASSERT_NE(smack, nullptr);
  Buffer buffer(16, 16, 1);
  SmackToBuffer(smack, 0, 0, 16, 16, buffer.pixels.data(), 0);
  struct Step {
    DWORD target, frame;
  };
  for (const Step step : {Step{4, 4}, Step{0, 0}, Step{8, 8}, Step{100, 8}, Step{2, 2}, Step{3, 3},
                          Step{7, 7}, Step{1, 1}}) {
    SCOPED_TRACE(step.target);
    SmackGoto(smack, step.target);
    EXPECT_EQ(smack->FrameNum, step.frame);
    SmackDoFrame(smack);
    EXPECT_EQ(buffer.pixels, movie.frames[step.frame].indices);
    EXPECT_EQ(smack->NewPalette, 1u);
    ASSERT_EQ(SmackToBufferRect(smack, 0), 1u);
    EXPECT_EQ(smack->LastRectw * smack->LastRecth, 16 * 16);
    EXPECT_EQ(SmackToBufferRect(smack, 0), 0u);
  }
}

// Frame k is due k frame times after the first shown; a stall starts the schedule again
// instead of releasing the missed frames at once.
TEST_F(SmackerTest, WaitReleasesFramesOnTheClock)
{
  Smack* smack = open(writeMovie(folder, "wait.smk", patchMovie(8, 8, 12, 2550)));
  ASSERT_NE(smack, nullptr);
  EXPECT_EQ(SmackWait(smack), 0u);  // nothing shown yet
  SmackDoFrame(smack);
  const DWORD start = timeGetTime();
  for (DWORD k = 1; k <= 4; ++k) {
    SmackNextFrame(smack);
    const DWORD due = start + (k * 2550 + 99) / 100;
    while (timeGetTime() + 1 < due) {
      EXPECT_EQ(SmackWait(smack), 1u) << "frame " << k << " at " << timeGetTime() - start;
      omhost::advanceClock(1);
    }
    omhost::advanceClock(due - timeGetTime());
    EXPECT_EQ(SmackWait(smack), 0u) << "frame " << k;
    SmackDoFrame(smack);
  }
  // Stalled for ten frame times: the next frame is released at once, the one after a frame
  // time later, not in a burst.
  omhost::advanceClock(255);
  SmackNextFrame(smack);
  EXPECT_EQ(SmackWait(smack), 0u);
  SmackDoFrame(smack);
  SmackNextFrame(smack);
  EXPECT_EQ(SmackWait(smack), 1u);
  omhost::advanceClock(26);
  EXPECT_EQ(SmackWait(smack), 0u);
  SmackSum sum{};
  SmackSummary(smack, &sum);
  EXPECT_EQ(sum.TotalFrames, 6u);
  EXPECT_EQ(sum.MS100PerFrame, 2550u);
  EXPECT_EQ(sum.TotalTime, timeGetTime() - 26 - start);
  EXPECT_GT(sum.AverageFrameSize, 0u);
}

// The frame time comes from the header's rate; broken headers and tables are refused.
TEST_F(SmackerTest, HeaderRatesAndRefusals)
{
  SmackerWriter writer;
  Bytes good;
  ASSERT_TRUE(writer.write(patchMovie(8, 8, 3), good));
  auto put32 = [](Bytes& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      file[at + i] = std::uint8_t(value >> (8 * i));
  };
  struct Case {
    const char* name;
    std::size_t at;  // a header word to replace, or the size to cut the file to
    std::uint32_t value;
    bool cut;
    DWORD frameTime;  // 0: refused
  };
  const Case cases[] = {
      {"ms", 16, 40, false, 4000},
      {"hundredths", 16, std::uint32_t(-1234), false, 1234},
      {"zero rate", 16, 0, false, 10000},
      {"no width", 4, 0, false, 0},
      {"too wide", 4, 4097, false, 0},
      {"too high", 8, 100000, false, 0},
      {"no frames", 12, 0, false, 0},
      {"many frames", 12, 0x40000000, false, 0},
      {"huge trees", 52, 0x7FFFFFFF, false, 0},
      {"cut in header", 50, 0, true, 0},
      {"cut in tables", 0x68 + 6, 0, true, 0},
      {"cut in frames", 0, 0, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = good;
    if (c.cut) {
      file.resize(c.at ? c.at : file.size() - 8);
    } else {
      put32(file, c.at, c.value);
    }
    const std::string path = folder.path() + "/case.smk";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    Smack* smack = open(path);
    if (c.frameTime == 0) {
      EXPECT_EQ(smack, nullptr);
      continue;
    }
    ASSERT_NE(smack, nullptr);
    EXPECT_EQ(smack->MSPerFrame, c.frameTime);
  }
  // Names are found whatever their case.
  const std::string path = writeMovie(folder, "Mixed.smk", patchMovie(4, 4, 1));
  EXPECT_NE(open(folder.path() + "/MIXED.SMK"), nullptr);
  EXPECT_EQ(open(folder.path() + "/absent.smk"), nullptr);
}

// What the sink hears of a track's samples [first, first + count) written to one wave-out
// device of the track's format in a single block: sound that played without a gap.
std::vector<std::int16_t> playedWhole(const SmackerWriter::Track& track, std::size_t first,
                                      std::size_t count)
{
  const std::size_t frameBytes = std::size_t(track.bits / 8) * track.channels;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = WORD(track.channels);
  format.nSamplesPerSec = track.rate;
  format.wBitsPerSample = WORD(track.bits);
  format.nBlockAlign = WORD(frameBytes);
  format.nAvgBytesPerSec = track.rate * format.nBlockAlign;
  auto& sink = omhost::HostAudioSink::instance();
  sink.resynchronise();
  sink.startCapture();
  HWAVEOUT device = nullptr;
  EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  Bytes bytes(track.samples.begin() + std::ptrdiff_t(first * frameBytes),
              track.samples.begin() + std::ptrdiff_t((first + count) * frameBytes));
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(bytes.data());
  header.dwBufferLength = DWORD(bytes.size());
  waveOutPrepareHeader(device, &header, sizeof header);
  EXPECT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
  omhost::advanceClock(DWORD(count * 1000 / track.rate + 200));
  timeGetTime();
  waveOutReset(device);
  waveOutUnprepareHeader(device, &header, sizeof header);
  waveOutClose(device);
  return sink.takeCaptured();
}

// From the first sound to the last: when the sound started is not what is compared.
std::vector<std::int16_t> heard(const std::vector<std::int16_t>& samples)
{
  auto nonZero = [](std::int16_t s) { return s != 0; };
  const auto from = std::find_if(samples.begin(), samples.end(), nonZero);
  const auto to = std::find_if(samples.rbegin(), samples.rend(), nonZero).base();
  return from < to ? std::vector<std::int16_t>(from, to) : std::vector<std::int16_t>{};
}

// Each chosen track plays as the same samples written in one piece would: no gap where one
// frame's sound meets the next, nothing lost, nothing repeated. The others, and a muted movie,
// stay silent; a movie that stops showing frames falls silent within two frame times.
TEST_F(SmackerTest, SoundTracksReachTheMixer)
{
  constexpr int kFrames = 10;
  SmackerWriter::Movie movie = patchMovie(8, 8, kFrames);
  struct Format {
    std::uint32_t rate;
    int bits, channels;
    bool compressed;
  };
  const Format formats[] = {
      {22050, 16, 1, true}, {11025, 8, 2, true}, {22050, 16, 2, false}, {11025, 8, 1, false}};
  std::mt19937 random(7);
  for (const Format& f : formats) {
    SmackerWriter::Track track{f.rate, f.bits, f.channels, f.compressed, {}};
    const std::size_t count = std::size_t(f.rate) / 2 * f.channels;  // ten frames of 50 ms
    for (std::size_t i = 0; i < count; ++i) {
      const int value = int(i % 300) * 50 - 7000 + int(random() % 200);
      if (f.bits == 8) {
        track.samples.push_back(std::uint8_t(128 + value / 256));
      } else {
        track.samples.push_back(std::uint8_t(value));
        track.samples.push_back(std::uint8_t(value >> 8));
      }
    }
    movie.tracks.push_back(track);
  }
  const std::string path = writeMovie(folder, "sound.smk", movie);
  auto& sink = omhost::HostAudioSink::instance();
  // Paced frames are shown `late` ms after SmackWait lets them go.
  auto play = [&](DWORD flags, bool mute, int frames, bool paced = true, DWORD late = 0) {
    sink.resynchronise();
    sink.startCapture();
    Smack* smack = open(path, flags);
    EXPECT_NE(smack, nullptr);
    if (!smack) return std::vector<std::int16_t>{};
    if (mute) SmackSoundOnOff(smack, 0);
    for (int k = 0; k < frames; ++k) {
      while (paced && SmackWait(smack))
        omhost::advanceClock(1);
      if (paced) omhost::advanceClock(late);
      SmackDoFrame(smack);
      SmackNextFrame(smack);
    }
    omhost::advanceClock(200);
    timeGetTime();
    return sink.takeCaptured();
  };
  // Where frame k's sound starts in a track.
  auto frameStart = [&](const SmackerWriter::Track& track, int k) {
    return SmackerWriter::frameSamples(track, movie.frameTime, k, kFrames).first;
  };
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    const SmackerWriter::Track& track = movie.tracks[t];
    const std::size_t total = track.samples.size() / (std::size_t(track.bits / 8) * track.channels);
    const std::size_t ratio = omhost::HostAudioSink::kRate / track.rate;
    const std::vector<std::int16_t> whole = heard(playedWhole(track, 0, total));
    // Each source sample sounds over the filter's window, at most kTaps - 1 samples more.
    EXPECT_GE(whole.size(), total * ratio);
    EXPECT_LE(whole.size(), (total + ommm::Resampler::kTaps - 1) * ratio);
    // Frames on time, and each a fifth of a frame time late, as a busy program shows them.
    for (DWORD late : {0u, 10u})
      EXPECT_EQ(heard(play(SMACKTRACK1 << t, false, kFrames, true, late)), whole) << late << " ms";
  }
  EXPECT_TRUE(heard(play(SMACKTRACKS, true, kFrames)).empty());
  EXPECT_TRUE(heard(play(0, false, kFrames)).empty());

  const SmackerWriter::Track& first = movie.tracks[0];
  const std::size_t total = first.samples.size() / 2;
  // All frames shown at once: the sound stays at most two frame times ahead of the last, so
  // what plays is the end of the track, one or two frames of it, whole.
  const std::vector<std::int16_t> rushed = heard(play(SMACKTRACK1, false, kFrames, false));
  const std::size_t lastOne = frameStart(first, kFrames - 1);
  const std::size_t lastTwo = frameStart(first, kFrames - 2);
  EXPECT_TRUE(rushed == heard(playedWhole(first, lastOne, total - lastOne)) ||
              rushed == heard(playedWhole(first, lastTwo, total - lastTwo)))
      << rushed.size() << " samples";
  // Stopped after three frames on time: exactly the sound of those frames plays.
  EXPECT_EQ(heard(play(SMACKTRACK1, false, 3)), heard(playedWhole(first, 0, frameStart(first, 3))));
}

}  // namespace
