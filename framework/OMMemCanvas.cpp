#include "framework/OMMemCanvas.h"

#include <vector>

#include "framework/OMApp.h"

OMMemCanvas::OMMemCanvas(int width, int height, int depth, int surfaceFlags)
    : OMCanvas(depth), height_(height), width_(width), surfaceFlags_(surfaceFlags)
{
  if (OMApp::canvasesUseDirectDraw()) {
    makeSurface();
  } else {
    const int rowBytes = (depth * width / 8 + 3) / 4 * 4;
    std::vector<std::uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    header_.biSize = 40;
    header_.biWidth = width;
    header_.biHeight = -height;
    header_.biPlanes = 1;
    header_.biBitCount = static_cast<WORD>(depth);
    header_.biCompression = BI_RGB;
    header_.biSizeImage = static_cast<DWORD>(height * rowBytes);
    header_.biClrUsed = depth == 8 ? 256 : 0;
    info->bmiHeader = header_;
    PALETTEENTRY entries[paletteSize] = {};
    GetPaletteEntries(palette_, 0, paletteSize, entries);
    for (int i = 0; i < paletteSize; ++i)
      info->bmiColors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    void* bits = nullptr;
    section_ = CreateDIBSection(dc_, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint8_t*>(bits);
    if (section_) previousBitmap_ = SelectObject(dc_, section_);
    if (depth == 8) previousPalette_ = SelectPalette(dc_, palette_, FALSE);
    // Without DirectDraw a 16-bit canvas holds 5-5-5 pixels, a deeper one 8-8-8.
    if (depth == 16) setPixelFormat(0x7C00, 0x03E0, 0x001F);
    if (depth == 24 || depth == 32) setPixelFormat(0xFF0000, 0x00FF00, 0x0000FF);
  }
  setBackground(background_);
}

bool OMMemCanvas::makeSurface()
{
  releaseSurface();
  DDSURFACEDESC description = surfaceDescription(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH);
  description.dwHeight = static_cast<DWORD>(height_);
  description.dwWidth = static_cast<DWORD>(width_);
  bool made = false;
  if (surfaceFlags_ & 2) {
    description.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE;
    made = createSurface(description);
  }
  if (!made && (surfaceFlags_ & 3)) {
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_3DDEVICE;
    made = createSurface(description);
  }
  if (!made) return false;
  takeSurface(surface_);
  return true;
}

void OMMemCanvas::takeSurface(LPDIRECTDRAWSURFACE surface)
{
  surface_ = surface;
  if (!surface_) return;
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  if (surface_->GetPixelFormat(&format) == DD_OK)
    setPixelFormat(format.dwRBitMask, format.dwGBitMask, format.dwBBitMask);
  if (depth_ == 8 && ddPalette_) surface_->SetPalette(ddPalette_);
}

OMMemCanvas::~OMMemCanvas()
{
  if (dc_) {
    if (previousPalette_) SelectPalette(dc_, previousPalette_, FALSE);
    if (previousBitmap_) SelectObject(dc_, previousBitmap_);
    DeleteDC(dc_);
  }
  if (section_) DeleteObject(section_);
}

void OMMemCanvas::setBackground(const OMRGBColor& color)
{
  background_ = color;
  if (color.isNone() || !beginDraw()) return;
  fillWith(color, RECT{0, 0, width_, height_});
  endDraw();
}

bool OMMemCanvas::beginDraw()
{
  return beginDrawClipped(clip_, true);
}

void OMMemCanvas::endDraw()
{
  endDrawClipped();
}

bool OMMemCanvas::beginDrawClipped(HRGN region, bool /*selectPalette*/)
{
  if (surface_) {
    if (!restoreSurface()) return false;
    HDC dc = nullptr;
    if (surface_->GetDC(&dc) != DD_OK) return false;
    surfaceDc_ = dc_ = dc;
  }
  if (!dc_) return false;
  SelectClipRgn(dc_, region);
  return true;
}

void OMMemCanvas::endDrawClipped()
{
  if (!dc_) return;
  SelectClipRgn(dc_, nullptr);
  if (surface_ && surfaceDc_) {
    surface_->ReleaseDC(surfaceDc_);
    surfaceDc_ = dc_ = nullptr;
  }
}

void OMMemCanvas::setColorTable(const PALETTEENTRY* entries, int first, int count)
{
  if (!entries || first < 0 || count <= 0 || first + count > paletteSize) return;
  if (ddPalette_)
    ddPalette_->SetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(count),
                           const_cast<PALETTEENTRY*>(entries));
  if (depth_ != 8 || !dc_) return;
  std::vector<RGBQUAD> colors(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    colors[static_cast<std::size_t>(i)] =
        RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  SetDIBColorTable(dc_, static_cast<UINT>(first), static_cast<UINT>(count), colors.data());
}

bool OMMemCanvas::lockBits(void** bits, int* pitch)
{
  if (OMApp::canvasesUseDirectDraw()) {
    *bits = nullptr;
    *pitch = 0;
    if (!surface_) return false;
    restoreSurface();
    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    if (retryWhileDrawing([&] { return surface_->Lock(nullptr, &description, 0, nullptr); }) !=
        DD_OK)
      return false;
    *bits = description.lpSurface;
    *pitch = description.lPitch;
    return true;
  }
  *bits = bits_;
  *pitch = (width_ * depth_ / 8 + 3) / 4 * 4;
  return bits_ != nullptr;
}

void OMMemCanvas::unlockBits()
{
  if (OMApp::canvasesUseDirectDraw() && surface_) surface_->Unlock(nullptr);
}
