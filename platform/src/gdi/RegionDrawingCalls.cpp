// Clipping to regions and drawing them.
#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/Rasterizer.h"
#include "platform/src/gdi/RegionObject.h"

using namespace omgdi;

namespace {

// Fills the region's rectangles (context coordinates) with a brush; false for a bad handle.
bool fillRegion(HDC hdc, const RegionData& region, HBRUSH handle)
{
  DeviceContext* dc = lookupDC(hdc);
  GdiBrush* brush = lookup<GdiBrush>(handle, OBJ_BRUSH);
  if (dc == nullptr || brush == nullptr || dc->surface() == nullptr) return false;
  std::uint32_t raw = 0;
  if (brush->isHollow() || !dc->resolveColor(brush->color(), raw)) return true;
  Rasterizer rasterizer(*dc->surface(), dc->clipRects());
  const POINT origin = dc->origin();
  for (RECT r : region.rects()) {
    rasterizer.fillRect(
        RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y}, raw);
  }
  return true;
}

RegionData shifted(const RegionData& region, int dx, int dy)
{
  RegionData copy = region;
  copy.offset(dx, dy);
  return copy;
}

}  // namespace

int SelectClipRgn(HDC hdc, HRGN region)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return ERROR;
  if (region == nullptr) {
    dc->state().clip.reset();
    return SIMPLEREGION;
  }
  const RegionData* shape = regionData(region);
  if (shape == nullptr) return ERROR;
  // The context keeps a copy: the caller may change or delete the region afterwards.
  dc->state().clip = shape->rects();
  return shape->kind();
}

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush)
{
  const RegionData* shape = regionData(region);
  return shape != nullptr && fillRegion(hdc, *shape, brush) ? TRUE : FALSE;
}

BOOL PaintRgn(HDC hdc, HRGN region)
{
  DeviceContext* dc = lookupDC(hdc);
  const RegionData* shape = regionData(region);
  if (dc == nullptr || shape == nullptr) return FALSE;
  return fillRegion(hdc, *shape, dc->state().brush) ? TRUE : FALSE;
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height)
{
  const RegionData* shape = regionData(region);
  if (shape == nullptr || width < 1 || height < 1) return FALSE;
  // The frame is what the region loses when it shrinks by width sideways and height up and
  // down.
  RegionData inner = *shape;
  inner = RegionData::combine(inner, shifted(*shape, width, 0), RGN_AND);
  inner = RegionData::combine(inner, shifted(*shape, -width, 0), RGN_AND);
  inner = RegionData::combine(inner, shifted(*shape, 0, height), RGN_AND);
  inner = RegionData::combine(inner, shifted(*shape, 0, -height), RGN_AND);
  const RegionData frame = RegionData::combine(*shape, inner, RGN_DIFF);
  return fillRegion(hdc, frame, brush) ? TRUE : FALSE;
}
