// Device contexts, object selection, colours and modes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include <windows.h>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiFont.h"
#include "platform/src/gdi/GdiPalette.h"
#include "platform/src/gdi/GdiPen.h"
#include "platform/src/gdi/Printer.h"
#include "platform/src/gdi/Screen.h"
#include "platform/src/gdi/StockObjects.h"

using namespace omgdi;

HDC CreateCompatibleDC(HDC)
{
  return registerDC(std::make_unique<DeviceContext>(DeviceContext::Kind::memory, nullptr));
}

namespace {

// "\\.\Display1" and on: our one virtual screen is every display there is.
bool namesDisplay(LPCSTR driver, LPCSTR device)
{
  if (driver != nullptr && _stricmp(driver, "DISPLAY") == 0) return true;
  if (device == nullptr) return false;
  const char prefix[] = "\\\\.\\DISPLAY";
  const std::size_t length = sizeof(prefix) - 1;
  if (std::strlen(device) <= length || _strnicmp(device, prefix, length) != 0) return false;
  return std::all_of(device + length, device + std::strlen(device),
                     [](char c) { return c >= '0' && c <= '9'; }) &&
         device[length] != '0';
}

// A printer of the table, in the orientation of the device mode when it has one.
HDC createPrinterContext(LPCSTR device, const void* deviceMode)
{
  const PrinterModel* model = device == nullptr ? nullptr : PrinterTable::instance().find(device);
  if (model == nullptr) return nullptr;
  const auto* mode = static_cast<const DEVMODEA*>(deviceMode);
  const bool landscape = mode != nullptr && (mode->dmFields & DM_ORIENTATION) != 0 &&
                         mode->dmOrientation == DMORIENT_LANDSCAPE;
  return createPrinterDC(*model, landscape);
}

}  // namespace

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR, const void* deviceMode)
{
  if (!namesDisplay(driver, device)) return createPrinterContext(device, deviceMode);
  Surface& screen = Screen::instance().surface();
  return createWindowDC(nullptr, POINT{0, 0},
                        RegionData::rectangle(0, 0, screen.width(), screen.height()), false);
}

BOOL DeleteDC(HDC hdc)
{
  endPrinterDC(hdc);
  return destroyDC(hdc) ? TRUE : FALSE;
}

int SaveDC(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  return dc == nullptr ? 0 : dc->save();
}

BOOL RestoreDC(HDC hdc, int savedDC)
{
  DeviceContext* dc = lookupDC(hdc);
  return dc != nullptr && dc->restore(savedDC) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC hdc, int index)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return 0;
  if (isPrinterDC(hdc)) return printerDeviceCaps(hdc, index);
  Surface* surface = dc->surface();
  Screen& screen = Screen::instance();
  const bool palettized = dc->contextKind() != DeviceContext::Kind::memory && screen.isPalettized();
  switch (index) {
    case HORZRES:
      return surface == nullptr ? 0 : surface->width();
    case VERTRES:
      return surface == nullptr ? 0 : surface->height();
    case BITSPIXEL:
      return surface == nullptr ? 0 : surface->bitsPerPixel();
    case PLANES:
      return 1;
    case NUMCOLORS:
      return palettized ? 20 : -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case RASTERCAPS:
      return palettized ? RC_PALETTE : 0;
    case SIZEPALETTE:
      return palettized ? 256 : 0;
    case NUMRESERVED:
      return palettized ? 20 : 0;
    default:
      return 0;
  }
}

namespace {

int regionKind(const std::vector<RECT>& rects)
{
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return ERROR;
  const std::vector<RECT> wanted{RECT{left, top, right, bottom}};
  DcState& state = dc->state();
  state.clip = state.clip ? intersectRects(*state.clip, wanted) : intersectRects(wanted, wanted);
  return regionKind(*state.clip);
}

int GetClipBox(HDC hdc, LPRECT rect)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return ERROR;
  const std::vector<RECT> rects = dc->clipRects();
  *rect = RECT{0, 0, 0, 0};
  if (rects.empty()) return NULLREGION;
  const RECT box = boundsOf(rects);
  const POINT origin = dc->origin();
  *rect =
      RECT{box.left - origin.x, box.top - origin.y, box.right - origin.x, box.bottom - origin.y};
  return regionKind(rects);
}

namespace {

HGDIOBJ selectBitmap(DeviceContext& dc, HGDIOBJ object, GdiBitmap& bitmap)
{
  if (dc.contextKind() != DeviceContext::Kind::memory) return nullptr;
  if (dc.state().bitmap == object) return object;
  if (bitmap.isInDC() && !bitmap.isStock()) return nullptr;
  if (GdiBitmap* old = lookup<GdiBitmap>(dc.state().bitmap, OBJ_BITMAP); old && !old->isStock()) {
    old->setInDC(false);
  }
  if (!bitmap.isStock()) bitmap.setInDC(true);
  return dc.select(&DcState::bitmap, object);
}

}  // namespace

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
  DeviceContext* dc = lookupDC(hdc);
  GdiObject* target = lookupObject(object);
  if (dc == nullptr || target == nullptr) return nullptr;
  switch (target->kind()) {
    case OBJ_PEN:
      return dc->select(&DcState::pen, object);
    case OBJ_BRUSH:
      return dc->select(&DcState::brush, object);
    case OBJ_FONT:
      return dc->select(&DcState::font, object);
    case OBJ_BITMAP:
      return selectBitmap(*dc, object, *static_cast<GdiBitmap*>(target));
    case OBJ_REGION:
      // Selecting a region clips to it and answers the region's kind.
      return reinterpret_cast<HGDIOBJ>(
          static_cast<std::intptr_t>(SelectClipRgn(hdc, static_cast<HRGN>(object))));
    default:
      // Palettes go through SelectPalette, regions through SelectClipRgn.
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state().pen;
    case OBJ_BRUSH:
      return dc->state().brush;
    case OBJ_FONT:
      return dc->state().font;
    case OBJ_PAL:
      return dc->state().palette;
    case OBJ_BITMAP:
      return dc->state().bitmap;
    default:
      return nullptr;
  }
}

namespace {

int copyOut(const void* data, int size, int bufferSize, LPVOID buffer)
{
  if (buffer == nullptr) return size;
  const int n = std::min(size, bufferSize);
  if (n <= 0) return 0;
  std::memcpy(buffer, data, static_cast<std::size_t>(n));
  return n;
}

}  // namespace

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer)
{
  GdiObject* target = lookupObject(object);
  if (target == nullptr) return 0;
  switch (target->kind()) {
    case OBJ_BITMAP: {
      auto* bitmap = static_cast<GdiBitmap*>(target);
      Surface& surface = bitmap->surface();
      DIBSECTION section{};
      section.dsBm = BITMAP{0,
                            surface.width(),
                            surface.height(),
                            surface.stride(),
                            1,
                            static_cast<WORD>(surface.bitsPerPixel()),
                            bitmap->isDibSection() ? surface.pixels() : nullptr};
      section.dsBmih = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                        surface.width(),
                                        surface.topDown() ? -surface.height() : surface.height(),
                                        1,
                                        static_cast<WORD>(surface.bitsPerPixel()),
                                        BI_RGB,
                                        static_cast<DWORD>(surface.byteSize()),
                                        0,
                                        0,
                                        0,
                                        0};
      const int wanted = bitmap->isDibSection() && size >= static_cast<int>(sizeof(DIBSECTION))
                             ? static_cast<int>(sizeof(DIBSECTION))
                             : static_cast<int>(sizeof(BITMAP));
      return copyOut(&section, wanted, size, buffer);
    }
    case OBJ_PEN: {
      auto* pen = static_cast<GdiPen*>(target);
      const LOGPEN logPen{static_cast<UINT>(pen->style()), POINT{pen->width(), 0}, pen->color()};
      return copyOut(&logPen, sizeof(logPen), size, buffer);
    }
    case OBJ_BRUSH: {
      auto* brush = static_cast<GdiBrush*>(target);
      const LOGBRUSH logBrush{static_cast<UINT>(brush->isHollow() ? BS_NULL : BS_SOLID),
                              brush->color(), 0};
      return copyOut(&logBrush, sizeof(logBrush), size, buffer);
    }
    case OBJ_FONT: {
      const LOGFONTA& logFont = static_cast<GdiFont*>(target)->logFont();
      return copyOut(&logFont, sizeof(logFont), size, buffer);
    }
    case OBJ_PAL: {
      const WORD count = static_cast<WORD>(static_cast<GdiPalette*>(target)->entries().size());
      return copyOut(&count, sizeof(count), size, buffer);
    }
    default:
      return 0;
  }
}

namespace {

// The text attributes of a DC: a setter answers the old value, both answer failure for a
// handle that is no DC.
template <typename Value>
Value exchangeAttribute(HDC hdc, Value DcState::*field, Value value, Value failure)
{
  DeviceContext* dc = lookupDC(hdc);
  return dc == nullptr ? failure : std::exchange(dc->state().*field, value);
}

template <typename Value>
Value attribute(HDC hdc, Value DcState::*field, Value failure)
{
  DeviceContext* dc = lookupDC(hdc);
  return dc == nullptr ? failure : dc->state().*field;
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
  return exchangeAttribute(hdc, &DcState::textColor, color, CLR_INVALID);
}

COLORREF GetTextColor(HDC hdc)
{
  return attribute(hdc, &DcState::textColor, CLR_INVALID);
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
  return exchangeAttribute(hdc, &DcState::bkColor, color, CLR_INVALID);
}

COLORREF GetBkColor(HDC hdc)
{
  return attribute(hdc, &DcState::bkColor, CLR_INVALID);
}

int SetBkMode(HDC hdc, int mode)
{
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return exchangeAttribute(hdc, &DcState::bkMode, mode, 0);
}

int GetBkMode(HDC hdc)
{
  return attribute(hdc, &DcState::bkMode, 0);
}

UINT SetTextAlign(HDC hdc, UINT align)
{
  return exchangeAttribute(hdc, &DcState::textAlign, align, static_cast<UINT>(GDI_ERROR));
}

UINT GetTextAlign(HDC hdc)
{
  return attribute(hdc, &DcState::textAlign, static_cast<UINT>(GDI_ERROR));
}
