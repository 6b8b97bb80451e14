#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/host/sdl/SdlAudioOutput.h"
#include "tests/support/TempFolder.h"

// The one test that runs on real time: SDL's silent "dummy" device pulls the sink from its own
// thread, and a written block must come back done.
TEST(SdlAudioTest, ADevicePullsBlocksAndMarksThemDone)
{
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  if (!omhost::startSdlAudio()) GTEST_SKIP() << "no SDL audio device";
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
  HWAVEOUT device = nullptr;
  ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  std::vector<char> samples(1103, static_cast<char>(200));  // 50 ms
  WAVEHDR header{};
  header.lpData = samples.data();
  header.dwBufferLength = static_cast<DWORD>(samples.size());
  waveOutPrepareHeader(device, &header, sizeof header);
  waveOutWrite(device, &header, sizeof header);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!(__atomic_load_n(&header.dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(header.dwFlags & WHDR_DONE);
  waveOutReset(device);
  waveOutUnprepareHeader(device, &header, sizeof header);
  EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
  omhost::stopSdlAudio();
}

// Without a device the user reads one line of ours, once in a run, and none of the sound
// libraries' own (ALSA's, with a configuration that knows no card).
TEST(SdlAudioTest, NoDeviceIsSaidInOneLineOfOurs)
{
  ScopedEnv config("ALSA_CONFIG_PATH", "/dev/null");
  std::string said;
  for (const char* name : {"no-such-driver", "alsa", "no-such-driver"}) {
    ScopedEnv driver("SDL_AUDIODRIVER", name);
    testing::internal::CaptureStderr();
    const bool opened = omhost::startSdlAudio();
    said += testing::internal::GetCapturedStderr();
    if (opened) omhost::stopSdlAudio();
  }
  EXPECT_EQ(said, "no audio device: the game plays in silence\n");
}
