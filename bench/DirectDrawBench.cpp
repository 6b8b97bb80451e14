#include <benchmark/benchmark.h>

#include <ddraw.h>
#include <windows.h>

#include <cstring>
#include <vector>

// A full 640x480 16-bit surface copied by BltFast once a pass, against memcpy of the same bytes.
namespace {

constexpr int width = 640;
constexpr int height = 480;

struct Surfaces {
  LPDIRECTDRAW first = nullptr;
  LPDIRECTDRAW2 dd = nullptr;
  LPDIRECTDRAWSURFACE source = nullptr;
  LPDIRECTDRAWSURFACE target = nullptr;

  Surfaces()
  {
    DirectDrawCreate(nullptr, &first, nullptr);
    first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd));
    dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    source = make();
    target = make();
  }
  LPDIRECTDRAWSURFACE make()
  {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    d.dwWidth = width;
    d.dwHeight = height;
    d.ddpfPixelFormat.dwSize = sizeof d.ddpfPixelFormat;
    d.ddpfPixelFormat.dwRGBBitCount = 16;
    LPDIRECTDRAWSURFACE s = nullptr;
    dd->CreateSurface(&d, &s, nullptr);
    return s;
  }
  ~Surfaces()
  {
    target->Release();
    source->Release();
    dd->Release();
    first->Release();
  }
};

void BM_BltFast16(benchmark::State& state)
{
  Surfaces s;
  const DWORD transfer = state.range(0) ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY;
  DDCOLORKEY key{0x1F, 0x1F};
  s.source->SetColorKey(DDCKEY_SRCBLT, &key);
  for (auto _ : state) {
    HRESULT result = s.target->BltFast(0, 0, s.source, nullptr, transfer);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}
BENCHMARK(BM_BltFast16)->Arg(0)->Arg(1);

void BM_Memcpy16(benchmark::State& state)
{
  std::vector<std::uint8_t> from(width * height * 2, 0x35), to(width * height * 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * width * height * 2);
}
BENCHMARK(BM_Memcpy16);

}  // namespace

BENCHMARK_MAIN();
