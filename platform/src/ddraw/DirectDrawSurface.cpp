#include "platform/src/ddraw/DirectDrawSurface.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/src/ddraw/DirectDrawClipper.h"
#include "platform/src/ddraw/DirectDrawObject.h"
#include "platform/src/ddraw/DirectDrawPalette.h"
#include "platform/src/ddraw/DirectDrawWorld.h"
#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/Screen.h"

namespace omddraw {
namespace {

omgdi::Surface& screenSurface()
{
  return omgdi::Screen::instance().surface();
}

DirectDrawSurface* fromInterface(LPDIRECTDRAWSURFACE surface)
{
  return static_cast<DirectDrawSurface*>(surface);
}

bool inside(const RECT& r, const RECT& bounds)
{
  return r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
         r.bottom <= bounds.bottom && r.left < r.right && r.top < r.bottom;
}

bool overlap(const RECT& a, const RECT& b, RECT& out)
{
  out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  return out.left < out.right && out.top < out.bottom;
}

template <typename Pixel>
void copyKeyed(std::uint8_t* out, const std::uint8_t* in, int count, std::uint32_t low,
               std::uint32_t high)
{
  for (int i = 0; i < count; ++i) {
    Pixel value;
    std::memcpy(&value, in + i * sizeof(Pixel), sizeof(Pixel));
    if (value < low || value > high) std::memcpy(out + i * sizeof(Pixel), &value, sizeof(Pixel));
  }
}

// Copies the pixels of a row whose values lie outside [low, high].
void copyKeyedRow(std::uint8_t* out, const std::uint8_t* in, int count, int bytes,
                  std::uint32_t low, std::uint32_t high)
{
  switch (bytes) {
    case 1:
      copyKeyed<std::uint8_t>(out, in, count, low, high);
      break;
    case 2:
      copyKeyed<std::uint16_t>(out, in, count, low, high);
      break;
    case 4:
      copyKeyed<std::uint32_t>(out, in, count, low, high);
      break;
    default:
      for (int i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        std::memcpy(&value, in + i * 3, 3);
        if (value < low || value > high) std::memcpy(out + i * 3, in + i * 3, 3);
      }
  }
}

}  // namespace

int DirectDrawSurface::pitchFor(int width, int bitsPerPixel)
{
  const int packed = width * (bitsPerPixel / 8);
  const int rounded = (packed + 31) / 32 * 32;
  return rounded + (DirectDrawWorld::instance().paddedPitch() ? 64 : 0);
}

void DirectDrawSurface::describeFormat(int bitsPerPixel, DDPIXELFORMAT& format)
{
  format = DDPIXELFORMAT{};
  format.dwSize = sizeof format;
  format.dwFlags = DDPF_RGB;
  format.dwRGBBitCount = static_cast<DWORD>(bitsPerPixel);
  if (bitsPerPixel == 8) {
    format.dwFlags |= DDPF_PALETTEINDEXED8;
  } else if (bitsPerPixel == 16) {
    format.dwRBitMask = 0x7C00;
    format.dwGBitMask = 0x03E0;
    format.dwBBitMask = 0x001F;
  } else {
    format.dwRBitMask = 0xFF0000;
    format.dwGBitMask = 0x00FF00;
    format.dwBBitMask = 0x0000FF;
  }
}

DirectDrawSurface::DirectDrawSurface(DirectDrawObject* owner, DWORD caps)
    : owner_(owner), caps_(caps | DDSCAPS_VISIBLE | DDSCAPS_VIDEOMEMORY)
{
  if (caps & DDSCAPS_FLIP) caps_ |= DDSCAPS_FRONTBUFFER;
  DirectDrawWorld::instance().addSurface(this);
}

DirectDrawSurface::DirectDrawSurface(DirectDrawObject* owner, DWORD caps, int width, int height,
                                     int bitsPerPixel, std::size_t videoBytes)
    : owner_(owner),
      caps_(caps),
      width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      pitch_(pitchFor(width, bitsPerPixel)),
      memory_(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height)),
      videoBytes_(videoBytes)
{
  if (!(caps_ & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY))) caps_ |= DDSCAPS_SYSTEMMEMORY;
  DirectDrawWorld::instance().addSurface(this);
}

DirectDrawSurface::~DirectDrawSurface()
{
  if (dc_) ReleaseDC(dc_);
  DirectDrawWorld::instance().removeSurface(this);
  DirectDrawWorld::instance().giveVideoMemory(videoBytes_);
  if (owner_) owner_->forgetSurface(this);
  if (palette_) palette_->Release();
  if (clipper_) clipper_->Release();
  if (attached_) attached_->Release();
}

void DirectDrawSurface::orphan()
{
  owner_ = nullptr;
  lost_ = true;
}

int DirectDrawSurface::width() const
{
  return isPrimary() ? screenSurface().width() : width_;
}

int DirectDrawSurface::height() const
{
  return isPrimary() ? screenSurface().height() : height_;
}

int DirectDrawSurface::bitsPerPixel() const
{
  return isPrimary() ? screenSurface().bitsPerPixel() : bitsPerPixel_;
}

int DirectDrawSurface::pitch() const
{
  return isPrimary() ? screenSurface().stride() : pitch_;
}

std::uint8_t* DirectDrawSurface::bits()
{
  return isPrimary() ? screenSurface().pixels() : memory_.data();
}

HRESULT DirectDrawSurface::usable() const
{
  return lost_ || !owner_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT DirectDrawSurface::busy() const
{
  return locked_ || dc_ ? DDERR_SURFACEBUSY : DD_OK;
}

// The framework blits between surfaces whose DCs it holds for their clip regions. A DC here
// is only a view of the surface's memory, so only a lock keeps blits out.
HRESULT DirectDrawSurface::blitBusy() const
{
  return locked_ ? DDERR_SURFACEBUSY : DD_OK;
}

// Only flipping chains hold attached surfaces here, and they are made whole by CreateSurface;
// a plain off-screen surface cannot become a back buffer afterwards.
HRESULT WINAPI DirectDrawSurface::AddAttachedSurface(LPDIRECTDRAWSURFACE surface)
{
  if (!surface || surface == this) return DDERR_INVALIDPARAMS;
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  for (DirectDrawSurface* s = attached_; s && s != this; s = s->attached_)
    if (s == fromInterface(surface)) return DDERR_SURFACEALREADYATTACHED;
  return DDERR_CANNOTATTACHSURFACE;
}

HRESULT WINAPI DirectDrawSurface::AddOverlayDirtyRect(LPRECT)
{
  return DDERR_UNSUPPORTED;
}

void DirectDrawSurface::copyFrom(DirectDrawSurface& source, const RECT& from, LONG x, LONG y,
                                 const std::vector<RECT>& clip, const DDCOLORKEY* key)
{
  const int bytes = bitsPerPixel() / 8;
  const RECT target{x, y, x + (from.right - from.left), y + (from.bottom - from.top)};
  // A blit within one surface reads what was there before it.
  std::vector<std::uint8_t> snapshot;
  const std::uint8_t* sourceBits = source.bits();
  int sourcePitch = source.pitch();
  LONG originX = from.left, originY = from.top;
  if (&source == this) {
    const int rowBytes = (from.right - from.left) * bytes;
    snapshot.resize(static_cast<std::size_t>(rowBytes) *
                    static_cast<std::size_t>(from.bottom - from.top));
    for (LONG row = from.top; row < from.bottom; ++row)
      std::memcpy(snapshot.data() + static_cast<std::size_t>(row - from.top) * rowBytes,
                  sourceBits + static_cast<std::size_t>(row) * sourcePitch + from.left * bytes,
                  static_cast<std::size_t>(rowBytes));
    sourceBits = snapshot.data();
    sourcePitch = rowBytes;
    originX = originY = 0;
  }
  std::uint8_t* targetBits = bits();
  const int targetPitch = pitch();
  const std::uint32_t mask = bytes >= 4 ? 0xFFFFFFFFu : (1u << (bytes * 8)) - 1;
  const std::uint32_t low = key ? key->dwColorSpaceLowValue & mask : 0;
  const std::uint32_t high = key ? key->dwColorSpaceHighValue & mask : 0;
  for (const RECT& c : clip) {
    RECT part;
    if (!overlap(c, target, part)) continue;
    const int rowBytes = (part.right - part.left) * bytes;
    for (LONG row = part.top; row < part.bottom; ++row) {
      std::uint8_t* out = targetBits + static_cast<std::size_t>(row) * targetPitch +
                          static_cast<std::size_t>(part.left) * bytes;
      const std::uint8_t* in = sourceBits +
                               static_cast<std::size_t>(originY + row - y) * sourcePitch +
                               static_cast<std::size_t>(originX + part.left - x) * bytes;
      if (!key) {
        std::memcpy(out, in, static_cast<std::size_t>(rowBytes));
        continue;
      }
      copyKeyedRow(out, in, part.right - part.left, bytes, low, high);
    }
  }
}

HRESULT WINAPI DirectDrawSurface::Blt(LPRECT destination, LPDIRECTDRAWSURFACE sourceSurface,
                                      LPRECT sourceRect, DWORD flags, LPDDBLTFX effects)
{
  constexpr DWORD known = DDBLT_ROP | DDBLT_KEYSRC | DDBLT_WAIT | DDBLT_COLORFILL;
  if (flags & ~known) return DDERR_INVALIDPARAMS;
  if (effects && effects->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
  if ((flags & (DDBLT_ROP | DDBLT_COLORFILL)) && !effects) return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_ROP) && effects->dwROP != SRCCOPY) return DDERR_NORASTEROPHW;
  DirectDrawSurface* source = fromInterface(sourceSurface);
  if (!source && !(flags & DDBLT_COLORFILL)) return DDERR_INVALIDPARAMS;
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (source)
    if (HRESULT state = source->usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  if (HRESULT state = blitBusy(); state != DD_OK) return state;
  if (source)
    if (HRESULT state = source->blitBusy(); state != DD_OK) return state;

  const RECT to = destination ? *destination : bounds();
  std::vector<RECT> clip{bounds()};
  const auto clipped = clipper_ ? clipper_->clipRects() : std::nullopt;
  if (clipped) {
    std::vector<RECT> inBounds;
    for (const RECT& r : *clipped) {
      RECT part;
      if (overlap(r, bounds(), part)) inBounds.push_back(part);
    }
    clip = std::move(inBounds);
    if (to.left >= to.right || to.top >= to.bottom) return DDERR_INVALIDRECT;
  } else if (!inside(to, bounds())) {
    return DDERR_INVALIDRECT;
  }

  if (flags & DDBLT_COLORFILL) {
    const int bytes = bitsPerPixel() / 8;
    for (const RECT& c : clip) {
      RECT part;
      if (!overlap(c, to, part)) continue;
      for (LONG row = part.top; row < part.bottom; ++row)
        for (LONG col = part.left; col < part.right; ++col)
          std::memcpy(bits() + static_cast<std::size_t>(row) * pitch() +
                          static_cast<std::size_t>(col) * bytes,
                      &effects->dwFillColor, static_cast<std::size_t>(bytes));
    }
    return DD_OK;
  }

  const RECT from = sourceRect ? *sourceRect : source->bounds();
  if (!inside(from, source->bounds())) return DDERR_INVALIDRECT;
  if (from.right - from.left != to.right - to.left || from.bottom - from.top != to.bottom - to.top)
    return DDERR_NOSTRETCHHW;
  if (source->bitsPerPixel() != bitsPerPixel()) return DDERR_INVALIDPIXELFORMAT;
  const bool keyed = (flags & DDBLT_KEYSRC) && source->hasKey_;
  copyFrom(*source, from, to.left, to.top, clip, keyed ? &source->key_ : nullptr);
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::BltBatch(void*, DWORD, DWORD)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawSurface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE sourceSurface,
                                          LPRECT sourceRect, DWORD transfer)
{
  if (transfer & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) return DDERR_INVALIDPARAMS;
  DirectDrawSurface* source = fromInterface(sourceSurface);
  if (!source) return DDERR_INVALIDPARAMS;
  // A fast blit cannot clip: a destination with a clipper refuses it (a source's clipper
  // does not matter).
  if (clipper_) return DDERR_BLTFASTCANTCLIP;
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (HRESULT state = source->usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  if (HRESULT state = blitBusy(); state != DD_OK) return state;
  if (HRESULT state = source->blitBusy(); state != DD_OK) return state;
  const RECT from = sourceRect ? *sourceRect : source->bounds();
  if (!inside(from, source->bounds())) return DDERR_INVALIDRECT;
  if (x > 0x7FFFFFFFu || y > 0x7FFFFFFFu) return DDERR_INVALIDRECT;
  const LONG left = static_cast<LONG>(x), top = static_cast<LONG>(y);
  const RECT to{left, top, left + (from.right - from.left), top + (from.bottom - from.top)};
  if (!inside(to, bounds())) return DDERR_INVALIDRECT;
  if (source->bitsPerPixel() != bitsPerPixel()) return DDERR_INVALIDPIXELFORMAT;
  const bool keyed = (transfer & DDBLTFAST_SRCCOLORKEY) && source->hasKey_;
  copyFrom(*source, from, left, top, {to}, keyed ? &source->key_ : nullptr);
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE surface)
{
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (!attached_ || (surface && fromInterface(surface) != attached_))
    return DDERR_CANNOTDETACHSURFACE;
  // The buffers behind the detached one leave the chain with it.
  DirectDrawSurface* detached = attached_;
  attached_ = nullptr;
  backBuffers_ = 0;
  detached->Release();
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::EnumAttachedSurfaces(LPVOID context,
                                                       LPDDENUMSURFACESCALLBACK callback)
{
  if (!callback) return DDERR_INVALIDPARAMS;
  if (!attached_) return DD_OK;
  // Like every surface handed out, the callback's carries a reference of its own.
  attached_->AddRef();
  DDSURFACEDESC description{};
  description.dwSize = sizeof description;
  attached_->GetSurfaceDesc(&description);
  callback(attached_, &description, context);
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK)
{
  return DDERR_UNSUPPORTED;
}

// The front buffer shows what the first back buffer held, each back buffer takes the next
// one's pixels, and the last takes what the front showed.
HRESULT WINAPI DirectDrawSurface::Flip(LPDIRECTDRAWSURFACE override, DWORD flags)
{
  if (override || (flags & ~DDFLIP_WAIT)) return DDERR_INVALIDPARAMS;
  if (!(caps_ & DDSCAPS_FLIP) || !attached_) return DDERR_NOTFLIPPABLE;
  std::vector<DirectDrawSurface*> chain{this};
  for (DirectDrawSurface* s = attached_; s && s != this; s = s->attached_)
    chain.push_back(s);
  for (DirectDrawSurface* s : chain)
    if (HRESULT state = s->usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  for (DirectDrawSurface* s : chain)
    if (HRESULT state = s->busy(); state != DD_OK) return state;
  const int rowBytes = width() * (bitsPerPixel() / 8);
  for (DirectDrawSurface* s : chain)
    if (s->width() != width() || s->height() != height() || s->bitsPerPixel() != bitsPerPixel())
      return DDERR_INVALIDPIXELFORMAT;
  std::vector<std::uint8_t> front(static_cast<std::size_t>(rowBytes) * height());
  auto copyRows = [&](std::uint8_t* to, int toPitch, const std::uint8_t* from, int fromPitch) {
    for (int row = 0; row < height(); ++row)
      std::memcpy(to + static_cast<std::size_t>(row) * toPitch,
                  from + static_cast<std::size_t>(row) * fromPitch,
                  static_cast<std::size_t>(rowBytes));
  };
  copyRows(front.data(), rowBytes, bits(), pitch());
  for (std::size_t i = 0; i + 1 < chain.size(); ++i)
    copyRows(chain[i]->bits(), chain[i]->pitch(), chain[i + 1]->bits(), chain[i + 1]->pitch());
  copyRows(chain.back()->bits(), chain.back()->pitch(), front.data(), rowBytes);
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* out)
{
  if (!caps || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!attached_ || (attached_->caps_ & caps->dwCaps) != caps->dwCaps) return DDERR_NOTFOUND;
  attached_->AddRef();
  *out = attached_;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetBltStatus(DWORD)
{
  return usable();
}

HRESULT WINAPI DirectDrawSurface::GetCaps(LPDDSCAPS caps)
{
  if (!caps) return DDERR_INVALIDPARAMS;
  caps->dwCaps = caps_;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetClipper(LPDIRECTDRAWCLIPPER* out)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = clipper_;
  if (!clipper_) return DDERR_NOCLIPPERATTACHED;
  clipper_->AddRef();
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetColorKey(DWORD flags, LPDDCOLORKEY key)
{
  if (flags != DDCKEY_SRCBLT || !key) return DDERR_INVALIDPARAMS;
  if (!hasKey_) return DDERR_NOCOLORKEY;
  *key = key_;
  return DD_OK;
}

// A real GDI context over the surface's pixels: the screen's for the primary surface, a
// bitmap over the surface's own memory for the others.
HRESULT WINAPI DirectDrawSurface::GetDC(HDC* dc)
{
  if (!dc) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  if (HRESULT state = busy(); state != DD_OK) return state;
  if (isPrimary()) {
    dc_ = ::GetDC(nullptr);
  } else {
    auto pixels = std::make_unique<omgdi::Surface>(width_, height_, bitsPerPixel_, true,
                                                   memory_.data(), pitch_);
    if (bitsPerPixel_ == 8) {
      RGBQUAD table[256];
      for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY e =
            palette_ ? palette_->entries()[static_cast<std::size_t>(i)]
                     : omgdi::Screen::instance().systemPalette()[static_cast<std::size_t>(i)];
        table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
      }
      pixels->setColorTable(0, 256, table);
    }
    dcBitmap_ = omgdi::registerObject(std::make_unique<omgdi::GdiBitmap>(std::move(pixels), true));
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_) dcPrevious_ = SelectObject(dc_, dcBitmap_);
  }
  if (!dc_) {
    if (dcBitmap_) DeleteObject(dcBitmap_);
    dcBitmap_ = nullptr;
    return DDERR_NODC;
  }
  *dc = dc_;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::ReleaseDC(HDC dc)
{
  if (!dc_ || dc != dc_) return DDERR_NODC;
  if (isPrimary()) {
    ::ReleaseDC(nullptr, dc_);
  } else {
    SelectObject(dc_, dcPrevious_);
    DeleteDC(dc_);
    DeleteObject(dcBitmap_);
  }
  dc_ = nullptr;
  dcBitmap_ = dcPrevious_ = nullptr;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetFlipStatus(DWORD)
{
  return usable();
}

HRESULT WINAPI DirectDrawSurface::GetOverlayPosition(LPLONG, LPLONG)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawSurface::GetPalette(LPDIRECTDRAWPALETTE* out)
{
  if (!out) return DDERR_INVALIDPARAMS;
  *out = palette_;
  if (!palette_) return DDERR_NOPALETTEATTACHED;
  palette_->AddRef();
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetPixelFormat(LPDDPIXELFORMAT format)
{
  if (!format || format->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
  describeFormat(bitsPerPixel(), *format);
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::GetSurfaceDesc(LPDDSURFACEDESC description)
{
  if (!description || description->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  *description = DDSURFACEDESC{};
  description->dwSize = sizeof(DDSURFACEDESC);
  description->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
  description->dwWidth = static_cast<DWORD>(width());
  description->dwHeight = static_cast<DWORD>(height());
  description->lPitch = pitch();
  describeFormat(bitsPerPixel(), description->ddpfPixelFormat);
  description->ddsCaps.dwCaps = caps_;
  if (backBuffers_ > 0) {
    description->dwFlags |= DDSD_BACKBUFFERCOUNT;
    description->dwBackBufferCount = static_cast<DWORD>(backBuffers_);
  }
  if (hasKey_) {
    description->dwFlags |= DDSD_CKSRCBLT;
    description->ddckCKSrcBlt = key_;
  }
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::Initialize(LPDIRECTDRAW, LPDDSURFACEDESC)
{
  return DDERR_ALREADYINITIALIZED;
}

HRESULT WINAPI DirectDrawSurface::IsLost()
{
  return usable();
}

HRESULT WINAPI DirectDrawSurface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                       HANDLE)
{
  if (!description || description->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
  if (flags & ~(DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY)) return DDERR_INVALIDPARAMS;
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (DirectDrawWorld::instance().stillDrawing()) return DDERR_WASSTILLDRAWING;
  if (HRESULT state = busy(); state != DD_OK) return state;
  if (rect && !inside(*rect, bounds())) return DDERR_INVALIDRECT;
  GetSurfaceDesc(description);
  description->dwFlags |= DDSD_LPSURFACE;
  std::uint8_t* start = bits();
  if (rect)
    start += static_cast<std::size_t>(rect->top) * pitch() +
             static_cast<std::size_t>(rect->left) * (bitsPerPixel() / 8);
  description->lpSurface = start;
  locked_ = true;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::Unlock(LPVOID)
{
  if (!locked_) return DDERR_NOTLOCKED;
  locked_ = false;
  // What was written through the lock reaches the display now.
  if (isPrimary()) omgdi::Screen::markDrawn();
  return DD_OK;
}

void DirectDrawSurface::clear()
{
  const int rowBytes = width() * (bitsPerPixel() / 8);
  for (int row = 0; row < height(); ++row)
    std::memset(bits() + static_cast<std::size_t>(row) * pitch(), 0,
                static_cast<std::size_t>(rowBytes));
}

// The card's memory (the screen, its back buffers, video memory) comes back cleared: only a
// repaint brings that picture back. System memory was never the card's to free: it keeps
// what was drawn in it, so that pictures decoded once survive the program's time away.
HRESULT WINAPI DirectDrawSurface::Restore()
{
  if (!owner_) return DDERR_SURFACELOST;
  if (!lost_) return DD_OK;
  if (owner_->isExclusive() && DirectDrawWorld::instance().deactivated()) return DDERR_WRONGMODE;
  owner_->reenterMode();
  if (locked_ || dc_) return DDERR_SURFACEBUSY;
  if (caps_ & DDSCAPS_VIDEOMEMORY) clear();
  lost_ = false;
  if (isPrimary() && palette_) palette_->showOnScreen();
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::SetClipper(LPDIRECTDRAWCLIPPER clipper)
{
  auto* next = static_cast<DirectDrawClipper*>(clipper);
  if (next) next->AddRef();
  if (clipper_) clipper_->Release();
  clipper_ = next;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
  if (flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
  hasKey_ = key != nullptr;
  if (key) key_ = *key;
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::SetOverlayPosition(LONG, LONG)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawSurface::SetPalette(LPDIRECTDRAWPALETTE palette)
{
  if (HRESULT state = usable(); state != DD_OK) return state;
  if (bitsPerPixel() != 8) return DDERR_NOTPALETTIZED;
  auto* next = static_cast<DirectDrawPalette*>(palette);
  if (next) next->AddRef();
  if (palette_) palette_->Release();
  palette_ = next;
  if (isPrimary() && palette_) palette_->showOnScreen();
  return DD_OK;
}

HRESULT WINAPI DirectDrawSurface::UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, void*)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawSurface::UpdateOverlayDisplay(DWORD)
{
  return DDERR_UNSUPPORTED;
}

HRESULT WINAPI DirectDrawSurface::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE)
{
  return DDERR_UNSUPPORTED;
}

}  // namespace omddraw
