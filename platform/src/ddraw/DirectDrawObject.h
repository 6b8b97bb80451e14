#pragma once

#include <ddraw.h>

#include <optional>
#include <vector>

#include "platform/src/ddraw/DirectDrawWorld.h"

namespace omddraw {

class DirectDrawSurface;

// The DirectDraw object: both of its interfaces are this one object with one reference
// count. At the exclusive level it owns the display: its mode, full screen, and the loss of
// every surface when the program loses the focus.
class DirectDrawObject final : public IDirectDraw, public IDirectDraw2 {
 public:
  DirectDrawObject();

  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  HRESULT WINAPI Compact() override;
  HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) override;
  HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                               IUnknown* outer) override;
  HRESULT WINAPI CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* out,
                               IUnknown* outer) override;
  HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE surface, LPDIRECTDRAWSURFACE* out) override;
  HRESULT WINAPI EnumDisplayModes(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                  LPDDENUMMODESCALLBACK callback) override;
  HRESULT WINAPI EnumSurfaces(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                              LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT WINAPI FlipToGDISurface() override;
  HRESULT WINAPI GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) override;
  HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC mode) override;
  HRESULT WINAPI GetFourCCCodes(LPDWORD count, LPDWORD codes) override;
  HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE* out) override;
  HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) override;
  HRESULT WINAPI GetScanLine(LPDWORD line) override;
  HRESULT WINAPI GetVerticalBlankStatus(BOOL* inBlank) override;
  HRESULT WINAPI Initialize(GUID* guid) override;
  HRESULT WINAPI RestoreDisplayMode() override;
  HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;
  HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                DWORD flags) override;
  HRESULT WINAPI WaitForVerticalBlank(DWORD flags, HANDLE event) override;
  HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free) override;

  bool isExclusive() const { return exclusive_; }
  // A surface's Restore: the mode this object set is put back when another one is shown.
  void reenterMode();
  // The program lost the focus at the exclusive level, and regained it.
  void giveUpDisplay();
  void takeBackDisplay();
  void forgetSurface(DirectDrawSurface* surface);

 private:
  ~DirectDrawObject();
  void leaveExclusive();

  ULONG references_ = 1;
  bool cooperative_ = false;
  bool exclusive_ = false;
  HWND window_ = nullptr;
  std::optional<DisplayMode> savedMode_;  // the mode before this object changed it
  std::optional<DisplayMode> mode_;       // the mode this object set
  DirectDrawSurface* primary_ = nullptr;
  std::vector<DirectDrawSurface*> surfaces_;
};

}  // namespace omddraw
