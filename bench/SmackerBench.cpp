#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/src/smacker/SmackerMovie.h"
#include "tools/SmackerWriter.h"

// One 640x480 movie frame decoded, written at 16 bits and its changed rectangle copied to a
// window buffer, against a memcpy of the frame's 16-bit bytes.
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrames = 24;

SmackerWriter::Bytes benchMovie()
{
  std::mt19937 random(5);
  SmackerWriter::Movie movie;
  movie.width = kWidth;
  movie.height = kHeight;
  movie.frameTime = 6666;
  movie.keyInterval = 12;
  SmackerWriter::Frame frame;
  for (auto& c : frame.palette)
    c = SmackerWriter::levelValue(int(random() % 64));
  frame.indices.resize(std::size_t(kWidth) * kHeight);
  for (std::size_t i = 0; i < frame.indices.size(); ++i)
    frame.indices[i] = std::uint8_t((i / kWidth / 16) * 8 + (i % kWidth) / 80);
  for (int f = 0; f < kFrames; ++f) {
    // A third of the picture changes each frame: noise, two-colour and solid areas.
    for (int y = 100; y < 260; ++y)
      for (int x = 0; x < kWidth; ++x)
        frame.indices[std::size_t(y) * kWidth + x] = x < 200 ? std::uint8_t(random())
                                                     : x < 400
                                                         ? std::uint8_t(((x + y + f) & 4) ? 10 : 20)
                                                         : std::uint8_t(f);
    movie.frames.push_back(frame);
  }
  SmackerWriter writer;
  SmackerWriter::Bytes file;
  writer.write(movie, file);
  return file;
}

void BM_MovieFrame565(benchmark::State& state)
{
  auto movie = omsmack::SmackerMovie::open(omsmack::memorySource(benchMovie()), 0, 0);
  if (!movie) {
    state.SkipWithError("the movie did not open");
    return;
  }
  std::vector<std::uint8_t> canvas(std::size_t(kWidth) * kHeight * 2);
  std::vector<std::uint8_t> window(canvas.size());
  movie->toBuffer(0, 0, kWidth * 2, kHeight, canvas.data(), SMACKBUFFER565);
  Smack& record = movie->record();
  for (auto _ : state) {
    movie->doFrame();
    while (movie->nextRect()) {
      for (LONG y = record.LastRecty; y < record.LastRecty + record.LastRecth; ++y)
        std::memcpy(window.data() + (std::size_t(y) * kWidth + record.LastRectx) * 2,
                    canvas.data() + (std::size_t(y) * kWidth + record.LastRectx) * 2,
                    std::size_t(record.LastRectw) * 2);
    }
    if (record.FrameNum + 1 == record.Frames) {
      movie->gotoFrame(0);
    } else {
      movie->nextFrame();
    }
    benchmark::DoNotOptimize(window.data());
  }
}
BENCHMARK(BM_MovieFrame565);

void BM_MemcpyFrame565(benchmark::State& state)
{
  std::vector<std::uint8_t> from(std::size_t(kWidth) * kHeight * 2, 0x35), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame565);

}  // namespace

BENCHMARK_MAIN();
