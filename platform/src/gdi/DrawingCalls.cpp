// Pens, brushes, rectangles, lines and pixels.
#include <algorithm>
#include <memory>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiPen.h"
#include "platform/src/gdi/Rasterizer.h"

using namespace omgdi;

HPEN CreatePen(int style, int width, COLORREF color)
{
  if (style != PS_SOLID && style != PS_NULL && style != PS_INSIDEFRAME) return nullptr;
  return registerObject(std::make_unique<GdiPen>(style, width, color));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
  return registerObject(std::make_unique<GdiBrush>(BS_SOLID, color));
}

namespace {

RECT toSurface(const DeviceContext& dc, RECT rect)
{
  const POINT origin = dc.origin();
  rect.left += origin.x;
  rect.right += origin.x;
  rect.top += origin.y;
  rect.bottom += origin.y;
  return rect;
}

RECT normalized(int left, int top, int right, int bottom)
{
  return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
              std::max(top, bottom)};
}

// A fill of a reversed rectangle covers the pixels from the second edge to the first, both
// one pixel further on (as Windows fills it): from right + 1 up to left + 1.
RECT reversedFill(RECT rect)
{
  if (rect.left > rect.right) rect = RECT{rect.right + 1, rect.top, rect.left + 1, rect.bottom};
  if (rect.top > rect.bottom) rect = RECT{rect.left, rect.bottom + 1, rect.right, rect.top + 1};
  return rect;
}

// The pen's raw colour, or false when the pen draws nothing.
bool penColor(DeviceContext& dc, GdiPen*& pen, std::uint32_t& raw)
{
  pen = lookup<GdiPen>(dc.state().pen, OBJ_PEN);
  return pen != nullptr && !pen->isNull() && dc.resolveColor(pen->color(), raw);
}

bool brushColor(DeviceContext& dc, HBRUSH handle, std::uint32_t& raw)
{
  GdiBrush* brush = lookup<GdiBrush>(handle, OBJ_BRUSH);
  return brush != nullptr && !brush->isHollow() && dc.resolveColor(brush->color(), raw);
}

}  // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->surface() == nullptr) return FALSE;
  const RECT rect = toSurface(*dc, normalized(left, top, right, bottom));
  Rasterizer rasterizer(*dc->surface(), dc->clipRects());
  std::uint32_t raw = 0;
  // The interior stops one pixel short of the right and bottom edges; a pen draws over its
  // border.
  if (brushColor(*dc, dc->state().brush, raw)) {
    rasterizer.fillRect(RECT{rect.left, rect.top, rect.right - 1, rect.bottom - 1}, raw);
  }
  GdiPen* pen = nullptr;
  // A one-pixel pen draws nothing around a single pixel.
  const bool singlePixel = rect.right - rect.left == 1 && rect.bottom - rect.top == 1;
  if (penColor(*dc, pen, raw) && !(singlePixel && pen->width() <= 1)) {
    rasterizer.frame(rect, pen->width(), pen->style() == PS_INSIDEFRAME, raw);
  }
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT oldPoint)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return FALSE;
  if (oldPoint != nullptr) *oldPoint = dc->state().position;
  dc->state().position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->surface() == nullptr) return FALSE;
  const POINT from = dc->state().position;
  dc->state().position = POINT{x, y};
  GdiPen* pen = nullptr;
  std::uint32_t raw = 0;
  if (!penColor(*dc, pen, raw)) return TRUE;
  const POINT origin = dc->origin();
  Rasterizer rasterizer(*dc->surface(), dc->clipRects());
  rasterizer.line(from.x + origin.x, from.y + origin.y, x + origin.x, y + origin.y, pen->width(),
                  raw);
  return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
  DeviceContext* dc = lookupDC(hdc);
  std::uint32_t raw = 0;
  if (dc == nullptr || dc->surface() == nullptr || !dc->resolveColor(color, raw)) {
    return CLR_INVALID;
  }
  const POINT origin = dc->origin();
  for (const RECT& r : dc->clipRects()) {
    const int sx = x + origin.x, sy = y + origin.y;
    if (sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom) {
      dc->surface()->setRawPixel(sx, sy, raw);
      return dc->surface()->colorOf(raw);
    }
  }
  return CLR_INVALID;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->surface() == nullptr) return CLR_INVALID;
  const POINT origin = dc->origin();
  for (const RECT& r : dc->clipRects()) {
    const int sx = x + origin.x, sy = y + origin.y;
    if (sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom) {
      return dc->surface()->colorOf(dc->surface()->rawPixel(sx, sy));
    }
  }
  return CLR_INVALID;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
  DeviceContext* dc = lookupDC(hdc);
  std::uint32_t raw = 0;
  if (dc == nullptr || rect == nullptr || dc->surface() == nullptr) return 0;
  if (!brushColor(*dc, brush, raw)) return lookupObject(brush) != nullptr ? 1 : 0;
  Rasterizer rasterizer(*dc->surface(), dc->clipRects());
  rasterizer.fillRect(toSurface(*dc, reversedFill(*rect)), raw);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
  DeviceContext* dc = lookupDC(hdc);
  std::uint32_t raw = 0;
  if (dc == nullptr || rect == nullptr || dc->surface() == nullptr) return 0;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  if (!brushColor(*dc, brush, raw)) return lookupObject(brush) != nullptr ? 1 : 0;
  Rasterizer rasterizer(*dc->surface(), dc->clipRects());
  rasterizer.frame(toSurface(*dc, *rect), 1, true, raw);
  return 1;
}
