// An unattended run on the headless host, set up from the environment as a program run in CI
// is: a clock that steps when the program finds no input, snapshots of the screen from the
// input script, and the consumed sound written as a file at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/HostAudioSink.h"
#include "platform/host/HostClock.h"
#include "tests/support/PngWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ToneMeter.h"
#include "tests/support/WindowTestSupport.h"

namespace {

// The published FNV-1a offset basis and prime, computed here on their own.
std::uint64_t referenceHash(const std::vector<std::uint8_t>& bytes)
{
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::uint8_t b : bytes)
    hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

std::string hex(std::uint64_t value)
{
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// Looks for input until the queue gives some; answers how many looks found none.
int emptyPeeksUntilInput(MSG& msg)
{
  int empty = 0;
  while (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && empty < 1000)
    ++empty;
  return empty;
}

std::uint32_t readLittle(const std::string& bytes, std::size_t at, int count)
{
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

}  // namespace

TEST(HeadlessRunTest, ClockSettingsAreReadStrictly)
{
  const struct {
    const char* text;
    bool valid;
    std::uint32_t step;
  } cases[] = {
      {"step:10", true, 10},  {"step:1", true, 1},        {"step:60000", true, 60000},
      {"step:0", false, 0},   {"step:60001", false, 0},   {"step:", false, 0},
      {"step:-5", false, 0},  {"step: 5", false, 0},      {"step:10ms", false, 0},
      {"Step:10", false, 0},  {"manual", false, 0},       {"", false, 0},
      {"step:+5", false, 0},  {"step:99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t step = 0;
    EXPECT_EQ(omhost::parseClockSetting(c.text, step), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(step, c.step) << c.text;
    }
  }
}

// Every look at the queue that finds nothing moves a stepping clock on by its step, and
// nothing else does: timed input arrives after the same number of passes on any machine, and
// clock(), sleeps and a blocking wait all follow the same clock.
TEST(HeadlessRunTest, SteppingClockMovesOnlyWhenNoInputWaits)
{
  std::optional<ScopedEnv> clockSetting(std::in_place, "OM_CLOCK", "step:10");
  omhost::HeadlessHost& host = omtest::startSession();
  clockSetting.reset();
  EXPECT_EQ(omhost::clockStep(), 10u);
  EXPECT_EQ(timeGetTime(), 0u);
  EXPECT_EQ(clock(), 0);
  // Keys go to the active window.
  omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  omtest::pumpAll();
  omhost::useSteppingClock(10);

  std::string error;
  ASSERT_TRUE(host.parseInputScript("at 45 key a\nat 1000 key b\n", error)) << error;
  MSG msg{};
  // Looks at 0, 10, 20, 30 and 40 find nothing; the one at 50 takes the key.
  EXPECT_EQ(emptyPeeksUntilInput(msg), 5);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(msg.time, 50u);
  // The key's release waits in the queue: taking it moves nothing.
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(timeGetTime(), 50u);
  // A posted message is input too.
  PostMessageA(nullptr, WM_USER, 0, 0);
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(timeGetTime(), 50u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(timeGetTime(), 60u);

  EXPECT_EQ(clock(), 60);
  Sleep(25);
  EXPECT_EQ(timeGetTime(), 85u);
  // A blocking wait passes the time up to the next timed input.
  EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.time, 1000u);
  // With no input left it answers an empty message, one step later.
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  const DWORD before = timeGetTime();
  EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_NULL));
  EXPECT_EQ(timeGetTime(), before + 10);

  // A seed taken from clock() repeats with the clock.
  omhost::useSteppingClock(10);
  srand(static_cast<unsigned>(clock()));
  const int first = rand();
  omhost::useSteppingClock(10);
  srand(static_cast<unsigned>(clock()));
  EXPECT_EQ(rand(), first);

  // A manual clock set by a test does not step.
  omhost::useManualClock(500);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(timeGetTime(), 500u);
  EXPECT_EQ(omhost::clockStep(), 0u);
}

// "snap NAME" prints the hash of the screen's pixels and writes them as a PNG that any reader
// takes, at every screen depth.
TEST(HeadlessRunTest, SnapshotsPrintTheirHashAndWriteThePicture)
{
  std::uint8_t hashOfA[] = {'a'};
  EXPECT_EQ(referenceHash({hashOfA, hashOfA + 1}), 0xaf63dc4c8601ec8cull);

  for (const int depth : {8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    TempFolder folder;
    const std::string script = folder.write("input.txt", "at 30 snap before\nat 60 snap after.1\n");
    ScopedEnv clockSetting("OM_CLOCK", "step:10"), snapFolder("OM_SNAP_DIR", folder.path()),
        inputScript("OM_INPUT_SCRIPT", script),
        screenSetting("OM_SCREEN", "40x30x" + std::to_string(depth));
    omhost::HeadlessHost& host = omtest::startSession();

    testing::internal::CaptureStdout();
    MSG msg{};
    while (timeGetTime() < 40)
      PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    HDC screen = GetDC(nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT box{10, 5, 20, 25};
    FillRect(screen, &box, red);
    DeleteObject(red);
    ReleaseDC(nullptr, screen);
    while (!host.scriptFinished() && timeGetTime() < 1000)
      PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    const std::string printed = testing::internal::GetCapturedStdout();

    int width = 0, height = 0;
    std::vector<std::uint8_t> before, after;
    ASSERT_TRUE(omtest::readPng(folder / "before.png", width, height, before));
    ASSERT_TRUE(omtest::readPng(folder / "after.1.png", width, height, after));
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
    EXPECT_EQ(printed, "snap before " + hex(referenceHash(before)) + "\nsnap after.1 " +
                           hex(referenceHash(after)) + "\n");
    auto pixel = [&](const std::vector<std::uint8_t>& rgb, int x, int y) {
      const std::size_t at = (static_cast<std::size_t>(y) * 40 + x) * 3;
      return std::vector<int>{rgb[at], rgb[at + 1], rgb[at + 2]};
    };
    const std::vector<int> black{0, 0, 0}, pureRed{255, 0, 0};
    EXPECT_EQ(pixel(before, 15, 15), black);
    EXPECT_EQ(pixel(after, 15, 15), pureRed);
    EXPECT_EQ(pixel(after, 10, 5), pureRed);
    EXPECT_EQ(pixel(after, 20, 15), black);
    EXPECT_EQ(pixel(after, 15, 25), black);
  }
}

TEST(HeadlessRunTest, BadSnapNamesAreRefused)
{
  omhost::HeadlessHost& host = omtest::startSession();
  for (const char* line : {"snap", "snap ../up", "snap .hidden", "snap a b", "snap a/b"}) {
    std::string error;
    EXPECT_FALSE(host.parseInputScript(line, error)) << line;
    EXPECT_NE(error.find("line 1"), std::string::npos) << line;
  }
  EXPECT_TRUE(host.scriptFinished());
}

// The capture holds all the sound consumed from the host's start, silence included, and
// becomes a WAVE file when the host ends.
TEST(HeadlessRunTest, AudioCaptureIsWrittenAsWaveWhenTheHostEnds)
{
  TempFolder folder;
  const std::string file = folder / "capture.wav";
  std::optional<ScopedEnv> settings[] = {
      std::optional<ScopedEnv>(std::in_place, "OM_CLOCK", "step:10"),
      std::optional<ScopedEnv>(std::in_place, "OM_AUDIO_CAPTURE", file),
  };
  omtest::startSession();
  for (auto& setting : settings)
    setting.reset();

  // 100 ms of a 1 kHz tone, 50 ms after the start.
  MSG msg{};
  for (int i = 0; i < 5; ++i)
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  ASSERT_EQ(timeGetTime(), 50u);
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  HWAVEOUT device = nullptr;
  ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  std::vector<unsigned char> tone(1103);
  for (std::size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<unsigned char>(std::lround(128 + 100 * std::sin(2 * M_PI * 1000.0 * i / 11025)));
  WAVEHDR block{};
  block.lpData = reinterpret_cast<LPSTR>(tone.data());
  block.dwBufferLength = static_cast<DWORD>(tone.size());
  waveOutPrepareHeader(device, &block, sizeof block);
  waveOutWrite(device, &block, sizeof block);
  while (timeGetTime() < 300)
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  waveOutReset(device);
  waveOutUnprepareHeader(device, &block, sizeof block);
  waveOutClose(device);
  EXPECT_FALSE(std::filesystem::exists(file));
  omtest::startSession();  // ends the host that captured

  const std::string wave = folder.read("capture.wav");
  ASSERT_GE(wave.size(), 44u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(readLittle(wave, 4, 4), wave.size() - 8);
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(readLittle(wave, 20, 2), 1u);   // PCM
  EXPECT_EQ(readLittle(wave, 22, 2), 1u);   // mono
  EXPECT_EQ(readLittle(wave, 24, 4), omhost::HostAudioSink::kRate);
  EXPECT_EQ(readLittle(wave, 34, 2), 16u);
  EXPECT_EQ(wave.substr(36, 4), "data");
  const std::uint32_t bytes = readLittle(wave, 40, 4);
  ASSERT_EQ(bytes, wave.size() - 44);
  std::vector<std::int16_t> samples(bytes / 2);
  std::memcpy(samples.data(), wave.data() + 44, bytes);
  // From the start to 300 ms of the clock, at the sink's rate.
  EXPECT_EQ(samples.size(), 300u * omhost::HostAudioSink::kRate / 1000);
  const double rate = omhost::HostAudioSink::kRate;
  const auto at = [&](int milliseconds) { return static_cast<std::size_t>(milliseconds * rate / 1000); };
  const std::size_t window = at(40);
  const double full = 100.0 * 256 * 100.0 * 256 / 4;
  EXPECT_LT(omtest::tonePower(samples, 0, window, 1000, rate), full / 1000);
  EXPECT_GT(omtest::tonePower(samples, at(70), window, 1000, rate), full / 2);
  EXPECT_LT(omtest::tonePower(samples, at(200), window, 1000, rate), full / 1000);
}
