#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "bench/ProcessorTime.h"

// A full 640x480 picture copied by BitBlt, against memcpy of the same bytes: memcpy runs
// first, and each copy's line gives its processor time per pass as a ratio to it ("vs_memcpy").
namespace {

double memcpyNanoseconds = 0.0;

constexpr int width = 640;
constexpr int height = 480;

struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  void* bits = nullptr;

  explicit Canvas(int depth)
  {
    std::vector<std::uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), width, -height, 1, static_cast<WORD>(depth), BI_RGB, 0, 0, 0,
        depth == 8 ? 256u : 0u,   0};
    for (int i = 0; i < 256 && depth == 8; ++i) {
      info->bmiColors[i] =
          RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
    }
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    std::memset(bits, 0x35, static_cast<std::size_t>(width) * height * depth / 8);
  }
  ~Canvas()
  {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

void copy16(benchmark::State& state)
{
  Canvas source(16), target(16);
  const double begin = benchtime::processorNanoseconds();
  for (auto _ : state)
    BitBlt(target.dc, 0, 0, width, height, source.dc, 0, 0, SRCCOPY);
  benchtime::reportRatio(state, begin, memcpyNanoseconds);
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}

void convert8to16(benchmark::State& state)
{
  Canvas source(8), target(16);
  const double begin = benchtime::processorNanoseconds();
  for (auto _ : state)
    BitBlt(target.dc, 0, 0, width, height, source.dc, 0, 0, SRCCOPY);
  benchtime::reportRatio(state, begin, memcpyNanoseconds);
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}

void plainMemcpy(benchmark::State& state)
{
  std::vector<std::uint8_t> source(width * height * 2, 0x35), target(width * height * 2);
  const double begin = benchtime::processorNanoseconds();
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), target.size());
    benchmark::DoNotOptimize(target.data());
  }
  memcpyNanoseconds = benchtime::perPass(state, begin);
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}

}  // namespace

BENCHMARK(plainMemcpy);
BENCHMARK(copy16);
BENCHMARK(convert8to16);
BENCHMARK_MAIN();
