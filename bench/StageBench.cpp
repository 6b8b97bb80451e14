#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bench/ProcessorTime.h"
#include "framework/OMIStream.h"
#include "framework/OMResFile.h"
#include "tests/support/AnimationBuilder.h"
#include "tests/support/TestStage.h"
#include "tools/BackgroundWriter.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTBackground.h"

// One pass of the stage that repaints all of it: a 640x480 16-bit background under 50
// animations that all step, against a plain memcpy of the same bytes (run first; the stage's
// line gives the ratio of processor times, "vs_memcpy").
namespace {

double memcpyNanoseconds = 0.0;

constexpr int width = 640;
constexpr int height = 480;
constexpr int animationCount = 50;

void stageRedraw(benchmark::State& state)
{
  omtest::TestStage stage;
  std::vector<std::uint16_t> pixels(width * height);
  for (int i = 0; i < width * height; ++i)
    pixels[i] = static_cast<std::uint16_t>(i * 7 & 0x7FFF);
  omtest::AnimationBuilder animation;
  for (int i = 0; i < 4; ++i)
    animation.addImage(48, 48, static_cast<std::uint8_t>(10 + i), 4);
  animation.addSequence({OMFrameEntry{0, 0, 0, 0}, OMFrameEntry{2, 0, 1, 0},
                         OMFrameEntry{4, 0, 2, 0}, OMFrameEntry{2, 0, 3, 0},
                         OMFrameEntry{0, 0, OMFrameEntry::loop, 0}});
  NEResourceWriter writer;
  writer.add("BK16", "1", writeBackground(width, height, pixels));
  writer.add("ASEQ", "2", animation.build());
  stage.addResourceFile("bench.rsc", writer);
  stage.window().setBackground(
      new OMTBackground(OMRect(0, 0, width, height), openResourceStream(1, "BK16", -1).release()));
  OMAnimation::useEmbeddedAnimationCoordinates = 0;
  std::vector<std::unique_ptr<OMAnimation>> animations;
  for (int i = 0; i < animationCount; ++i) {
    animations.push_back(std::make_unique<OMAnimation>(
        OMAnimation::animationResolver(2), (i % 10) * 62, (i / 10) * 90, &stage.window()));
  }
  stage.passes(2, omtest::TestStage::gatePeriod);
  const double begin = benchtime::processorNanoseconds();
  for (auto _ : state) {
    stage.window().drawBackground();
    stage.passes(1, omtest::TestStage::gatePeriod);
    // The test stage keeps what the sound device played; a repaint is what is measured here.
    omtest::TestStage::takeAudio();
  }
  benchtime::reportRatio(state, begin, memcpyNanoseconds);
  state.SetBytesProcessed(state.iterations() * width * height * 2);
  animations.clear();
}

void plainMemcpy(benchmark::State& state)
{
  std::vector<std::uint8_t> source(width * height * 2, 0x35), target(width * height * 2);
  const double begin = benchtime::processorNanoseconds();
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
  }
  memcpyNanoseconds = benchtime::perPass(state, begin);
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}

BENCHMARK(plainMemcpy);
BENCHMARK(stageRedraw);

}  // namespace

BENCHMARK_MAIN();
