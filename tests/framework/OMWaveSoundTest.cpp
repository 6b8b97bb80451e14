#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/OMIStreamDLL16.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMWaveSound.h"
#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "platform/src/mm/Resampler.h"
#include "tests/support/TempFolder.h"
#include "tools/WaveWriter.h"

namespace {

using Bytes = wavewriter::Bytes;

// At the sink's own rate the device's resampler is a pure delay, so the captured output is
// the mixer's bytes exactly.
constexpr std::uint32_t kRate = omhost::HostAudioSink::kRate;
constexpr std::size_t kLag = ommm::Resampler::kTaps / 2;
constexpr int kBlock = 1024;

int counts[8];
OMWord lastLoss = 0;
OMWord countCall(OMWord which)
{
  ++counts[which];
  return 0;
}
OMWord recordLoss(OMWord lost)
{
  ++counts[7];
  lastLoss = lost;
  return 0;
}

// Samples that never sound like silence, so that each stretch can be told apart.
Bytes pattern(std::size_t count, std::initializer_list<std::uint8_t> levels, std::size_t run)
{
  Bytes out(count);
  const std::vector<std::uint8_t> values(levels);
  for (std::size_t i = 0; i < count; ++i)
    out[i] = values[(i / run) % values.size()];
  return out;
}

class OMWaveSoundTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    std::fill(std::begin(counts), std::end(counts), 0);
    omhost::useManualClock(1000);
    sink.resynchronise();
    sink.startCapture();
  }
  void TearDown() override
  {
    sounds.clear();
    streams.clear();
    closeWaveOut();
    sink.takeCaptured();
    omhost::useRealClock();
    sink.resynchronise();
  }

  // A sound over a RIFF image of the samples; blockSize -1 plays it in place, else streamed.
  OMWaveSound* make(const Bytes& samples, std::int32_t blockSize = -1)
  {
    const Bytes image = wavewriter::waveImage(kRate, samples);
    const std::string path = folder.write("s" + std::to_string(streams.size()) + ".wav",
                                          std::string(image.begin(), image.end()));
    streams.push_back(std::make_unique<OMIStreamFile>(path.c_str(), blockSize, nullptr));
    sounds.push_back(std::make_unique<OMWaveSound>(streams.back().get(), 0));
    OMWaveSound* sound = sounds.back().get();
    OMLinkToFct started(countCall, 0), finished(countCall, 1), paused(countCall, 2),
        resumed(countCall, 3);
    sound->setStartedLink(&started);
    sound->setFinishedLink(&finished);
    sound->setPausedLink(&paused);
    sound->setResumedLink(&resumed);
    return sound;
  }

  // Runs the clock on in small steps with a refill each, and keeps what was heard.
  void run(std::uint32_t milliseconds, std::uint32_t step = 5)
  {
    for (std::uint32_t t = 0; t < milliseconds; t += step) {
      omhost::advanceClock(step);
      timeGetTime();
      refillSoundOutput();
    }
  }
  // What played so far, as unsigned bytes, without the device's delay.
  Bytes heard()
  {
    const auto captured = sink.takeCaptured();
    for (std::int16_t s : captured)
      heard_.push_back(std::uint8_t(s / 256 + 128));
    Bytes out(heard_.begin() + std::ptrdiff_t(std::min(kLag, heard_.size())), heard_.end());
    return out;
  }

  omhost::HostAudioSink& sink = omhost::HostAudioSink::instance();
  TempFolder folder;
  std::vector<std::unique_ptr<OMIStream>> streams;
  std::vector<std::unique_ptr<OMWaveSound>> sounds;
  Bytes heard_;
};

// Expected output: each sound's bytes laid in at its offset, summed around 128 and clamped.
Bytes mixOf(std::size_t total, const std::vector<std::pair<std::size_t, const Bytes*>>& parts)
{
  std::vector<int> sum(total, 0);
  for (const auto& [offset, bytes] : parts)
    for (std::size_t i = 0; i < bytes->size() && offset + i < total; ++i)
      sum[offset + i] += (*bytes)[i] - 128;
  Bytes out(total);
  for (std::size_t i = 0; i < total; ++i)
    out[i] = std::uint8_t(std::clamp(sum[i] + 128, 0, 255));
  return out;
}

void expectBytes(const Bytes& actual, const Bytes& expected)
{
  ASSERT_GE(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(int(actual[i]), int(expected[i])) << "at byte " << i;
}

}  // namespace

TEST_F(OMWaveSoundTest, OneSoundPlaysItsBytesThenSilenceInPlaceAndStreamed)
{
  for (std::int32_t blockSize : {-1, kBlock}) {
    SCOPED_TRACE(blockSize);
    heard_.clear();
    // Longer than the ring, so that a streamed sound reads ahead while it plays.
    const Bytes samples = pattern(40 * kBlock + 300, {140, 90, 230, 17}, 37);
    OMWaveSound* sound = make(samples, blockSize);
    ASSERT_EQ(sound->play(1), 1);
    run(1200);
    expectBytes(heard(), mixOf(41 * kBlock + 2000, {{0, &samples}}));
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 1);
    EXPECT_FALSE(sound->isStarted());
    std::fill(std::begin(counts), std::end(counts), 0);
  }
}

TEST_F(OMWaveSoundTest, SoundsStartedWhileBlocksAreQueuedEnterAtTheStartLead)
{
  // Started together, the second enters four blocks after the first; started later, four
  // blocks after the block then playing. Both mixes clamp at 0 and 255.
  struct Case {
    std::uint32_t delayMs;
    std::size_t offset;
  };
  for (const Case& c : {Case{0, 4 * kBlock}, Case{60, 6 * kBlock}}) {
    SCOPED_TRACE(c.delayMs);
    heard_.clear();
    const Bytes first = pattern(30 * kBlock, {200, 50, 150}, 7);
    const Bytes second = pattern(20 * kBlock + 5, {200, 60, 100}, 5);
    OMWaveSound* a = make(first);
    OMWaveSound* b = make(second);
    ASSERT_EQ(a->play(1), 1);
    if (c.delayMs) run(c.delayMs);
    ASSERT_EQ(b->play(1), 1);
    run(1000);
    const Bytes expected = mixOf(31 * kBlock, {{0, &first}, {c.offset, &second}});
    EXPECT_TRUE(std::count(expected.begin(), expected.end(), 255) > 0);
    EXPECT_TRUE(std::count(expected.begin(), expected.end(), 0) > 0);
    expectBytes(heard(), expected);
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 2);
    std::fill(std::begin(counts), std::end(counts), 0);
  }
}

TEST_F(OMWaveSoundTest, VolumeTablesAndHalfVolumeMixing)
{
  const Bytes samples = pattern(3 * kBlock, {255, 0, 128, 200}, 3);
  OMWaveSound* sound = make(samples);
  struct Row {
    int volume, sample, mapped;
  };
  for (const Row& r : {Row{50, 0, 64}, Row{50, 128, 128}, Row{50, 255, 191}, Row{0, 0, 128},
                       Row{0, 255, 128}, Row{100, 3, 3}, Row{150, 0, 0}, Row{-5, 255, 128}}) {
    sound->setVolume(r.volume);
    EXPECT_EQ(sound->volumeTable()[std::size_t(r.sample)], r.mapped) << r.volume << " " << r.sample;
  }
  sound->setVolume(50);
  ASSERT_EQ(sound->play(1), 1);
  run(300);
  Bytes expected(samples.size());
  std::transform(samples.begin(), samples.end(), expected.begin(),
                 [](std::uint8_t s) { return std::uint8_t(128 + (s - 128) * 50 / 100); });
  expectBytes(heard(), expected);
}

TEST_F(OMWaveSoundTest, APausedSoundGoesOnFromTheBlockThatWasPlaying)
{
  struct Case {
    std::int32_t blockSize;
    std::uint32_t pauseAtMs;
    int playingBlock;  // at 44.1 samples a millisecond
  };
  for (const Case& c :
       {Case{-1, 60, 2}, Case{kBlock, 60, 2}, Case{-1, 400, 17}, Case{kBlock, 400, 17}}) {
    SCOPED_TRACE(std::to_string(c.blockSize) + " " + std::to_string(c.pauseAtMs));
    heard_.clear();
    std::fill(std::begin(counts), std::end(counts), 0);
    const Bytes samples = pattern(30 * kBlock, {140, 90, 230}, 11);
    OMWaveSound* sound = make(samples, c.blockSize);
    ASSERT_EQ(sound->play(1), 1);
    run(c.pauseAtMs);
    sound->pause();
    EXPECT_TRUE(sound->isPaused());
    EXPECT_EQ(counts[2], 1);
    const std::size_t cut = heard().size();
    run(200);
    sound->resume();
    EXPECT_FALSE(sound->isPaused());
    EXPECT_EQ(counts[3], 1);
    run(1000);
    const Bytes out = heard();
    expectBytes(out, Bytes(samples.begin(), samples.begin() + std::ptrdiff_t(cut - kLag)));
    // Silence while paused, then the sound again from the start of the block that played.
    const auto resumed = std::find_if(out.begin() + std::ptrdiff_t(cut), out.end(),
                                      [](std::uint8_t b) { return b != 128; });
    ASSERT_NE(resumed, out.end());
    EXPECT_GT(resumed - out.begin(), std::ptrdiff_t(cut + 8000));
    expectBytes(Bytes(resumed, out.end()),
                Bytes(samples.begin() + c.playingBlock * kBlock, samples.end()));
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 1);
  }
}

TEST_F(OMWaveSoundTest, ALoopOfThreePlaysTheRangeThreeTimesAndFinishesOnce)
{
  const Bytes samples = pattern(1500, {100, 170}, 9);
  OMWaveSound* sound = make(samples);
  sound->setLoopCount(0);  // ignored
  sound->setLoopCount(3);
  EXPECT_EQ(sound->loopCount(), 3);
  ASSERT_EQ(sound->play(1), 1);
  run(400);
  // Each pass ends with the rest of its last block silent.
  Bytes expected;
  for (int i = 0; i < 3; ++i) {
    expected.insert(expected.end(), samples.begin(), samples.end());
    expected.resize(expected.size() + 2 * kBlock - samples.size(), 128);
  }
  expected.resize(expected.size() + 4000, 128);
  expectBytes(heard(), expected);
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[1], 1);
}

TEST_F(OMWaveSoundTest, ADetachedSoundLeavesTheQueuedMixAndFinishes)
{
  const Bytes first = pattern(20 * kBlock, {150, 110}, 13);
  const Bytes second = pattern(20 * kBlock, {180, 60}, 17);
  OMWaveSound* a = make(first);
  OMWaveSound* b = make(second);
  ASSERT_EQ(a->play(1), 1);
  ASSERT_EQ(b->play(1), 1);
  run(30);  // both are heard from here on: b started in block 4
  b->detach();
  EXPECT_EQ(counts[1], 0);  // b never reached the device
  run(800);
  expectBytes(heard(), mixOf(21 * kBlock, {{0, &first}}));
  EXPECT_EQ(counts[1], 1);
}

TEST_F(OMWaveSoundTest, OutputThatRanDryIsReportedOnceToStallListeners)
{
  OMLinkToFct listener(recordLoss);
  addToSoundList(&listener);
  const Bytes samples = pattern(60 * kBlock, {140, 90}, 21);
  OMWaveSound* sound = make(samples);
  ASSERT_EQ(sound->play(1), 1);
  // Sixteen blocks last 371 ms; nothing refills for a second.
  omhost::advanceClock(1000);
  timeGetTime();
  refillSoundOutput();
  EXPECT_EQ(counts[7], 1);
  EXPECT_EQ(lastLoss, OMWord(1000 - kBlock * 1000 / kRate));
  run(400);
  EXPECT_EQ(counts[7], 1);

  // The engine's own pause reports the time it lasted; a second pause keeps the first time.
  pauseSoundOutput();
  omhost::advanceClock(300);
  pauseSoundOutput();
  omhost::advanceClock(200);
  resumeSoundOutput();
  EXPECT_EQ(counts[7], 2);
  EXPECT_EQ(lastLoss, OMWord(500));
  removeFromSoundList(&listener);
}

TEST_F(OMWaveSoundTest, HeadersGiveLengthRateAndDataOffset)
{
  const Bytes samples = pattern(22050, {140, 90}, 3);
  struct Case {
    const char* what;
    Bytes image;
    std::int32_t length, offset;
    std::uint32_t rate;
    bool plays;
  };
  // Odd-sized chunks before "fmt " and before "data", with and without a pad byte after them.
  const Bytes odd(3, 7), format = wavewriter::formatChunk(1, 1, 8, 22050);
  const auto chunked = [&](wavewriter::Chunks chunks, bool padded) {
    chunks.emplace_back("data", samples);
    return wavewriter::riffImage(chunks, padded);
  };
  const wavewriter::Chunks oddFirst = {{"JUNK", odd}, {"fmt ", format}};
  const wavewriter::Chunks oddBeforeData = {{"fmt ", format}, {"LIST", odd}};
  const wavewriter::Chunks oddBeforeUnknown = {{"fmt ", format}, {"LIST", odd}, {"abcd", {1, 2}}};
  const std::vector<Case> cases = {
      {"riff", wavewriter::waveImage(11025, samples), 22050, 44, 11025, true},
      {"odd chunk padded", wavewriter::waveImage(22050, samples, {{"LIST", odd}}), 22050, 56, 22050,
       true},
      {"odd chunk unpadded", chunked(oddBeforeData, false), 22050, 55, 22050, true},
      {"odd first chunk padded", chunked(oddFirst, true), 22050, 56, 22050, true},
      {"odd first chunk unpadded", chunked(oddFirst, false), 22050, 55, 22050, true},
      {"odd chunk padded before an unknown one", chunked(oddBeforeUnknown, true), 22050, 66, 22050,
       true},
      {"odd chunk unpadded before an unknown one", chunked(oddBeforeUnknown, false), 22050, 65,
       22050, true},
      {"format 1", wavewriter::soundResource(1, false, 11025, samples), 22050, 42, 11025, true},
      {"format 1 extended", wavewriter::soundResource(1, true, 22050, samples), 22050, 84, 22050,
       true},
      {"format 2", wavewriter::soundResource(2, false, 11025, samples), 22050, 36, 11025, true},
      {"format 2 extended", wavewriter::soundResource(2, true, 8000, samples), 22050, 78, 8000,
       true},
      {"16-bit refused", wavewriter::waveImageOfFormat(1, 1, 16, 11025, samples), 0, 0, 11025,
       false},
      {"stereo refused", wavewriter::waveImageOfFormat(1, 2, 8, 11025, samples), 0, 0, 11025,
       false},
      {"unknown", Bytes(100, 9), 0, 0, 11025, false},
      {"empty", Bytes(), 0, 0, 11025, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path =
        folder.write(std::string(c.what) + ".snd", std::string(c.image.begin(), c.image.end()));
    OMIStreamFile stream(path.c_str(), -1, nullptr);
    OMWaveSound sound(&stream, 1);
    EXPECT_EQ(sound.length(), c.length);
    EXPECT_EQ(sound.dataOffset(), c.offset);
    EXPECT_EQ(sound.sampleRate(), c.rate);
    EXPECT_EQ(sound.lastSample(), c.length - 1);
    EXPECT_EQ(sound.isLoaded(), c.plays);
    EXPECT_EQ(sound.durationMs(), std::int32_t(std::int64_t(c.length) * 1000 / c.rate));
  }
  // A length beyond the data is refused.
  Bytes cut = wavewriter::waveImage(11025, samples);
  cut.resize(cut.size() - 100);
  const std::string path = folder.write("cut.wav", std::string(cut.begin(), cut.end()));
  OMIStreamFile stream(path.c_str(), -1, nullptr);
  OMWaveSound sound(&stream, 0);
  EXPECT_EQ(sound.play(1), 0);
}

TEST_F(OMWaveSoundTest, AnEmptySoundPlaysAsSilenceAndFinishes)
{
  OMWaveSound* sound = make(Bytes());
  ASSERT_EQ(sound->play(1), 1);
  run(200);
  const Bytes out = heard();
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 128; }));
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[1], 1);
}

TEST_F(OMWaveSoundTest, PlayRangeAndSettingsThatWaitForNoSound)
{
  const Bytes samples = pattern(5000, {140, 90, 200}, 5);
  OMWaveSound* sound = make(samples);
  struct Row {
    std::int32_t first, count, wantFirst, wantLast;
  };
  for (const Row& r : {Row{100, 200, 100, 299}, Row{-5, -1, 0, 4999}, Row{4000, 5000, 4000, 4999},
                       Row{9000, 1, 4999, 4999}}) {
    sound->setPlayRange(r.first, r.count);
    EXPECT_EQ(sound->firstSample(), r.wantFirst);
    EXPECT_EQ(sound->lastSample(), r.wantLast);
  }
  sound->setPlayRange(1000, 1500);
  ASSERT_EQ(sound->play(1), 1);
  run(200);
  const Bytes range(samples.begin() + 1000, samples.begin() + 2500);
  Bytes expected = range;
  expected.resize(2 * kBlock + 500, 128);
  expectBytes(heard(), expected);

  // While a sound exists the settings stay.
  setRingCount(8);
  setBlockBytes(512);
  EXPECT_EQ(ringCount(), 16);
  EXPECT_EQ(blockBytes(), 1024);
  sounds.clear();
  for (int bad : {1, 0, -3})
    setRingCount(bad);
  setBlockBytes(0);
  EXPECT_EQ(ringCount(), 16);
  EXPECT_EQ(blockBytes(), 1024);
}

TEST_F(OMWaveSoundTest, PackedSoundResourcesPlayInPlaceAndStreamed)
{
  const std::string file = std::string(OM_TEST_RSC_DIR) + "/content.rsc";
  const Bytes tone = wavewriter::tone(kRate, 440, kRate / 10);
  for (std::int32_t blockSize : {-1, kBlock}) {
    SCOPED_TRACE(blockSize);
    heard_.clear();
    OMIStreamDLL16 stream(20, "WAVE", file.c_str(), blockSize, nullptr);
    OMWaveSound sound(&stream, 1);
    ASSERT_TRUE(sound.isLoaded());
    EXPECT_EQ(sound.length(), std::int32_t(tone.size()));
    EXPECT_EQ(sound.durationMs(), 100);
    ASSERT_EQ(sound.play(1), 1);
    run(300);
    expectBytes(heard(), tone);
  }
  OMIStreamDLL16 clicks(21, "WAVE", file.c_str(), -1, nullptr);
  OMWaveSound sound(&clicks, 0);
  EXPECT_EQ(sound.sampleRate(), 11025u);
  EXPECT_EQ(sound.length(), 5512);
  EXPECT_EQ(sound.durationMs(), 499);  // whole milliseconds, cut
}

namespace {

// A sound that deletes itself when it has finished and starts the next one, as a script's
// sound does.
std::vector<std::unique_ptr<OMWaveSound>>* chain = nullptr;
OMWord finishAndStartNext(OMWord)
{
  chain->erase(chain->begin());
  if (!chain->empty()) chain->front()->play(1);
  return 0;
}

}  // namespace

TEST_F(OMWaveSoundTest, FinishedNotificationsMayDeleteTheirSoundAndStartTheNext)
{
  const Bytes first = pattern(3 * kBlock + 10, {150, 100}, 7);
  const Bytes second = pattern(2 * kBlock, {60, 200}, 5);
  std::vector<std::unique_ptr<OMWaveSound>> sounds;
  chain = &sounds;
  OMLinkToFct next(finishAndStartNext);
  for (const Bytes* samples : {&first, &second}) {
    make(*samples)->setFinishedLink(&next);
    sounds.push_back(std::move(this->sounds.back()));
    this->sounds.pop_back();
  }
  ASSERT_EQ(sounds.front()->play(1), 1);
  run(600);
  EXPECT_TRUE(sounds.empty());
  // The second follows once the first has played out, on a device opened afresh.
  const Bytes out = heard();
  expectBytes(out, mixOf(4 * kBlock, {{0, &first}}));
  const auto secondAt =
      std::search(out.begin() + 4 * kBlock, out.end(), second.begin(), second.begin() + 64);
  ASSERT_NE(secondAt, out.end());
  expectBytes(Bytes(secondAt, out.end()), second);
  chain = nullptr;
}

namespace {

// A sound that starts itself again from its own "finished" notification, a given number of
// times.
OMWaveSound* replayed = nullptr;
int replaysLeft = 0;
OMWord playAgain(OMWord)
{
  ++counts[1];
  if (replaysLeft > 0) {
    --replaysLeft;
    replayed->play(1);
  }
  return 0;
}

}  // namespace

TEST_F(OMWaveSoundTest, ASoundRestartedFromItsFinishedNotificationPlaysAgain)
{
  // Lengths whose last block lands on each kind of slot: the ring's first, the one the
  // restart ends on, and a streamed sound that wraps the ring. A silent partner let in four
  // blocks later ends in the same block, so the ring is not reset before the notification.
  struct Case {
    std::size_t length;
    std::int32_t blockSize;
    bool partner;
  };
  for (const Case& c : {Case{4 * kBlock, -1, false}, Case{3 * kBlock + 10, -1, false},
                        Case{kBlock / 2, -1, false}, Case{20 * kBlock + 7, kBlock, false},
                        Case{8 * kBlock, -1, true}, Case{7 * kBlock + 10, kBlock, true}}) {
    SCOPED_TRACE(std::to_string(c.length) + " " + std::to_string(c.blockSize) + " " +
                 std::to_string(c.partner));
    heard_.clear();
    std::fill(std::begin(counts), std::end(counts), 0);
    const Bytes samples = pattern(c.length, {150, 100, 210}, 7);
    replayed = make(samples, c.blockSize);
    OMLinkToFct again(playAgain);
    replayed->setFinishedLink(&again);
    replaysLeft = 2;
    ASSERT_EQ(replayed->play(1), 1);
    if (c.partner) {
      OMWaveSound* silent = make(Bytes(c.length - 4 * kBlock, 128), c.blockSize);
      OMLinkToFct started(countCall, 4), finished(countCall, 5);
      silent->setStartedLink(&started);
      silent->setFinishedLink(&finished);
      ASSERT_EQ(silent->play(1), 1);
    }
    run(std::uint32_t(3 * (c.length + kBlock) * 1000 / kRate) + 400);
    EXPECT_EQ(counts[0], 3);
    EXPECT_EQ(counts[1], 3);
    EXPECT_EQ(counts[5], c.partner ? 1 : 0);
    EXPECT_FALSE(replayed->isStarted());
    // Each play follows the one before, after no more than the rest of its last block and
    // the few milliseconds until the refill sees that block played.
    const Bytes out = heard();
    auto from = out.begin();
    for (int play = 0; play < 3; ++play) {
      SCOPED_TRACE(play);
      const auto at = std::search(from, out.end(), samples.begin(), samples.begin() + 64);
      ASSERT_NE(at, out.end());
      EXPECT_LT(at - from, play == 0 ? 1 : kBlock + 256);
      ASSERT_GE(out.end() - at, std::ptrdiff_t(samples.size()));
      expectBytes(Bytes(at, at + std::ptrdiff_t(samples.size())), samples);
      from = at + std::ptrdiff_t(samples.size());
    }
    sounds.clear();
    streams.clear();
  }
  replayed = nullptr;
}
