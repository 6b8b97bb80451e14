#pragma once

#include <ddraw.h>

#include <cstdint>
#include <vector>

#include "platform/src/ddraw/ComObject.h"

namespace omddraw {

class DirectDrawObject;
class DirectDrawPalette;
class DirectDrawClipper;

// A surface: the primary one is the virtual screen itself (GDI and DirectDraw share its
// pixels); the others are memory of their own, rows rounded up to 32 bytes. A flipping chain
// is a primary surface with back buffers attached one behind the other; Flip rotates their
// contents.
class DirectDrawSurface final
    : public ComObject<DirectDrawSurface, IDirectDrawSurface, IID_IDirectDrawSurface> {
 public:
  // A primary surface (the screen's size and depth).
  DirectDrawSurface(DirectDrawObject* owner, DWORD caps);
  // An off-screen surface or a back buffer; videoBytes were taken from the video budget.
  DirectDrawSurface(DirectDrawObject* owner, DWORD caps, int width, int height, int bitsPerPixel,
                    std::size_t videoBytes);

  static int pitchFor(int width, int bitsPerPixel);
  static void describeFormat(int bitsPerPixel, DDPIXELFORMAT& format);

  HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE surface) override;
  HRESULT WINAPI AddOverlayDirtyRect(LPRECT rect) override;
  HRESULT WINAPI Blt(LPRECT destination, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX effects) override;
  HRESULT WINAPI BltBatch(void* batch, DWORD count, DWORD flags) override;
  HRESULT WINAPI BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                         DWORD transfer) override;
  HRESULT WINAPI DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE surface) override;
  HRESULT WINAPI EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT WINAPI EnumOverlayZOrders(DWORD flags, LPVOID context,
                                    LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE override, DWORD flags) override;
  HRESULT WINAPI GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* out) override;
  HRESULT WINAPI GetBltStatus(DWORD flags) override;
  HRESULT WINAPI GetCaps(LPDDSCAPS caps) override;
  HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER* out) override;
  HRESULT WINAPI GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT WINAPI GetDC(HDC* dc) override;
  HRESULT WINAPI GetFlipStatus(DWORD flags) override;
  HRESULT WINAPI GetOverlayPosition(LPLONG x, LPLONG y) override;
  HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE* out) override;
  HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC description) override;
  HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, LPDDSURFACEDESC description) override;
  HRESULT WINAPI IsLost() override;
  HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event) override;
  HRESULT WINAPI ReleaseDC(HDC dc) override;
  HRESULT WINAPI Restore() override;
  HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
  HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT WINAPI SetOverlayPosition(LONG x, LONG y) override;
  HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) override;
  HRESULT WINAPI Unlock(LPVOID bits) override;
  HRESULT WINAPI UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE destination,
                               LPRECT destinationRect, DWORD flags, void* effects) override;
  HRESULT WINAPI UpdateOverlayDisplay(DWORD flags) override;
  HRESULT WINAPI UpdateOverlayZOrder(DWORD flags, LPDIRECTDRAWSURFACE reference) override;

  bool isPrimary() const { return (caps_ & DDSCAPS_PRIMARYSURFACE) != 0; }
  const DirectDrawPalette* palette() const { return palette_; }
  int width() const;
  int height() const;
  int bitsPerPixel() const;
  int pitch() const;
  std::uint8_t* bits();

  void markLost() { lost_ = true; }
  // The DirectDraw object is gone: the surface stays lost until it is released.
  void orphan();
  // Makes the surface the next one of its flipping chain (takes one reference).
  void chainTo(DirectDrawSurface* next) { attached_ = next; }
  void setBackBufferCount(int count) { backBuffers_ = count; }

 private:
  friend class ComObject<DirectDrawSurface, IDirectDrawSurface, IID_IDirectDrawSurface>;
  ~DirectDrawSurface();
  // DD_OK when the surface may be used now.
  HRESULT usable() const;
  HRESULT busy() const;
  HRESULT blitBusy() const;
  RECT bounds() const { return RECT{0, 0, width(), height()}; }
  // Copies the source rectangle to the destination at (x, y), inside the clip rectangles
  // (surface coordinates), skipping the key when one is given.
  void copyFrom(DirectDrawSurface& source, const RECT& from, LONG x, LONG y,
                const std::vector<RECT>& clip, const DDCOLORKEY* key);
  void clear();

  DirectDrawObject* owner_;
  DWORD caps_;
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int pitch_ = 0;
  std::vector<std::uint8_t> memory_;
  std::size_t videoBytes_ = 0;
  bool lost_ = false;
  bool locked_ = false;
  HDC dc_ = nullptr;
  HGDIOBJ dcBitmap_ = nullptr;
  HGDIOBJ dcPrevious_ = nullptr;
  DirectDrawPalette* palette_ = nullptr;
  DirectDrawClipper* clipper_ = nullptr;
  bool hasKey_ = false;
  DDCOLORKEY key_{};
  DirectDrawSurface* attached_ = nullptr;
  int backBuffers_ = 0;
};

}  // namespace omddraw
