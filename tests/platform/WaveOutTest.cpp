#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/src/mm/Resampler.h"
#include "tests/support/ToneMeter.h"

namespace {

constexpr unsigned kSink = omhost::HostAudioSink::kRate;

WAVEFORMATEX monoFormat(DWORD rate)
{
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = rate;
  format.nAvgBytesPerSec = rate;
  format.nBlockAlign = 1;
  format.wBitsPerSample = 8;
  return format;
}

std::int16_t level(int unsignedSample)
{
  return static_cast<std::int16_t>((unsignedSample - 128) * 256);
}

// A block of unsigned 8-bit samples with its header.
struct Block {
  explicit Block(std::vector<unsigned char> samples) : bytes(std::move(samples))
  {
    header.lpData = reinterpret_cast<LPSTR>(bytes.data());
    header.dwBufferLength = static_cast<DWORD>(bytes.size());
  }
  std::vector<unsigned char> bytes;
  WAVEHDR header{};
  bool done() const { return header.dwFlags & WHDR_DONE; }
};

std::vector<unsigned char> constant(std::size_t count, unsigned char value)
{
  return std::vector<unsigned char>(count, value);
}

// Unsigned 8-bit samples of a sine, from sample `first` of it on.
std::vector<unsigned char> sine(std::size_t first, std::size_t count, double frequency, DWORD rate,
                                double amplitude = 100)
{
  std::vector<unsigned char> out(count);
  for (std::size_t i = 0; i < count; ++i)
    out[i] = static_cast<unsigned char>(
        std::lround(128 + amplitude * std::sin(2 * M_PI * frequency * double(first + i) / rate)));
  return out;
}

// The resampler looks this many source samples ahead: what is heard lags what was read.
constexpr std::size_t kLead = ommm::Resampler::kTaps / 2;
// Sound of constant level passes through exactly; edges ring for a window's width.
constexpr int kSettled = ommm::Resampler::kTaps;

std::string waveImage(DWORD rate, const std::vector<unsigned char>& samples)
{
  auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
  std::string fmt = u16(1) + u16(1) + u32(rate) + u32(rate) + u16(1) + u16(8);
  std::string data(samples.begin(), samples.end());
  std::string body =
      "WAVEfmt " + u32(16) + fmt + "data" + u32(static_cast<std::uint32_t>(data.size())) + data;
  return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
}

class WaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    omhost::useManualClock(1000);
    sink.resynchronise();
    sink.startCapture();
  }
  void TearDown() override
  {
    sndPlaySoundA(nullptr, 0);
    for (HWAVEOUT device : opened) {
      waveOutReset(device);
      waveOutClose(device);
    }
    sink.takeCaptured();
    omhost::useRealClock();
    sink.resynchronise();
  }
  HWAVEOUT open(DWORD rate)
  {
    HWAVEOUT device = nullptr;
    const WAVEFORMATEX format = monoFormat(rate);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    opened.push_back(device);
    return device;
  }
  void write(HWAVEOUT device, Block& block)
  {
    ASSERT_EQ(waveOutPrepareHeader(device, &block.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &block.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  // Moves the clock on and lets the sink consume what played.
  std::vector<std::int16_t> play(std::uint32_t milliseconds)
  {
    omhost::advanceClock(milliseconds);
    timeGetTime();
    return sink.takeCaptured();
  }

  omhost::HostAudioSink& sink = omhost::HostAudioSink::instance();
  std::vector<HWAVEOUT> opened;
};

}  // namespace

TEST_F(WaveOutTest, BlocksPlayInOrderWithoutGapsAndDoneFollowsTime)
{
  HWAVEOUT device = open(11025);
  Block first(sine(0, 1024, 300, 11025));
  Block second(sine(1024, 1024, 300, 11025));
  write(device, first);
  write(device, second);
  EXPECT_EQ(first.header.dwFlags & (WHDR_PREPARED | WHDR_INQUEUE | WHDR_DONE),
            WHDR_PREPARED | WHDR_INQUEUE);

  // 1024 samples at 11025 Hz last 92.9 ms.
  auto out = play(90);
  EXPECT_FALSE(first.done());
  auto more = play(3);
  out.insert(out.end(), more.begin(), more.end());
  EXPECT_TRUE(first.done());
  EXPECT_FALSE(first.header.dwFlags & WHDR_INQUEUE);
  EXPECT_FALSE(second.done());
  more = play(100);
  out.insert(out.end(), more.begin(), more.end());
  EXPECT_TRUE(second.done());

  // One continuous sine at four times the rate, the second block right after the first (the
  // 8-bit source is within half a step of it), then silence.
  const std::size_t lead = kLead * 4;
  ASSERT_GE(out.size(), 2048u * 4 + lead);
  for (std::size_t i = lead + kSettled * 4; i < 2048 * 4 + lead - kSettled * 4; ++i) {
    const double t = double(i - lead) / kSink;
    ASSERT_NEAR(out[i], 100 * 256 * std::sin(2 * M_PI * 300 * t), 300) << i;
  }
  for (std::size_t i = 2048 * 4 + lead + kSettled * 4; i < out.size(); ++i)
    ASSERT_EQ(out[i], 0) << i;

  EXPECT_EQ(waveOutUnprepareHeader(device, &first.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_FALSE(first.header.dwFlags & WHDR_PREPARED);
}

TEST_F(WaveOutTest, QueuedBlocksAreReadWhenTheyPlay)
{
  HWAVEOUT device = open(22050);
  Block first(constant(2205, 130));  // 100 ms
  Block second(constant(2205, 140));
  write(device, first);
  write(device, second);
  play(50);
  // The mixer rewrites blocks already written: the rest of the first and all of the second.
  std::memset(first.bytes.data() + 1500, 150, first.bytes.size() - 1500);
  std::memset(second.bytes.data(), 160, second.bytes.size());
  const auto out = play(150);
  const std::size_t lead = kLead * 2;
  EXPECT_EQ(out.front(), level(130));
  EXPECT_EQ(out[(1500 - 1102) * 2 + lead + kSettled * 2], level(150));
  EXPECT_EQ(out[(2205 - 1102) * 2 + lead + kSettled * 2], level(160));
  EXPECT_TRUE(first.done());
  EXPECT_TRUE(second.done());
}

TEST_F(WaveOutTest, PauseHoldsThePositionAndQueuesWrites)
{
  HWAVEOUT device = open(11025);
  std::vector<unsigned char> ramp(1103);  // 100 ms
  for (std::size_t i = 0; i < ramp.size(); ++i)
    ramp[i] = static_cast<unsigned char>(i % 251);
  // What the block sounds like without a pause, on a device of its own.
  HWAVEOUT unpaused = open(11025);
  Block reference(ramp);
  write(unpaused, reference);
  const auto expected = play(140);  // as long as the paused run plays below
  ASSERT_TRUE(reference.done());

  Block block(ramp);
  ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
  write(device, block);  // written while paused: queued, not played
  auto out = play(500);
  EXPECT_FALSE(block.done());
  for (auto sample : out)
    ASSERT_EQ(sample, 0);

  ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
  out = play(40);
  ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
  const std::size_t before = out.size();
  const auto paused = play(1000);
  EXPECT_FALSE(block.done());
  for (auto sample : paused)
    ASSERT_EQ(sample, 0);
  ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
  const auto rest = play(100);
  EXPECT_TRUE(block.done());
  // Playback resumes exactly where the pause held it.
  out.insert(out.end(), rest.begin(), rest.end());
  ASSERT_GE(out.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(out[i], expected[i]) << i;
  EXPECT_GT(before, 0u);
}

TEST_F(WaveOutTest, ResetMarksEveryBlockDoneAndCloseNeedsAnEmptyQueue)
{
  HWAVEOUT device = open(22050);
  Block first(constant(4096, 140));
  Block second(constant(4096, 140));
  write(device, first);
  write(device, second);
  play(10);
  EXPECT_EQ(waveOutUnprepareHeader(device, &first.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutWrite(device, &first.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
  EXPECT_TRUE(first.done());
  EXPECT_TRUE(second.done());
  EXPECT_FALSE(first.header.dwFlags & WHDR_INQUEUE);
  for (auto sample : play(100))
    ASSERT_EQ(sample, 0);
  EXPECT_EQ(waveOutUnprepareHeader(device, &first.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutUnprepareHeader(device, &second.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  Block unprepared(constant(10, 1));
  EXPECT_EQ(waveOutWrite(device, &unprepared.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
  opened.clear();
  EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutPause(device), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOutTest, OpenChecksTheFormatAndTheCallbackKind)
{
  EXPECT_GT(waveOutGetNumDevs(), 0u);
  HWAVEOUT device = nullptr;
  WAVEFORMATEX format = monoFormat(22050);
  EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_FUNCTION),
            MMSYSERR_INVALFLAG);
  format.wBitsPerSample = 12;
  EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
  format = monoFormat(22050);
  format.wFormatTag = 2;
  EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
  format = monoFormat(11025);
  EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutOpen(&device, 5, &format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
}

TEST_F(WaveOutTest, DevicesAndTheSimpleSoundMixAsTheClampedSum)
{
  HWAVEOUT a = open(11025);
  HWAVEOUT b = open(22050);
  Block loud(constant(1103, 128 + 40));
  Block louder(constant(2205, 128 + 30));
  write(a, loud);
  write(b, louder);
  const std::string image = waveImage(11025, constant(1103, 128 + 20));
  ASSERT_TRUE(sndPlaySoundA(image.data(), SND_MEMORY | SND_ASYNC));
  auto out = play(50);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[100], (40 + 30 + 20) * 256);

  // Loud enough to pass the 16-bit range: clamped.
  waveOutReset(a);
  waveOutReset(b);
  Block high(constant(1103, 255));
  Block higher(constant(2205, 255));
  write(a, high);
  write(b, higher);
  out = play(20);
  EXPECT_EQ(out[100], 32767);
  Block low(constant(1103, 0));
  Block lower(constant(2205, 0));
  waveOutReset(a);
  waveOutReset(b);
  write(a, low);
  write(b, lower);
  sndPlaySoundA(nullptr, 0);
  out = play(20);
  EXPECT_EQ(out[100], -32768);
  // Blocks must leave the queue before their memory goes, as on Windows.
  waveOutReset(a);
  waveOutReset(b);
}

TEST_F(WaveOutTest, SimpleSoundsPlaySynchronouslyAsynchronouslyAndStop)
{
  const std::string image = waveImage(22050, constant(2205, 200));  // 100 ms
  const DWORD start = timeGetTime();
  ASSERT_TRUE(sndPlaySoundA(image.data(), SND_MEMORY | SND_SYNC));
  // On the manual clock a synchronous sound moves the clock on by its length.
  EXPECT_EQ(timeGetTime() - start, 100u);
  auto out = sink.takeCaptured();
  const std::size_t lead = kLead * 2;
  ASSERT_GE(out.size(), 4410u);
  EXPECT_EQ(out[lead + kSettled * 2], level(200));
  EXPECT_EQ(out[4410 + lead - kSettled * 2], level(200));
  for (std::size_t i = 4410 + lead + kSettled * 2; i < out.size(); ++i)
    ASSERT_EQ(out[i], 0);

  ASSERT_TRUE(sndPlaySoundA(image.data(), SND_MEMORY | SND_ASYNC));
  out = play(30);
  EXPECT_EQ(out.back(), level(200));
  ASSERT_TRUE(sndPlaySoundA(nullptr, 0));  // stops it
  for (auto sample : play(30))
    ASSERT_EQ(sample, 0);

  // A looping sound goes on until stopped.
  ASSERT_TRUE(sndPlaySoundA(image.data(), SND_MEMORY | SND_ASYNC | SND_LOOP));
  out = play(350);
  EXPECT_EQ(out.back(), level(200));
  sndPlaySoundA(nullptr, 0);
}

TEST_F(WaveOutTest, BrokenSoundImagesAreRefused)
{
  std::string image = waveImage(22050, constant(100, 200));
  std::string truncatedData = image;
  // The data chunk claims more than the image holds.
  const std::uint32_t tooLong = 100000;
  std::memcpy(truncatedData.data() + 40, &tooLong, 4);
  EXPECT_FALSE(sndPlaySoundA(truncatedData.data(), SND_MEMORY | SND_ASYNC));
  std::string notRiff = image;
  notRiff[0] = 'X';
  EXPECT_FALSE(sndPlaySoundA(notRiff.data(), SND_MEMORY | SND_ASYNC));
  std::string badFormat = image;
  badFormat[34] = 7;  // bits per sample
  EXPECT_FALSE(sndPlaySoundA(badFormat.data(), SND_MEMORY | SND_ASYNC));
  EXPECT_FALSE(sndPlaySoundA("Q:\\no\\such.wav", SND_ASYNC));
}

// MessageBeep sounds a short tone on top of whatever plays, and leaves that sound playing.
TEST_F(WaveOutTest, MessageBeepMixesAShortToneBesideOtherSounds)
{
  const std::string image = waveImage(22050, constant(22050, 100));  // one second
  ASSERT_TRUE(sndPlaySoundA(image.data(), SND_MEMORY | SND_ASYNC));
  play(10);
  ASSERT_TRUE(MessageBeep(0));
  auto during = play(100);
  ASSERT_FALSE(during.empty());
  int differing = 0;
  for (auto sample : during)
    if (sample != level(100)) ++differing;
  EXPECT_GT(differing, static_cast<int>(during.size()) / 2);

  auto after = play(100);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), level(100));  // the tone is over, the sound goes on
}

// A tone at the content's low rate reaches the sink as that one tone: the images that holding
// each sample would add (around multiples of 11,025 Hz) stay far below it.
TEST_F(WaveOutTest, LowRateToneComesOutWithoutImages)
{
  struct Case {
    DWORD rate;
    double tone;
  };
  for (const Case c : {Case{11025, 1000}, Case{22050, 1000}, Case{11025, 3000}}) {
    SCOPED_TRACE(c.rate);
    HWAVEOUT device = open(c.rate);
    Block tone(sine(0, c.rate, c.tone, c.rate, 120));  // one second
    write(device, tone);
    const auto out = play(1000);
    ASSERT_GE(out.size(), kSink / 2 + kSink / 4);
    const std::size_t from = kSink / 4, count = kSink / 2;
    const double wanted = omtest::tonePower(out, from, count, c.tone, kSink);
    EXPECT_NEAR(std::sqrt(wanted * 4), 120 * 256, 120 * 256 * 0.02);  // the tone's level
    for (int k = 1; k * c.rate - c.tone < kSink / 2.0; ++k)
      for (double image : {k * c.rate - c.tone, k * c.rate + c.tone}) {
        if (image >= kSink / 2.0) continue;
        SCOPED_TRACE(image);
        EXPECT_LT(omtest::decibels(omtest::tonePower(out, from, count, image, kSink), wanted), -60);
      }
    waveOutReset(device);
  }
}
