// The mixer with eight sounds playing at once (looped, each at its own volume), on the
// headless host's manual clock: how many output blocks a second it mixes and writes, next to
// the 22,050 / 1,024 = 21.5 blocks a second that real time needs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "framework/OMIStreamFile.h"
#include "framework/OMWaveSound.h"
#include "platform/host/HostClock.h"
#include "tools/WaveWriter.h"

namespace {

constexpr std::uint32_t kRate = 22050;

// Each pass includes the headless device taking what played (its resampling to the sink's rate).
void BM_MixEightSounds(benchmark::State& state)
{
  const auto folder =
      std::filesystem::temp_directory_path() / ("om_sound_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  omhost::useManualClock(1000);
  std::vector<std::unique_ptr<OMIStreamFile>> streams;
  std::vector<std::unique_ptr<OMWaveSound>> sounds;
  for (int i = 0; i < 8; ++i) {
    const auto image =
        wavewriter::waveImage(kRate, wavewriter::tone(kRate, 220.0 * (i + 1), kRate * 3, 60));
    const std::string path = (folder / ("s" + std::to_string(i) + ".wav")).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    streams.push_back(std::make_unique<OMIStreamFile>(path.c_str(), -1, nullptr));
    sounds.push_back(std::make_unique<OMWaveSound>(streams.back().get(), 1));
    sounds.back()->setLoopCount(-1);
    sounds.back()->setVolume(40 + 8 * i);
    sounds.back()->play(1);
  }
  std::uint64_t milliseconds = 0;
  for (auto _ : state) {
    // About one block of output time: the refill reclaims one block and mixes the next.
    omhost::advanceClock(47);
    milliseconds += 47;
    timeGetTime();
    refillSoundOutput();
  }
  const double blocks = double(milliseconds) * kRate / 1000.0 / 1024.0;
  state.counters["blocks/s"] = benchmark::Counter(blocks, benchmark::Counter::kIsRate);
  sounds.clear();
  streams.clear();
  closeWaveOut();
  omhost::useRealClock();
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_MixEightSounds)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
