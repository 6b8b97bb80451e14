#include <gtest/gtest.h>

#include <ddraw.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/src/ddraw/DirectDrawWorld.h"
#include "platform/src/gdi/Screen.h"
#include "tests/support/WindowTestSupport.h"

namespace {

using omddraw::DirectDrawWorld;

// The raw pixels of a surface, read through Lock, row by row without the padding.
struct Pixels {
  int width = 0;
  int height = 0;
  int bytes = 0;
  std::vector<std::uint32_t> values;
  std::uint32_t at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
  bool operator==(const Pixels&) const = default;
};

Pixels readPixels(LPDIRECTDRAWSURFACE surface)
{
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  Pixels p;
  if (surface->Lock(nullptr, &d, 0, nullptr) != DD_OK) return p;
  p.width = static_cast<int>(d.dwWidth);
  p.height = static_cast<int>(d.dwHeight);
  p.bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint32_t v = 0;
      std::memcpy(&v, static_cast<std::uint8_t*>(d.lpSurface) + y * d.lPitch + x * p.bytes,
                  static_cast<std::size_t>(p.bytes));
      p.values.push_back(v);
    }
  surface->Unlock(nullptr);
  return p;
}

// Fills a surface through Lock with a value of (x, y).
void writePixels(LPDIRECTDRAWSURFACE surface, const std::function<std::uint32_t(int, int)>& value)
{
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  ASSERT_EQ(surface->Lock(nullptr, &d, 0, nullptr), DD_OK);
  const int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
  for (int y = 0; y < static_cast<int>(d.dwHeight); ++y)
    for (int x = 0; x < static_cast<int>(d.dwWidth); ++x) {
      const std::uint32_t v = value(x, y);
      std::memcpy(static_cast<std::uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &v,
                  static_cast<std::size_t>(bytes));
    }
  ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
}

bool inRects(const std::vector<RECT>& rects, int x, int y)
{
  for (const RECT& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

class DirectDrawTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    omtest::startSession();
    omgdi::Screen::instance().configure(640, 480, 16);
    DirectDrawWorld::instance().resetSwitches();
    module = LoadLibraryA("ddraw");
    ASSERT_NE(module, nullptr);
    create = reinterpret_cast<LPDIRECTDRAWCREATE>(GetProcAddress(module, "DirectDrawCreate"));
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(create(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd)), DD_OK);
    frame = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{0, 0, 640, 480});
  }
  void TearDown() override
  {
    for (auto it = held.rbegin(); it != held.rend(); ++it)
      (*it)->Release();
    if (dd) dd->Release();
    if (first) first->Release();
    DirectDrawWorld::instance().resetSwitches();
    FreeLibrary(module);
  }

  LPDIRECTDRAWSURFACE make(DWORD caps, int width, int height, int bits = 0)
  {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | (width ? DDSD_WIDTH | DDSD_HEIGHT : 0u);
    d.ddsCaps.dwCaps = caps;
    d.dwWidth = static_cast<DWORD>(width);
    d.dwHeight = static_cast<DWORD>(height);
    if (bits) {
      d.dwFlags |= DDSD_PIXELFORMAT;
      d.ddpfPixelFormat.dwSize = sizeof d.ddpfPixelFormat;
      d.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
    }
    LPDIRECTDRAWSURFACE s = nullptr;
    lastResult = dd->CreateSurface(&d, &s, nullptr);
    if (s) held.push_back(s);
    return s;
  }
  LPDIRECTDRAWSURFACE primary(int backBuffers = 0)
  {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | (backBuffers ? DDSD_BACKBUFFERCOUNT : 0u);
    d.ddsCaps.dwCaps = backBuffers ? 0x218u : DDSCAPS_PRIMARYSURFACE;
    d.dwBackBufferCount = static_cast<DWORD>(backBuffers);
    LPDIRECTDRAWSURFACE s = nullptr;
    lastResult = dd->CreateSurface(&d, &s, nullptr);
    if (s) held.push_back(s);
    return s;
  }
  void exclusive()
  {
    ASSERT_EQ(dd->SetCooperativeLevel(frame, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  }
  void normal() { ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK); }

  HMODULE module = nullptr;
  LPDIRECTDRAWCREATE create = nullptr;
  LPDIRECTDRAW first = nullptr;
  LPDIRECTDRAW2 dd = nullptr;
  HWND frame = nullptr;
  std::vector<LPDIRECTDRAWSURFACE> held;
  HRESULT lastResult = DD_OK;
};

TEST_F(DirectDrawTest, TheModuleOffersOneDeviceAndTheInterfacesAnswerForThemselves)
{
  EXPECT_NE(GetProcAddress(module, "DirectDrawEnumerateA"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "DirectDrawCreateEx"), nullptr);
  auto enumerate =
      reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(GetProcAddress(module, "DirectDrawEnumerateExA"));
  ASSERT_NE(enumerate, nullptr);
  std::vector<bool> nullGuids;
  enumerate(
      [](GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR) -> BOOL {
        static_cast<std::vector<bool>*>(context)->push_back(guid == nullptr);
        return TRUE;
      },
      &nullGuids, 0);
  EXPECT_EQ(nullGuids, std::vector<bool>{true});

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDrawSurface, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  normal();
  LPDIRECTDRAWSURFACE screen = primary();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->QueryInterface(IID_IDirectDraw2, &out), E_NOINTERFACE);
  ASSERT_EQ(screen->QueryInterface(IID_IDirectDrawSurface, &out), DD_OK);
  EXPECT_EQ(out, screen);
  static_cast<LPDIRECTDRAWSURFACE>(out)->Release();
  LPDIRECTDRAW again = nullptr;
  ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&again)), DD_OK);
  EXPECT_EQ(again, first);
  again->Release();
}

TEST_F(DirectDrawTest, CooperativeLevels)
{
  HWND child = omtest::makeChild(frame, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10});
  LPDIRECTDRAW otherFirst = nullptr;
  ASSERT_EQ(create(nullptr, &otherFirst, nullptr), DD_OK);
  LPDIRECTDRAW2 other = nullptr;
  ASSERT_EQ(otherFirst->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&other)), DD_OK);
  otherFirst->Release();
  struct Case {
    LPDIRECTDRAW2 object;
    HWND window;
    DWORD flags;
    HRESULT expected;
    bool fullScreen;
  };
  const Case cases[] = {
      {dd, nullptr, DDSCL_NORMAL, DD_OK, false},
      {dd, frame, DDSCL_NORMAL, DD_OK, false},
      {dd, frame, DDSCL_EXCLUSIVE, DDERR_INVALIDPARAMS, false},
      {dd, frame, DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS, false},
      {dd, child, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS, false},
      {dd, nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_INVALIDPARAMS, false},
      {dd, frame, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK, true},
      {other, frame, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DDERR_EXCLUSIVEMODEALREADYSET, true},
      {other, nullptr, DDSCL_NORMAL, DD_OK, true},
      {dd, frame, DDSCL_NORMAL, DD_OK, false},
      {other, frame, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, DD_OK, true},
  };
  int row = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(c.object->SetCooperativeLevel(c.window, c.flags), c.expected) << "row " << row;
    EXPECT_EQ(omhost::host().fullScreen(), c.fullScreen) << "row " << row;
    ++row;
  }
  other->Release();
  EXPECT_FALSE(omhost::host().fullScreen());
}

TEST_F(DirectDrawTest, DisplayModesAreListedFilteredAndSetOnlyWhenExclusive)
{
  struct Found {
    std::vector<std::string> modes;
    std::size_t stopAfter = 100;
  };
  auto list = [&](LPDDSURFACEDESC match, std::size_t stopAfter) {
    Found found;
    found.stopAfter = stopAfter;
    dd->EnumDisplayModes(0, match, &found, [](LPDDSURFACEDESC mode, LPVOID context) -> HRESULT {
      auto* f = static_cast<Found*>(context);
      f->modes.push_back(std::to_string(mode->dwWidth) + "x" + std::to_string(mode->dwHeight) +
                         "x" + std::to_string(mode->ddpfPixelFormat.dwRGBBitCount));
      return f->modes.size() >= f->stopAfter ? DDENUMRET_CANCEL : DDENUMRET_OK;
    });
    return found.modes;
  };
  EXPECT_EQ(list(nullptr, 100).size(), 9u);
  DDSURFACEDESC match{};
  match.dwSize = sizeof match;
  match.dwFlags = DDSD_PIXELFORMAT;
  match.ddpfPixelFormat.dwRGBBitCount = 16;
  EXPECT_EQ(list(&match, 100),
            (std::vector<std::string>{"640x480x16", "800x600x16", "1024x768x16"}));
  match.dwFlags |= DDSD_WIDTH;
  match.dwWidth = 800;
  EXPECT_EQ(list(&match, 100), std::vector<std::string>{"800x600x16"});
  EXPECT_EQ(list(nullptr, 2), (std::vector<std::string>{"640x480x8", "640x480x16"}));

  EXPECT_EQ(dd->SetDisplayMode(800, 600, 8, 0, 0), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(dd->RestoreDisplayMode(), DDERR_NOEXCLUSIVEMODE);
  exclusive();
  EXPECT_EQ(dd->SetDisplayMode(641, 480, 16, 0, 0), DDERR_INVALIDMODE);
  omtest::MessageLog log;
  ASSERT_EQ(dd->SetDisplayMode(800, 600, 8, 0, 0), DD_OK);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(log.count(WM_DISPLAYCHANGE, frame), 1);
  for (const auto& seen : log.seen)
    if (seen.message == WM_DISPLAYCHANGE) {
      EXPECT_EQ(seen.lParam, MAKELPARAM(800, 600));
      EXPECT_EQ(seen.wParam, 8u);
    }
  ASSERT_EQ(dd->SetDisplayMode(1024, 768, 32, 0, 0), DD_OK);
  // The desktop's mode comes back on demand; the program stays exclusive and full screen.
  ASSERT_EQ(dd->RestoreDisplayMode(), DD_OK);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_EQ(omhost::host().screen().bitsPerPixel, 16);
  EXPECT_TRUE(omhost::host().fullScreen());
  ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
  // Leaving the exclusive level gives back the mode from before the first change.
  normal();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_EQ(omhost::host().screen().bitsPerPixel, 16);
  EXPECT_EQ(log.count(WM_DISPLAYCHANGE, frame), 5);
  EXPECT_FALSE(omhost::host().fullScreen());
}

TEST_F(DirectDrawTest, SurfacesAreMadeAsAskedOrRefusedWithAReason)
{
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  LPDIRECTDRAWSURFACE s = nullptr;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  normal();
  EXPECT_EQ(primary(1), nullptr);
  EXPECT_EQ(lastResult, DDERR_NOEXCLUSIVEMODE);
  LPDIRECTDRAWSURFACE screen = primary();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(primary(), nullptr);
  EXPECT_EQ(lastResult, DDERR_PRIMARYSURFACEALREADYEXISTS);
  d.dwSize = sizeof d - 4;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(make(DDSCAPS_OFFSCREENPLAIN, 0, 0), nullptr);
  EXPECT_EQ(lastResult, DDERR_INVALIDPARAMS);

  DDSURFACEDESC described{};
  described.dwSize = sizeof described;
  ASSERT_EQ(screen->GetSurfaceDesc(&described), DD_OK);
  EXPECT_EQ(described.dwWidth, 640u);
  EXPECT_EQ(described.ddpfPixelFormat.dwRBitMask, 0x7C00u);
  EXPECT_EQ(described.ddpfPixelFormat.dwGBitMask, 0x03E0u);
  EXPECT_EQ(described.ddpfPixelFormat.dwBBitMask, 0x001Fu);
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format - 1;
  EXPECT_EQ(screen->GetPixelFormat(&format), DDERR_INVALIDPARAMS);

  // Rows are rounded up to 32 bytes; the test switch pads each by 64 more.
  struct Pitch {
    bool padded;
    int width;
    LONG pitch;
  };
  for (const Pitch& p : {Pitch{false, 17, 64}, Pitch{false, 32, 64}, Pitch{true, 17, 128}}) {
    DirectDrawWorld::instance().setPaddedPitch(p.padded);
    LPDIRECTDRAWSURFACE plain = make(0x2840, p.width, 3);
    ASSERT_NE(plain, nullptr);
    ASSERT_EQ(plain->GetSurfaceDesc(&described), DD_OK);
    EXPECT_EQ(described.lPitch, p.pitch) << p.width;
  }

  // The video budget refuses what does not fit; system memory is still there.
  DirectDrawWorld::instance().setVideoMemoryBudget(100 * 1024);
  EXPECT_NE(make(0x6000, 100, 100), nullptr);
  EXPECT_EQ(make(0x6000, 200, 200), nullptr);
  EXPECT_EQ(lastResult, DDERR_OUTOFVIDEOMEMORY);
  EXPECT_NE(make(0x2840, 200, 200), nullptr);
  EXPECT_EQ(make(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY, 4, 4), nullptr);
}

// Blits at 8 and 16 bits, plain and keyed, clipped by nothing, by a clip list or by a window's
// visible part, against a loop that says pixel by pixel what each should leave.
struct BlitCase {
  const char* name;
  int bits;
  bool fast;
  bool keyed;
  enum Clip { none, list, window } clip;
  bool padded;
};

class DirectDrawBlitTest : public DirectDrawTest, public ::testing::WithParamInterface<BlitCase> {};

TEST_P(DirectDrawBlitTest, LeavesThePixelsTheReferenceLoopExpects)
{
  const BlitCase& c = GetParam();
  omgdi::Screen::instance().configure(640, 480, c.bits);
  DirectDrawWorld::instance().setPaddedPitch(c.padded);
  normal();
  const std::uint32_t mask = c.bits == 8 ? 0xFF : 0x7FFF;
  const std::uint32_t key = 7 & mask;
  LPDIRECTDRAWSURFACE source = make(0x2840, 48, 40);
  ASSERT_NE(source, nullptr);
  writePixels(source,
              [&](int x, int y) { return (x + y) % 5 == 0 ? key : (x * 31 + y * 7 + 1) & mask; });
  if (c.keyed) {
    DDCOLORKEY k{key, key};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &k), DD_OK);
  }
  LPDIRECTDRAWSURFACE target = nullptr;
  std::vector<RECT> allowed;
  RECT to{30, 20, 70, 52};
  RECT from{5, 4, 45, 36};
  if (c.clip == BlitCase::window) {
    // A window partly covered by another top-level window above it.
    HWND lower = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{20, 10, 100, 90});
    HWND upper = omtest::makeTopLevel(WS_POPUP | WS_VISIBLE, RECT{50, 30, 120, 45});
    SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    omtest::pumpAll();
    target = primary();
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, lower), DD_OK);
    ASSERT_EQ(target->SetClipper(clipper), DD_OK);
    clipper->Release();
    allowed = {RECT{20, 10, 100, 30}, RECT{20, 30, 50, 45}, RECT{20, 45, 100, 90}};
  } else {
    target = make(0x2840, 90, 60);
    allowed = {RECT{0, 0, 90, 60}};
  }
  ASSERT_NE(target, nullptr);
  if (c.clip == BlitCase::list) {
    allowed = {RECT{0, 0, 40, 30}, RECT{50, 40, 90, 60}};
    std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh = RGNDATAHEADER{sizeof(RGNDATAHEADER), 1, 2, 2 * sizeof(RECT), RECT{0, 0, 90, 60}};
    std::memcpy(region->Buffer, allowed.data(), 2 * sizeof(RECT));
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetClipList(region, 0), DD_OK);
    ASSERT_EQ(target->SetClipper(clipper), DD_OK);
    clipper->Release();
  }
  writePixels(target, [&](int x, int y) { return (x * 3 + y * 11 + 2) & mask; });
  const Pixels sourceBefore = readPixels(source);
  const Pixels before = readPixels(target);

  HRESULT result;
  if (c.fast) {
    result = target->BltFast(static_cast<DWORD>(to.left), static_cast<DWORD>(to.top), source, &from,
                             c.keyed ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY);
  } else {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwROP = SRCCOPY;
    result = target->Blt(&to, source, &from, DDBLT_ROP | (c.keyed ? DDBLT_KEYSRC : 0), &fx);
  }
  ASSERT_EQ(result, DD_OK);

  const Pixels after = readPixels(target);
  int changed = 0;
  for (int y = 0; y < before.height; ++y)
    for (int x = 0; x < before.width; ++x) {
      std::uint32_t expected = before.at(x, y);
      const bool inBlit = x >= to.left && x < to.right && y >= to.top && y < to.bottom;
      if (inBlit && inRects(allowed, x, y)) {
        const std::uint32_t s = sourceBefore.at(from.left + x - to.left, from.top + y - to.top);
        if (!c.keyed || s != key) expected = s;
      }
      if (expected != before.at(x, y)) ++changed;
      ASSERT_EQ(after.at(x, y), expected) << "at " << x << "," << y;
    }
  EXPECT_GT(changed, 100);
  EXPECT_EQ(readPixels(source), sourceBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Blits, DirectDrawBlitTest,
    ::testing::Values(BlitCase{"fast16", 16, true, false, BlitCase::none, false},
                      BlitCase{"fastKeyed16", 16, true, true, BlitCase::none, true},
                      BlitCase{"fast8", 8, true, false, BlitCase::none, true},
                      BlitCase{"fastKeyed8", 8, true, true, BlitCase::none, false},
                      BlitCase{"blit16", 16, false, false, BlitCase::none, false},
                      BlitCase{"blitKeyed8", 8, false, true, BlitCase::none, false},
                      BlitCase{"listKeyed16", 16, false, true, BlitCase::list, true},
                      BlitCase{"list8", 8, false, false, BlitCase::list, false},
                      BlitCase{"window16", 16, false, false, BlitCase::window, false},
                      BlitCase{"windowKeyed8", 8, false, true, BlitCase::window, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DirectDrawTest, FailedBlitsAnswerWhyAndDrawNothing)
{
  normal();
  LPDIRECTDRAWSURFACE source = make(0x2840, 20, 20);
  LPDIRECTDRAWSURFACE target = make(0x2840, 30, 30);
  LPDIRECTDRAWSURFACE deep = make(0x2840, 20, 20, 32);
  ASSERT_TRUE(source && target && deep);
  writePixels(source, [](int x, int y) { return static_cast<std::uint32_t>(x + y + 1); });
  const Pixels before = readPixels(target);
  RECT whole{0, 0, 20, 20}, outside{15, 15, 35, 35}, wide{0, 0, 25, 20}, sourceOut{5, 5, 25, 25};
  auto fx = [](DWORD size, DWORD rop) {
    DDBLTFX f{};
    f.dwSize = size;
    f.dwROP = rop;
    return f;
  };
  struct Case {
    const char* name;
    std::function<HRESULT()> call;
    HRESULT expected;
  };
  const std::vector<Case> cases = {
      {"rop",
       [&] {
         auto f = fx(100, SRCPAINT);
         return target->Blt(&whole, source, &whole, DDBLT_ROP, &f);
       },
       DDERR_NORASTEROPHW},
      {"stretch",
       [&] {
         auto f = fx(100, SRCCOPY);
         return target->Blt(&wide, source, &whole, DDBLT_ROP, &f);
       },
       DDERR_NOSTRETCHHW},
      {"outside",
       [&] {
         auto f = fx(100, SRCCOPY);
         return target->Blt(&outside, source, &whole, DDBLT_ROP, &f);
       },
       DDERR_INVALIDRECT},
      {"sourceOut",
       [&] {
         auto f = fx(100, SRCCOPY);
         return target->Blt(&whole, source, &sourceOut, DDBLT_ROP, &f);
       },
       DDERR_INVALIDRECT},
      {"fxSize",
       [&] {
         auto f = fx(96, SRCCOPY);
         return target->Blt(&whole, source, &whole, DDBLT_ROP, &f);
       },
       DDERR_INVALIDPARAMS},
      {"depth", [&] { return target->BltFast(0, 0, deep, nullptr, 0); }, DDERR_INVALIDPIXELFORMAT},
      {"fastOutside", [&] { return target->BltFast(15, 0, source, nullptr, 0); },
       DDERR_INVALIDRECT},
      {"fastSourceOut", [&] { return target->BltFast(0, 0, source, &sourceOut, 0); },
       DDERR_INVALIDRECT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.call(), c.expected) << c.name;
    EXPECT_EQ(readPixels(target), before) << c.name;
  }
  // A fast blit cannot clip: as on Windows, a destination with a clipper refuses it, while a
  // source's clipper does not matter.
  LPDIRECTDRAWCLIPPER clipper = nullptr;
  ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
  target->SetClipper(clipper);
  EXPECT_EQ(target->BltFast(0, 0, source, nullptr, 0), DDERR_BLTFASTCANTCLIP);
  EXPECT_EQ(readPixels(target), before);
  target->SetClipper(nullptr);
  source->SetClipper(clipper);
  EXPECT_EQ(target->BltFast(0, 0, source, nullptr, 0), DD_OK);
  source->SetClipper(nullptr);
  clipper->Release();
  writePixels(target, [](int, int) { return 0u; });

  // Busy blitters answer WASSTILLDRAWING as often as asked, then work.
  DirectDrawWorld::instance().failNextCalls(2);
  int tries = 1;
  while (target->BltFast(0, 0, source, nullptr, 0) == DDERR_WASSTILLDRAWING)
    ++tries;
  EXPECT_EQ(tries, 3);
  EXPECT_EQ(readPixels(target).at(3, 4), 8u);
}

TEST_F(DirectDrawTest, LocksAndDeviceContextsExcludeEachOtherAndShareThePixels)
{
  normal();
  LPDIRECTDRAWSURFACE s = make(0x2840, 64, 32);
  ASSERT_NE(s, nullptr);
  HDC dc = nullptr;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  EXPECT_EQ(s->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACEBUSY);
  HDC second = nullptr;
  EXPECT_EQ(s->GetDC(&second), DDERR_SURFACEBUSY);
  // A DC does not keep blits out (the framework blits while it holds both DCs for clipping);
  // a lock does.
  LPDIRECTDRAWSURFACE other = make(0x2840, 64, 32);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(s->BltFast(0, 0, other, nullptr, DDBLTFAST_NOCOLORKEY), DD_OK);
  EXPECT_EQ(other->BltFast(0, 0, s, nullptr, DDBLTFAST_NOCOLORKEY), DD_OK);
  RECT box{4, 6, 20, 16};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &box, red);
  DeleteObject(red);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 255));
  TextOutA(dc, 30, 2, "Ab", 2);
  SIZE extent{};
  GetTextExtentPoint32A(dc, "Ab", 2, &extent);
  ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(s->ReleaseDC(dc), DDERR_NODC);

  ASSERT_EQ(s->Lock(nullptr, &d, 0, nullptr), DD_OK);
  EXPECT_EQ(s->GetDC(&second), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(other->BltFast(0, 0, s, nullptr, DDBLTFAST_NOCOLORKEY), DDERR_SURFACEBUSY);
  s->Unlock(nullptr);
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  const Pixels p = readPixels(s);
  int blue = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const bool inBox = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      const bool inText = x >= 30 && x < 30 + extent.cx && y >= 2 && y < 2 + extent.cy;
      const std::uint32_t v = p.at(x, y);
      if (inBox)
        ASSERT_EQ(v, 0x7C00u) << x << "," << y;
      else if (!inText)
        ASSERT_EQ(v, 0u) << x << "," << y;
      else if (v == 0x001Fu)
        ++blue;
      else
        ASSERT_EQ(v, 0u) << "text pixels are blue or untouched";
    }
  EXPECT_GT(blue, 10);
}

// Restored surfaces of the card's memory come back cleared; system memory keeps its pixels.
TEST_F(DirectDrawTest, LostSurfacesRefuseEverythingUntilRestoredCleared)
{
  exclusive();
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
  LPDIRECTDRAWSURFACE chain = primary(1);
  LPDIRECTDRAWSURFACE plain = make(0x6000, 16, 16);
  LPDIRECTDRAWSURFACE kept = make(0x2840, 16, 16);
  ASSERT_TRUE(chain && plain && kept);
  writePixels(plain, [](int, int) { return 0x1234u; });
  writePixels(kept, [](int, int) { return 0x4321u; });
  DirectDrawWorld::instance().loseSurfaces();
  EXPECT_EQ(kept->IsLost(), DDERR_SURFACELOST);
  ASSERT_EQ(kept->Restore(), DD_OK);
  EXPECT_EQ(readPixels(kept).at(5, 5), 0x4321u);
  DDSURFACEDESC d{};
  d.dwSize = sizeof d;
  HDC dc = nullptr;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwROP = SRCCOPY;
  EXPECT_EQ(plain->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(plain->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(plain->GetDC(&dc), DDERR_SURFACELOST);
  EXPECT_EQ(chain->Blt(nullptr, plain, nullptr, DDBLT_ROP, &fx), DDERR_SURFACELOST);
  EXPECT_EQ(chain->BltFast(0, 0, plain, nullptr, 0), DDERR_SURFACELOST);
  EXPECT_EQ(chain->Flip(nullptr, 0), DDERR_SURFACELOST);
  ASSERT_EQ(plain->Restore(), DD_OK);
  EXPECT_EQ(plain->IsLost(), DD_OK);
  EXPECT_EQ(readPixels(plain).at(5, 5), 0u);

  // Losing the focus: the desktop's mode comes back and the program is minimised; surfaces
  // come back only once it is active again.
  ASSERT_EQ(dd->SetDisplayMode(800, 600, 8, 0, 0), DD_OK);
  ASSERT_EQ(plain->Restore(), DD_OK);
  ASSERT_EQ(chain->Restore(), DD_OK);
  auto& host = static_cast<omhost::HeadlessHost&>(omhost::host());
  host.deactivate();
  omtest::pumpAll();
  EXPECT_EQ(plain->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
  EXPECT_TRUE(IsIconic(frame));
  EXPECT_FALSE(host.fullScreen());
  EXPECT_EQ(plain->Restore(), DDERR_WRONGMODE);
  host.activate();
  omtest::pumpAll();
  EXPECT_FALSE(IsIconic(frame));
  ASSERT_EQ(chain->Restore(), DD_OK);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(omhost::host().screen().bitsPerPixel, 8);
  EXPECT_TRUE(host.fullScreen());
}

TEST_F(DirectDrawTest, SurfacesOutlivingTheirObjectStayLost)
{
  normal();
  LPDIRECTDRAWSURFACE s = make(0x2840, 8, 8);
  ASSERT_NE(s, nullptr);
  dd->Release();
  first->Release();
  dd = nullptr;
  first = nullptr;
  EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(s->Restore(), DDERR_SURFACELOST);
}

TEST_F(DirectDrawTest, FlipRotatesTheChainsBuffers)
{
  exclusive();
  for (int count : {1, 2}) {
    SCOPED_TRACE(count);
    LPDIRECTDRAWSURFACE front = primary(count);
    ASSERT_NE(front, nullptr);
    std::vector<LPDIRECTDRAWSURFACE> chain{front};
    for (int i = 0; i < count; ++i) {
      LPDIRECTDRAWSURFACE next = nullptr;
      chain.back()->EnumAttachedSurfaces(
          &next, [](LPDIRECTDRAWSURFACE s, LPDDSURFACEDESC, LPVOID c) -> HRESULT {
            *static_cast<LPDIRECTDRAWSURFACE*>(c) = s;
            return DDENUMRET_CANCEL;
          });
      ASSERT_NE(next, nullptr);
      held.push_back(next);
      chain.push_back(next);
    }
    for (std::size_t i = 0; i < chain.size(); ++i)
      writePixels(chain[i], [i](int, int) { return static_cast<std::uint32_t>(100 + i); });
    for (std::size_t flip = 1; flip <= chain.size(); ++flip) {
      ASSERT_EQ(front->Flip(nullptr, 0), DD_OK);
      for (std::size_t i = 0; i < chain.size(); ++i)
        EXPECT_EQ(readPixels(chain[i]).at(1, 1), 100 + (i + flip) % chain.size());
    }
    // The front buffer is the screen itself.
    EXPECT_EQ(omhost::host().screen().bytes[0], 100);
    LPDIRECTDRAWSURFACE plain = make(0x2840, 640, 480);
    EXPECT_EQ(front->AddAttachedSurface(plain), DDERR_CANNOTATTACHSURFACE);
    EXPECT_EQ(front->DeleteAttachedSurface(0, plain), DDERR_CANNOTDETACHSURFACE);
    EXPECT_EQ(plain->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
    // A new chain needs the old primary surface gone.
    for (LPDIRECTDRAWSURFACE s : held)
      s->Release();
    held.clear();
  }
}

TEST_F(DirectDrawTest, ThePrimarySurfacesPaletteIsTheScreens)
{
  omgdi::Screen::instance().configure(640, 480, 8);
  normal();
  LPDIRECTDRAWSURFACE screen = primary();
  ASSERT_NE(screen, nullptr);
  PALETTEENTRY entries[256];
  HDC desktop = GetDC(nullptr);
  ASSERT_EQ(GetSystemPaletteEntries(desktop, 0, 256, entries), 256u);
  ReleaseDC(nullptr, desktop);
  // The 20 static colours of an 8-bit display.
  EXPECT_EQ(RGB(entries[7].peRed, entries[7].peGreen, entries[7].peBlue), RGB(192, 192, 192));
  EXPECT_EQ(RGB(entries[249].peRed, entries[249].peGreen, entries[249].peBlue), RGB(255, 0, 0));
  LPDIRECTDRAWPALETTE palette = nullptr;
  ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
  ASSERT_EQ(screen->SetPalette(palette), DD_OK);
  PALETTEENTRY changed[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  ASSERT_EQ(palette->SetEntries(0, 100, 2, changed), DD_OK);
  EXPECT_EQ(omhost::host().screen().palette[100], 0x0A141Eu);
  EXPECT_EQ(omhost::host().screen().palette[101], 0x28323Cu);
  EXPECT_EQ(omhost::host().screen().palette[7], 0xC0C0C0u);
  PALETTEENTRY back[2];
  ASSERT_EQ(palette->GetEntries(0, 100, 2, back), DD_OK);
  EXPECT_EQ(back[1].peBlue, 60);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, changed), DDERR_INVALIDPARAMS);
  // Pixels written through the lock index that palette.
  writePixels(screen, [](int x, int) { return x < 2 ? 101u : 0u; });
  EXPECT_EQ(omhost::host().screen().bytes[0], 101);
  screen->SetPalette(nullptr);
  palette->Release();
  omgdi::Screen::instance().configure(640, 480, 16);
  EXPECT_EQ(screen->SetPalette(nullptr), DDERR_NOTPALETTIZED);
}

}  // namespace
