#pragma once

// DirectDraw as the engine calls it: the entry points that "DDRAW.DLL" exports, the
// interfaces, structures and constants of full-screen drawing. Declarations only: the library
// is loaded at run time, and where it cannot be loaded every program draws through GDI.
#include "windows.h"

#ifndef OM_HRESULT_DEFINED
#define OM_HRESULT_DEFINED
typedef LONG HRESULT;
#endif

#ifndef OM_GUID_DEFINED
#define OM_GUID_DEFINED
typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
typedef const GUID& REFIID;
typedef GUID* LPGUID;
#endif

#ifndef OM_HMONITOR_DEFINED
#define OM_HMONITOR_DEFINED
DECLARE_HANDLE(HMONITOR);
#endif

// A clip list: a header and its rectangles.
typedef struct _RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
} RGNDATAHEADER;
typedef struct _RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];
} RGNDATA, *LPRGNDATA;

#define DD_OK 0
#define DD_FALSE 1
#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

#define MAKE_DDHRESULT(code) static_cast<HRESULT>(0x88760000u | (code))
#define DDERR_GENERIC static_cast<HRESULT>(0x80004005u)
#define DDERR_INVALIDPARAMS static_cast<HRESULT>(0x80070057u)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_UNSUPPORTED static_cast<HRESULT>(0x80004001u)
#define DDERR_OUTOFMEMORY static_cast<HRESULT>(0x8007000Eu)
#define DDERR_ALREADYINITIALIZED MAKE_DDHRESULT(5)
#define DDERR_CANNOTATTACHSURFACE MAKE_DDHRESULT(10)
#define DDERR_CANNOTDETACHSURFACE MAKE_DDHRESULT(20)
#define DDERR_EXCEPTION MAKE_DDHRESULT(55)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(80)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCLIPLIST MAKE_DDHRESULT(205)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(275)
#define DDERR_NORASTEROPHW MAKE_DDHRESULT(280)
#define DDERR_NOSTRETCHHW MAKE_DDHRESULT(310)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_SURFACEALREADYATTACHED MAKE_DDHRESULT(410)
#define DDERR_SURFACENOTATTACHED MAKE_DDHRESULT(460)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_CLIPPERISUSINGHWND MAKE_DDHRESULT(567)
#define DDERR_BLTFASTCANTCLIP MAKE_DDHRESULT(574)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_NODC MAKE_DDHRESULT(586)
#define DDERR_NOTPALETTIZED MAKE_DDHRESULT(589)
#define DDERR_NOHWND MAKE_DDHRESULT(569)
#define DDERR_NOCLIPPERATTACHED MAKE_DDHRESULT(568)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_HWNDSUBCLASSED MAKE_DDHRESULT(570)
#define DDERR_HWNDALREADYSET MAKE_DDHRESULT(571)
#define DDERR_NOAGGREGATION static_cast<HRESULT>(0x80040110u)
#ifndef E_NOINTERFACE
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002u)
#endif

// Cooperative levels.
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_ALLOWREBOOT 0x00000002u
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u
#define DDSCL_ALLOWMODEX 0x00000040u

// Surface description fields.
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_ZBUFFERBITDEPTH 0x00000040u
#define DDSD_ALPHABITDEPTH 0x00000080u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u
#define DDSD_CKDESTOVERLAY 0x00002000u
#define DDSD_CKDESTBLT 0x00004000u
#define DDSD_CKSRCOVERLAY 0x00008000u
#define DDSD_CKSRCBLT 0x00010000u
#define DDSD_REFRESHRATE 0x00040000u

// Surface capabilities.
#define DDSCAPS_ALPHA 0x00000002u
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_OVERLAY 0x00000080u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u
#define DDSCAPS_TEXTURE 0x00001000u
#define DDSCAPS_3DDEVICE 0x00002000u
#define DDSCAPS_VIDEOMEMORY 0x00004000u
#define DDSCAPS_VISIBLE 0x00008000u
#define DDSCAPS_MODEX 0x00200000u

// Pixel format flags.
#define DDPF_ALPHAPIXELS 0x00000001u
#define DDPF_FOURCC 0x00000004u
#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u

// Palettes.
#define DDPCAPS_4BIT 0x00000001u
#define DDPCAPS_8BITENTRIES 0x00000002u
#define DDPCAPS_8BIT 0x00000004u
#define DDPCAPS_INITIALIZE 0x00000008u
#define DDPCAPS_PRIMARYSURFACE 0x00000010u
#define DDPCAPS_ALLOW256 0x00000040u

// Blits.
#define DDBLT_COLORFILL 0x00000400u
#define DDBLT_DDFX 0x00000800u
#define DDBLT_KEYDEST 0x00002000u
#define DDBLT_KEYSRC 0x00008000u
#define DDBLT_ROP 0x00020000u
#define DDBLT_WAIT 0x01000000u
#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_SRCCOLORKEY 0x00000001u
#define DDBLTFAST_DESTCOLORKEY 0x00000002u
#define DDBLTFAST_WAIT 0x00000010u

// Colour keys.
#define DDCKEY_COLORSPACE 0x00000001u
#define DDCKEY_DESTBLT 0x00000002u
#define DDCKEY_DESTOVERLAY 0x00000004u
#define DDCKEY_SRCBLT 0x00000008u
#define DDCKEY_SRCOVERLAY 0x00000010u

// Locks and flips.
#define DDLOCK_SURFACEMEMORYPTR 0x00000000u
#define DDLOCK_WAIT 0x00000001u
#define DDLOCK_READONLY 0x00000010u
#define DDLOCK_WRITEONLY 0x00000020u
#define DDFLIP_WAIT 0x00000001u

// Display-mode enumeration.
#define DDEDM_REFRESHRATES 0x00000001u

struct IDirectDraw;
struct IDirectDraw2;
struct IDirectDrawSurface;
struct IDirectDrawPalette;
struct IDirectDrawClipper;
typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDraw2* LPDIRECTDRAW2;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;

typedef struct _DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDSCAPS {
  DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

typedef struct _DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwRefreshRate;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

typedef struct _DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  DWORD dwFillColor;
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
} DDBLTFX, *LPDDBLTFX;

typedef struct _DDCAPS {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCKeyCaps;
  DWORD dwFXCaps;
  DWORD dwFXAlphaCaps;
  DWORD dwPalCaps;
  DWORD dwSVCaps;
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
} DDCAPS, *LPDDCAPS;

typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK)(LPDDSURFACEDESC mode, LPVOID context);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK)(LPDIRECTDRAWSURFACE surface,
                                                  LPDDSURFACEDESC description, LPVOID context);
typedef BOOL(WINAPI* LPDDENUMCALLBACKA)(GUID* guid, LPSTR description, LPSTR name, LPVOID context);
typedef BOOL(WINAPI* LPDDENUMCALLBACKEXA)(GUID* guid, LPSTR description, LPSTR name, LPVOID context,
                                          HMONITOR monitor);

// The exports of "DDRAW.DLL", as GetProcAddress gives them.
extern "C" {
HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* out, void* outer);
HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context);
HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);
}
#define DDENUM_ATTACHEDSECONDARYDEVICES 0x00000001u

typedef HRESULT(WINAPI* LPDIRECTDRAWCREATE)(GUID* guid, LPDIRECTDRAW* out, void* outer);
typedef HRESULT(WINAPI* LPDIRECTDRAWENUMERATEA)(LPDDENUMCALLBACKA callback, LPVOID context);
typedef HRESULT(WINAPI* LPDIRECTDRAWENUMERATEEXA)(LPDDENUMCALLBACKEXA callback, LPVOID context,
                                                  DWORD flags);

// Interface identities, asked for through QueryInterface.
inline constexpr GUID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IDirectDraw = {
    0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawSurface = {
    0x6C14DB81, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawPalette = {
    0x6C14DB84, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDrawClipper = {
    0x6C14DB85, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

inline bool IsEqualGUID(const GUID& a, const GUID& b)
{
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

struct IUnknown {
  virtual HRESULT WINAPI QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG WINAPI AddRef() = 0;
  virtual ULONG WINAPI Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDirectDrawClipper : IUnknown {
  virtual HRESULT WINAPI GetClipList(LPRECT rect, LPRGNDATA list, LPDWORD size) = 0;
  virtual HRESULT WINAPI GetHWnd(HWND* window) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, DWORD flags) = 0;
  virtual HRESULT WINAPI IsClipListChanged(BOOL* changed) = 0;
  virtual HRESULT WINAPI SetClipList(LPRGNDATA list, DWORD flags) = 0;
  virtual HRESULT WINAPI SetHWnd(DWORD flags, HWND window) = 0;

 protected:
  ~IDirectDrawClipper() = default;
};

struct IDirectDrawPalette : IUnknown {
  virtual HRESULT WINAPI GetCaps(LPDWORD caps) = 0;
  virtual HRESULT WINAPI GetEntries(DWORD flags, DWORD start, DWORD count,
                                    LPPALETTEENTRY entries) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, DWORD flags,
                                    LPPALETTEENTRY entries) = 0;
  virtual HRESULT WINAPI SetEntries(DWORD flags, DWORD start, DWORD count,
                                    LPPALETTEENTRY entries) = 0;

 protected:
  ~IDirectDrawPalette() = default;
};

struct IDirectDrawSurface : IUnknown {
  virtual HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE surface) = 0;
  virtual HRESULT WINAPI AddOverlayDirtyRect(LPRECT rect) = 0;
  virtual HRESULT WINAPI Blt(LPRECT destination, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                             DWORD flags, LPDDBLTFX effects) = 0;
  virtual HRESULT WINAPI BltBatch(void* batch, DWORD count, DWORD flags) = 0;
  virtual HRESULT WINAPI BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                 DWORD transfer) = 0;
  virtual HRESULT WINAPI DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE surface) = 0;
  virtual HRESULT WINAPI EnumAttachedSurfaces(LPVOID context,
                                              LPDDENUMSURFACESCALLBACK callback) = 0;
  virtual HRESULT WINAPI EnumOverlayZOrders(DWORD flags, LPVOID context,
                                            LPDDENUMSURFACESCALLBACK callback) = 0;
  virtual HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE override, DWORD flags) = 0;
  virtual HRESULT WINAPI GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* out) = 0;
  virtual HRESULT WINAPI GetBltStatus(DWORD flags) = 0;
  virtual HRESULT WINAPI GetCaps(LPDDSCAPS caps) = 0;
  virtual HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER* out) = 0;
  virtual HRESULT WINAPI GetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
  virtual HRESULT WINAPI GetDC(HDC* dc) = 0;
  virtual HRESULT WINAPI GetFlipStatus(DWORD flags) = 0;
  virtual HRESULT WINAPI GetOverlayPosition(LPLONG x, LPLONG y) = 0;
  virtual HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE* out) = 0;
  virtual HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT format) = 0;
  virtual HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC description) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTDRAW directDraw, LPDDSURFACEDESC description) = 0;
  virtual HRESULT WINAPI IsLost() = 0;
  virtual HRESULT WINAPI Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                              HANDLE event) = 0;
  virtual HRESULT WINAPI ReleaseDC(HDC dc) = 0;
  virtual HRESULT WINAPI Restore() = 0;
  virtual HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
  virtual HRESULT WINAPI SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
  virtual HRESULT WINAPI SetOverlayPosition(LONG x, LONG y) = 0;
  virtual HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
  virtual HRESULT WINAPI Unlock(LPVOID bits) = 0;
  virtual HRESULT WINAPI UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE destination,
                                       LPRECT destinationRect, DWORD flags, void* effects) = 0;
  virtual HRESULT WINAPI UpdateOverlayDisplay(DWORD flags) = 0;
  virtual HRESULT WINAPI UpdateOverlayZOrder(DWORD flags, LPDIRECTDRAWSURFACE reference) = 0;

 protected:
  ~IDirectDrawSurface() = default;
};

struct IDirectDraw : IUnknown {
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) = 0;
  virtual HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                       LPDIRECTDRAWPALETTE* out, IUnknown* outer) = 0;
  virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* out,
                                       IUnknown* outer) = 0;
  virtual HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE surface,
                                          LPDIRECTDRAWSURFACE* out) = 0;
  virtual HRESULT WINAPI EnumDisplayModes(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                          LPDDENUMMODESCALLBACK callback) = 0;
  virtual HRESULT WINAPI EnumSurfaces(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                      LPDDENUMSURFACESCALLBACK callback) = 0;
  virtual HRESULT WINAPI FlipToGDISurface() = 0;
  virtual HRESULT WINAPI GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) = 0;
  virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC mode) = 0;
  virtual HRESULT WINAPI GetFourCCCodes(LPDWORD count, LPDWORD codes) = 0;
  virtual HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE* out) = 0;
  virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) = 0;
  virtual HRESULT WINAPI GetScanLine(LPDWORD line) = 0;
  virtual HRESULT WINAPI GetVerticalBlankStatus(BOOL* inBlank) = 0;
  virtual HRESULT WINAPI Initialize(GUID* guid) = 0;
  virtual HRESULT WINAPI RestoreDisplayMode() = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
  virtual HRESULT WINAPI WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;

 protected:
  ~IDirectDraw() = default;
};

struct IDirectDraw2 : IUnknown {
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) = 0;
  virtual HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                       LPDIRECTDRAWPALETTE* out, IUnknown* outer) = 0;
  virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* out,
                                       IUnknown* outer) = 0;
  virtual HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE surface,
                                          LPDIRECTDRAWSURFACE* out) = 0;
  virtual HRESULT WINAPI EnumDisplayModes(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                          LPDDENUMMODESCALLBACK callback) = 0;
  virtual HRESULT WINAPI EnumSurfaces(DWORD flags, LPDDSURFACEDESC match, LPVOID context,
                                      LPDDENUMSURFACESCALLBACK callback) = 0;
  virtual HRESULT WINAPI FlipToGDISurface() = 0;
  virtual HRESULT WINAPI GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) = 0;
  virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC mode) = 0;
  virtual HRESULT WINAPI GetFourCCCodes(LPDWORD count, LPDWORD codes) = 0;
  virtual HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE* out) = 0;
  virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD frequency) = 0;
  virtual HRESULT WINAPI GetScanLine(LPDWORD line) = 0;
  virtual HRESULT WINAPI GetVerticalBlankStatus(BOOL* inBlank) = 0;
  virtual HRESULT WINAPI Initialize(GUID* guid) = 0;
  virtual HRESULT WINAPI RestoreDisplayMode() = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel,
                                        DWORD refreshRate, DWORD flags) = 0;
  virtual HRESULT WINAPI WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
  virtual HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free) = 0;

 protected:
  ~IDirectDraw2() = default;
};
