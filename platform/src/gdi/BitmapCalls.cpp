// Bitmaps, DIB bits and blits.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/src/gdi/Blitter.h"
#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/DibInfo.h"
#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/PixelConverter.h"
#include "platform/src/gdi/Screen.h"

using namespace omgdi;

namespace {

constexpr int maxSide = 32767;

std::unique_ptr<Surface> monochromeSurface(int width, int height)
{
  auto surface = std::make_unique<Surface>(width, height, 1, true);
  surface->setMonochrome(true);
  const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  surface->setColorTable(0, 2, blackWhite);
  return surface;
}

HBITMAP registerBitmap(std::unique_ptr<Surface> surface, bool dibSection)
{
  return registerObject(std::make_unique<GdiBitmap>(std::move(surface), dibSection));
}

// A surface over DIB bits that belong to the caller (read only by us).
std::unique_ptr<Surface> wrapBits(const DibInfo& dib, const void* bits, int rows)
{
  auto surface =
      std::make_unique<Surface>(dib.width, rows, dib.bitsPerPixel, dib.topDown,
                                static_cast<std::uint8_t*>(const_cast<void*>(bits)), dib.stride);
  if (!dib.colors.empty()) {
    surface->setColorTable(0, static_cast<UINT>(dib.colors.size()), dib.colors.data());
  }
  return surface;
}

// A bitmap of the format a device context draws in.
std::unique_ptr<Surface> compatibleSurface(DeviceContext* dc, int width, int height)
{
  Surface* model = dc == nullptr ? &Screen::instance().surface() : dc->surface();
  if (model == nullptr || model->isMonochrome()) return monochromeSurface(width, height);
  auto surface = std::make_unique<Surface>(width, height, model->bitsPerPixel(), true);
  if (model->hasColorTable()) {
    surface->setColorTable(0, static_cast<UINT>(model->colorTable().size()),
                           model->colorTable().data());
  }
  return surface;
}

void copyConverted(const Surface& source, Surface& target, COLORREF bk)
{
  PixelConverter converter(source, target, target.rawOf(RGB(0, 0, 0)),
                           target.rawOf(RGB(255, 255, 255)), source.rawOf(bk));
  const std::vector<RECT> all{RECT{0, 0, target.width(), target.height()}};
  blitSurface(target, all.front(), all, &source, 0, 0, &converter, RasterOp::srcCopy, 0);
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD)
{
  if (bits != nullptr) *bits = nullptr;
  DibInfo dib;
  if (section != nullptr || !parseDibInfo(info, usage, lookupDC(hdc), dib)) return nullptr;
  if (!Surface::fitsInMemory(dib.width, dib.height, dib.bitsPerPixel)) return nullptr;
  auto surface = std::make_unique<Surface>(dib.width, dib.height, dib.bitsPerPixel, dib.topDown);
  if (!dib.colors.empty()) {
    surface->setColorTable(0, static_cast<UINT>(dib.colors.size()), dib.colors.data());
  }
  if (bits != nullptr) *bits = surface->pixels();
  return registerBitmap(std::move(surface), true);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
  if (width <= 0 || height <= 0 || width > maxSide || height > maxSide || planes != 1 ||
      !Surface::isSupportedDepth(static_cast<int>(bitsPerPixel)) ||
      !Surface::fitsInMemory(width, height, static_cast<int>(bitsPerPixel))) {
    return nullptr;
  }
  std::unique_ptr<Surface> surface;
  if (bitsPerPixel == 1) {
    surface = monochromeSurface(width, height);
  } else {
    surface = std::make_unique<Surface>(width, height, static_cast<int>(bitsPerPixel), true);
    if (bitsPerPixel == 8) {
      surface->setColorTable(0, 256, Screen::instance().surface().colorTable().data());
    }
  }
  if (bits != nullptr) {
    // Rows of device-dependent bits are word-aligned.
    const std::size_t sourceStride =
        ((static_cast<std::size_t>(width) * bitsPerPixel + 15) / 16) * 2;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
    for (int y = 0; y < height; ++y) {
      std::memcpy(surface->row(y), static_cast<const std::uint8_t*>(bits) + y * sourceStride,
                  rowBytes);
    }
  }
  return registerBitmap(std::move(surface), false);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
  if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) return nullptr;
  if (!Surface::fitsInMemory(width, height, 32)) return nullptr;
  DeviceContext* dc = lookupDC(hdc);
  if (hdc != nullptr && dc == nullptr) return nullptr;
  return registerBitmap(compatibleSurface(dc, width, height), false);
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage)
{
  if (header == nullptr || header->biWidth <= 0 || header->biWidth > maxSide ||
      header->biHeight == 0 || std::abs(header->biHeight) > maxSide) {
    return nullptr;
  }
  const int width = header->biWidth;
  const int height = std::abs(header->biHeight);
  if (!Surface::fitsInMemory(width, height, 32)) return nullptr;
  DeviceContext* dc = lookupDC(hdc);
  // A one-bit image makes a monochrome bitmap, which takes the text and background colours
  // when drawn in colour.
  std::unique_ptr<Surface> surface = header->biBitCount == 1 ? monochromeSurface(width, height)
                                                             : compatibleSurface(dc, width, height);
  if ((init & CBM_INIT) && bits != nullptr) {
    DibInfo dib;
    if (!parseDibInfo(info, usage, dc, dib) || dib.width != width || dib.height != height) {
      return nullptr;
    }
    std::unique_ptr<Surface> source = wrapBits(dib, bits, dib.height);
    copyConverted(*source, *surface, RGB(255, 255, 255));
  }
  return registerBitmap(std::move(surface), false);
}

namespace {

Surface* selectedDibTable(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->contextKind() != DeviceContext::Kind::memory) return nullptr;
  GdiBitmap* bitmap = lookup<GdiBitmap>(dc->state().bitmap, OBJ_BITMAP);
  if (bitmap == nullptr || !bitmap->isDibSection() || !bitmap->surface().hasColorTable()) {
    return nullptr;
  }
  return &bitmap->surface();
}

}  // namespace

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors)
{
  Surface* surface = selectedDibTable(hdc);
  if (surface == nullptr || colors == nullptr) return 0;
  const UINT size = static_cast<UINT>(surface->colorTable().size());
  if (start >= size) return 0;
  count = std::min(count, size - start);
  surface->setColorTable(start, count, colors);
  return count;
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors)
{
  Surface* surface = selectedDibTable(hdc);
  if (surface == nullptr || colors == nullptr) return 0;
  const UINT size = static_cast<UINT>(surface->colorTable().size());
  if (start >= size) return 0;
  count = std::min(count, size - start);
  std::copy_n(surface->colorTable().begin() + start, count, colors);
  return count;
}

int GetDIBits(HDC, HBITMAP handle, UINT startScan, UINT scanLines, LPVOID bits, LPBITMAPINFO info,
              UINT usage)
{
  GdiBitmap* bitmap = lookup<GdiBitmap>(handle, OBJ_BITMAP);
  if (bitmap == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  Surface& surface = bitmap->surface();
  BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (header.biBitCount == 0) {
    // Only the format is asked for.
    header.biWidth = surface.width();
    header.biHeight = surface.topDown() ? -surface.height() : surface.height();
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(surface.bitsPerPixel());
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(surface.byteSize());
    return surface.height();
  }
  if (header.biWidth != surface.width() || std::abs(header.biHeight) != surface.height()) return 0;
  DibInfo dib;
  const int asked = header.biBitCount;
  if (asked <= 8 && asked != surface.bitsPerPixel()) return 0;
  if (asked <= 8) {
    // The image's own table goes out with its indices.
    std::copy(surface.colorTable().begin(), surface.colorTable().end(), info->bmiColors);
    header.biClrUsed = 0;
  }
  if (!parseDibInfo(info, DIB_RGB_COLORS, nullptr, dib)) return 0;
  if (bits == nullptr) {
    header.biSizeImage = static_cast<DWORD>(dib.imageSize());
    return surface.height();
  }
  if (startScan >= static_cast<UINT>(dib.height)) return 0;
  const int lines = static_cast<int>(std::min<UINT>(scanLines, dib.height - startScan));
  Surface whole(dib.width, dib.height, dib.bitsPerPixel, dib.topDown);
  if (!dib.colors.empty())
    whole.setColorTable(0, static_cast<UINT>(dib.colors.size()), dib.colors.data());
  copyConverted(surface, whole, RGB(255, 255, 255));
  // Scan lines count from the bottom of a bottom-up image and from the top of a top-down one.
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < lines; ++i) {
    const int line = static_cast<int>(startScan) + i;
    const int y = dib.topDown ? line : dib.height - 1 - line;
    std::memcpy(out + static_cast<std::size_t>(i) * dib.stride, whole.row(y),
                static_cast<std::size_t>(dib.stride));
  }
  return lines;
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT usage)
{
  DeviceContext* dc = lookupDC(hdc);
  DibInfo dib;
  if (dc == nullptr || bits == nullptr || !parseDibInfo(info, usage, dc, dib)) return 0;
  if (startScan >= static_cast<UINT>(dib.height) || scanLines == 0) return 0;
  const int rows = static_cast<int>(std::min<UINT>(scanLines, dib.height - startScan));
  std::unique_ptr<Surface> band = wrapBits(dib, bits, rows);
  // The band holds image lines startScan..startScan+rows; lines count from the bottom of a
  // bottom-up image. Source y is measured the same way.
  const int w = static_cast<int>(std::min<DWORD>(width, maxSide));
  const int h = static_cast<int>(std::min<DWORD>(height, maxSide));
  int bandY;
  if (dib.topDown) {
    bandY = ySrc - static_cast<int>(startScan);
  } else {
    const int topLine = ySrc + h - 1;  // the highest line, shown on top
    bandY = (static_cast<int>(startScan) + rows - 1) - topLine;
  }
  blitFromSurface(*dc, xDest, yDest, w, h, *band, xSrc, bandY, SRCCOPY);
  return rows;
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop)
{
  DeviceContext* dc = lookupDC(hdc);
  DibInfo dib;
  if (dc == nullptr || bits == nullptr || !parseDibInfo(info, usage, dc, dib)) return 0;
  std::unique_ptr<Surface> image = wrapBits(dib, bits, dib.height);
  // Source coordinates of a bottom-up image count from its bottom-left corner.
  const int top = dib.topDown ? ySrc : dib.height - ySrc - srcHeight;
  if (destWidth == srcWidth && destHeight == srcHeight && srcWidth > 0 && srcHeight > 0) {
    return blitFromSurface(*dc, xDest, yDest, destWidth, destHeight, *image, xSrc, top, rop)
               ? srcHeight
               : 0;
  }
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
  // Scaled (and mirrored for negative sizes): sample the nearest source pixel.
  const int outWidth = std::min(std::abs(destWidth), maxSide);
  const int outHeight = std::min(std::abs(destHeight), maxSide);
  if (!Surface::fitsInMemory(outWidth, outHeight, dib.bitsPerPixel)) return 0;
  Surface scaled(outWidth, outHeight, dib.bitsPerPixel, true);
  if (!dib.colors.empty())
    scaled.setColorTable(0, static_cast<UINT>(dib.colors.size()), dib.colors.data());
  const bool flipX = (destWidth < 0) != (srcWidth < 0);
  const bool flipY = (destHeight < 0) != (srcHeight < 0);
  const int sw = std::abs(srcWidth), sh = std::abs(srcHeight);
  const int left = srcWidth < 0 ? xSrc + srcWidth : xSrc;
  const int firstRow = srcHeight < 0 ? top + srcHeight : top;
  for (int y = 0; y < outHeight; ++y) {
    const int oy = flipY ? outHeight - 1 - y : y;
    const int sy = firstRow + static_cast<int>(static_cast<std::int64_t>(oy) * sh / outHeight);
    if (sy < 0 || sy >= dib.height) continue;
    for (int x = 0; x < outWidth; ++x) {
      const int ox = flipX ? outWidth - 1 - x : x;
      const int sx = left + static_cast<int>(static_cast<std::int64_t>(ox) * sw / outWidth);
      if (sx < 0 || sx >= dib.width) continue;
      scaled.setRawPixel(x, y, image->rawPixel(sx, sy));
    }
  }
  const int x0 = destWidth < 0 ? xDest + destWidth : xDest;
  const int y0 = destHeight < 0 ? yDest + destHeight : yDest;
  return blitFromSurface(*dc, x0, y0, outWidth, outHeight, scaled, 0, 0, rop) ? sh : 0;
}

BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC hdcSrc, int xSrc, int ySrc, DWORD rop)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return FALSE;
  DeviceContext* source = lookupDC(hdcSrc);
  if (hdcSrc != nullptr && source == nullptr) return FALSE;
  return blitContexts(*dc, x, y, width, height, source, xSrc, ySrc, rop) ? TRUE : FALSE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
  RasterOp op;
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || !rasterOpOf(rop, op) || usesSource(op)) return FALSE;
  return blitContexts(*dc, x, y, width, height, nullptr, 0, 0, rop) ? TRUE : FALSE;
}
