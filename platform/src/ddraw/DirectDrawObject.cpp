#include "platform/src/ddraw/DirectDrawObject.h"

#include <algorithm>

#include "platform/host/Host.h"
#include "platform/src/ddraw/DirectDrawClipper.h"
#include "platform/src/ddraw/DirectDrawPalette.h"
#include "platform/src/ddraw/DirectDrawSurface.h"
#include "platform/src/gdi/Surface.h"

namespace omddraw {
namespace {

constexpr int kMaxBackBuffers = 3;
constexpr DWORD kKnownCooperation = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES |
                                    DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;

bool isTopLevel(HWND window)
{
  return IsWindow(window) && GetParent(window) == nullptr &&
         (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0;
}

void describeMode(const DisplayMode& mode, DDSURFACEDESC& description)
{
  description = DDSURFACEDESC{};
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  description.dwWidth = static_cast<DWORD>(mode.width);
  description.dwHeight = static_cast<DWORD>(mode.height);
  description.lPitch = omgdi::Surface::strideFor(mode.width, mode.bitsPerPixel);
  DirectDrawSurface::describeFormat(mode.bitsPerPixel, description.ddpfPixelFormat);
}

bool matches(const DisplayMode& mode, const DDSURFACEDESC& match)
{
  if ((match.dwFlags & DDSD_WIDTH) && match.dwWidth != static_cast<DWORD>(mode.width)) return false;
  if ((match.dwFlags & DDSD_HEIGHT) && match.dwHeight != static_cast<DWORD>(mode.height))
    return false;
  if ((match.dwFlags & DDSD_PIXELFORMAT) &&
      match.ddpfPixelFormat.dwRGBBitCount != static_cast<DWORD>(mode.bitsPerPixel))
    return false;
  if ((match.dwFlags & DDSD_REFRESHRATE) && match.dwRefreshRate != 0) return false;
  return true;
}

}  // namespace

DirectDrawObject::DirectDrawObject() = default;

DirectDrawObject::~DirectDrawObject()
{
  if (exclusive_) leaveExclusive();
  // Surfaces still held by the program stay lost until it releases them.
  for (DirectDrawSurface* surface : surfaces_)
    surface->orphan();
}

HRESULT WINAPI DirectDrawObject::QueryInterface(REFIID iid, void** out)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (IsEqualGUID(iid, IID_IDirectDraw2))
    *out = static_cast<IDirectDraw2*>(this);
  else if (IsEqualGUID(iid, IID_IDirectDraw) || IsEqualGUID(iid, IID_IUnknown))
    *out = static_cast<IDirectDraw*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return DD_OK;
}

ULONG WINAPI DirectDrawObject::AddRef()
{
  return ++references_;
}

ULONG WINAPI DirectDrawObject::Release()
{
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT WINAPI DirectDrawObject::Compact()
{
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out,
                                               IUnknown* outer)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return DDERR_NOAGGREGATION;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  *out = new DirectDrawClipper();
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                               LPDIRECTDRAWPALETTE* out, IUnknown* outer)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return DDERR_NOAGGREGATION;
  if (!entries) return DDERR_INVALIDPARAMS;
  if (!(flags & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;
  *out = new DirectDrawPalette(flags, entries);
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::CreateSurface(LPDDSURFACEDESC description,
                                               LPDIRECTDRAWSURFACE* out, IUnknown* outer)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return DDERR_NOAGGREGATION;
  if (!description || description->dwSize != sizeof(DDSURFACEDESC) ||
      !(description->dwFlags & DDSD_CAPS))
    return DDERR_INVALIDPARAMS;
  if (!cooperative_) return DDERR_NOCOOPERATIVELEVELSET;
  const DWORD caps = description->ddsCaps.dwCaps;
  if ((caps & DDSCAPS_VIDEOMEMORY) && (caps & DDSCAPS_SYSTEMMEMORY)) return DDERR_INVALIDPARAMS;
  DirectDrawWorld& world = DirectDrawWorld::instance();
  const DisplayMode mode = world.currentMode();

  if (caps & DDSCAPS_PRIMARYSURFACE) {
    if (primary_) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    int backBuffers = 0;
    if (caps & DDSCAPS_FLIP) {
      if (!(caps & DDSCAPS_COMPLEX) || !(description->dwFlags & DDSD_BACKBUFFERCOUNT) ||
          description->dwBackBufferCount < 1 ||
          description->dwBackBufferCount > static_cast<DWORD>(kMaxBackBuffers))
        return DDERR_INVALIDPARAMS;
      if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
      backBuffers = static_cast<int>(description->dwBackBufferCount);
    }
    auto* front = new DirectDrawSurface(this, caps);
    DirectDrawSurface* previous = front;
    for (int i = 0; i < backBuffers; ++i) {
      const DWORD backCaps = (i == 0 ? DDSCAPS_BACKBUFFER : 0) | DDSCAPS_FLIP | DDSCAPS_COMPLEX |
                             DDSCAPS_VIDEOMEMORY | (caps & DDSCAPS_3DDEVICE);
      auto* back =
          new DirectDrawSurface(this, backCaps, mode.width, mode.height, mode.bitsPerPixel, 0);
      surfaces_.push_back(back);
      previous->chainTo(back);
      previous = back;
    }
    front->setBackBufferCount(backBuffers);
    primary_ = front;
    surfaces_.push_back(front);
    *out = front;
    return DD_OK;
  }

  if ((description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
    return DDERR_INVALIDPARAMS;
  int bits = mode.bitsPerPixel;
  if (description->dwFlags & DDSD_PIXELFORMAT) {
    bits = static_cast<int>(description->ddpfPixelFormat.dwRGBBitCount);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return DDERR_INVALIDPIXELFORMAT;
  }
  const DWORD width = description->dwWidth, height = description->dwHeight;
  if (width == 0 || height == 0 || width > 16384 || height > 16384 ||
      !omgdi::Surface::fitsInMemory(static_cast<int>(width), static_cast<int>(height), bits))
    return DDERR_INVALIDPARAMS;
  std::size_t videoBytes = 0;
  if (caps & DDSCAPS_VIDEOMEMORY) {
    videoBytes =
        static_cast<std::size_t>(DirectDrawSurface::pitchFor(static_cast<int>(width), bits)) *
        height;
    if (!world.takeVideoMemory(videoBytes)) return DDERR_OUTOFVIDEOMEMORY;
  }
  auto* surface = new DirectDrawSurface(this, caps, static_cast<int>(width),
                                        static_cast<int>(height), bits, videoBytes);
  surfaces_.push_back(surface);
  *out = surface;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE* out)
{
  if (out) *out = nullptr;
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawObject::EnumDisplayModes(DWORD, LPDDSURFACEDESC match, LPVOID context,
                                                  LPDDENUMMODESCALLBACK callback)
{
  if (!callback) return DDERR_INVALIDPARAMS;
  if (match && match->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  for (const DisplayMode& mode : DirectDrawWorld::displayModes()) {
    if (match && !matches(mode, *match)) continue;
    DDSURFACEDESC description;
    describeMode(mode, description);
    if (callback(&description, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID,
                                              LPDDENUMSURFACESCALLBACK)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawObject::FlipToGDISurface()
{
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps)
{
  if (!driverCaps && !helCaps) return DDERR_INVALIDPARAMS;
  for (LPDDCAPS caps : {driverCaps, helCaps}) {
    if (!caps) continue;
    if (caps->dwSize < sizeof(DDCAPS)) return DDERR_INVALIDPARAMS;
    const DWORD size = caps->dwSize;
    *caps = DDCAPS{};
    caps->dwSize = size;
    caps->dwPalCaps = DDPCAPS_8BIT | DDPCAPS_PRIMARYSURFACE | DDPCAPS_ALLOW256;
    caps->dwVidMemTotal = static_cast<DWORD>(DirectDrawWorld::instance().videoMemoryTotal());
    caps->dwVidMemFree = static_cast<DWORD>(DirectDrawWorld::instance().videoMemoryFree());
  }
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetDisplayMode(LPDDSURFACEDESC mode)
{
  if (!mode || mode->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  describeMode(DirectDrawWorld::instance().currentMode(), *mode);
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetFourCCCodes(LPDWORD count, LPDWORD)
{
  if (!count) return DDERR_INVALIDPARAMS;
  *count = 0;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetGDISurface(LPDIRECTDRAWSURFACE* out)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = primary_;
  if (!primary_) return DDERR_NOTFOUND;
  primary_->AddRef();
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetMonitorFrequency(LPDWORD frequency)
{
  if (!frequency) return DDERR_INVALIDPARAMS;
  *frequency = 60;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetScanLine(LPDWORD line)
{
  if (!line) return DDERR_INVALIDPARAMS;
  *line = 0;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetVerticalBlankStatus(BOOL* inBlank)
{
  if (!inBlank) return DDERR_INVALIDPARAMS;
  *inBlank = TRUE;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::Initialize(GUID*)
{
  return DDERR_ALREADYINITIALIZED;
}

HRESULT WINAPI DirectDrawObject::RestoreDisplayMode()
{
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  if (savedMode_) DirectDrawWorld::instance().applyMode(*savedMode_);
  savedMode_.reset();
  mode_.reset();
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags)
{
  if (flags & ~kKnownCooperation) return DDERR_INVALIDPARAMS;
  DirectDrawWorld& world = DirectDrawWorld::instance();
  if (flags & DDSCL_EXCLUSIVE) {
    if (!(flags & DDSCL_FULLSCREEN) || (flags & DDSCL_NORMAL) || !isTopLevel(window))
      return DDERR_INVALIDPARAMS;
    if (world.exclusiveOwner() && world.exclusiveOwner() != this)
      return DDERR_EXCLUSIVEMODEALREADYSET;
    cooperative_ = exclusive_ = true;
    window_ = window;
    world.setExclusiveOwner(this);
    omhost::host().setFullScreen(true);
    return DD_OK;
  }
  if (!(flags & DDSCL_NORMAL) || (flags & DDSCL_FULLSCREEN)) return DDERR_INVALIDPARAMS;
  if (window && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  if (exclusive_) leaveExclusive();
  cooperative_ = true;
  window_ = window;
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel)
{
  return SetDisplayMode(width, height, bitsPerPixel, 0, 0);
}

HRESULT WINAPI DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel,
                                                DWORD refreshRate, DWORD flags)
{
  if (flags != 0 || refreshRate != 0) return DDERR_INVALIDPARAMS;
  if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
  if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || bitsPerPixel > 64) return DDERR_INVALIDMODE;
  const DisplayMode wanted{static_cast<int>(width), static_cast<int>(height),
                           static_cast<int>(bitsPerPixel)};
  if (!DirectDrawWorld::offersMode(wanted)) return DDERR_INVALIDMODE;
  DirectDrawWorld& world = DirectDrawWorld::instance();
  if (!savedMode_) savedMode_ = world.currentMode();
  mode_ = wanted;
  world.applyMode(wanted);
  omhost::host().setFullScreen(true);
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::WaitForVerticalBlank(DWORD, HANDLE)
{
  return DD_OK;
}

HRESULT WINAPI DirectDrawObject::GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free)
{
  if (!caps) return DDERR_INVALIDPARAMS;
  if (total) *total = static_cast<DWORD>(DirectDrawWorld::instance().videoMemoryTotal());
  if (free) *free = static_cast<DWORD>(DirectDrawWorld::instance().videoMemoryFree());
  return DD_OK;
}

void DirectDrawObject::reenterMode()
{
  if (!exclusive_) return;
  if (mode_) DirectDrawWorld::instance().applyMode(*mode_);
  omhost::host().setFullScreen(true);
}

void DirectDrawObject::giveUpDisplay()
{
  if (savedMode_) DirectDrawWorld::instance().applyMode(*savedMode_);
  omhost::host().setFullScreen(false);
  if (window_ && IsWindow(window_)) ShowWindow(window_, SW_SHOWMINNOACTIVE);
}

void DirectDrawObject::takeBackDisplay()
{
  if (window_ && IsWindow(window_) && IsIconic(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void DirectDrawObject::leaveExclusive()
{
  RestoreDisplayMode();
  omhost::host().setFullScreen(false);
  exclusive_ = false;
  if (DirectDrawWorld::instance().exclusiveOwner() == this)
    DirectDrawWorld::instance().setExclusiveOwner(nullptr);
}

void DirectDrawObject::forgetSurface(DirectDrawSurface* surface)
{
  std::erase(surfaces_, surface);
  if (primary_ == surface) primary_ = nullptr;
}

}  // namespace omddraw
