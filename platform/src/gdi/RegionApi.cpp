// The region calls of GDI, over RegionData.
#include <wingdi.h>

#include <memory>

#include "platform/src/gdi/GdiObjectTable.h"
#include "platform/src/gdi/RegionObject.h"

namespace omgdi {

RegionData* regionData(HRGN region)
{
  auto* object = GdiObjectTable::instance().find<RegionObject>(region, OBJ_REGION);
  return object != nullptr ? &object->data() : nullptr;
}

HRGN createRegion(RegionData data)
{
  return GdiObjectTable::instance().add(std::make_unique<RegionObject>(std::move(data)));
}

}  // namespace omgdi

using omgdi::RegionData;

HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom)
{
  return omgdi::createRegion(RegionData::rectangle(left, top, right, bottom));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* rect)
{
  if (rect == nullptr) return nullptr;
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN WINAPI CreateEllipticRgn(int left, int top, int right, int bottom)
{
  RegionData shape;
  if (!RegionData::ellipse(left, top, right, bottom, shape)) return nullptr;
  return omgdi::createRegion(std::move(shape));
}

HRGN WINAPI CreateEllipticRgnIndirect(const RECT* rect)
{
  if (rect == nullptr) return nullptr;
  return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN WINAPI CreatePolygonRgn(const POINT* points, int count, int fillMode)
{
  if (points == nullptr || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING))
    return nullptr;
  RegionData shape;
  if (!RegionData::polygon(points, count, fillMode, shape)) return nullptr;
  return omgdi::createRegion(std::move(shape));
}

int WINAPI CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode)
{
  RegionData* out = omgdi::regionData(destination);
  const RegionData* a = omgdi::regionData(source1);
  if (out == nullptr || a == nullptr || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    *out = *a;
    return out->kind();
  }
  const RegionData* b = omgdi::regionData(source2);
  if (b == nullptr) return ERROR;
  *out = RegionData::combine(*a, *b, mode);
  return out->kind();
}

int WINAPI OffsetRgn(HRGN region, int dx, int dy)
{
  RegionData* data = omgdi::regionData(region);
  if (data == nullptr || !data->offset(dx, dy)) return ERROR;
  return data->kind();
}

int WINAPI GetRgnBox(HRGN region, LPRECT box)
{
  const RegionData* data = omgdi::regionData(region);
  if (data == nullptr || box == nullptr) return ERROR;
  *box = data->box();
  return data->kind();
}

BOOL WINAPI PtInRegion(HRGN region, int x, int y)
{
  const RegionData* data = omgdi::regionData(region);
  return data != nullptr && data->contains(x, y) ? TRUE : FALSE;
}

BOOL WINAPI RectInRegion(HRGN region, const RECT* rect)
{
  const RegionData* data = omgdi::regionData(region);
  return data != nullptr && rect != nullptr && data->intersects(*rect) ? TRUE : FALSE;
}

BOOL WINAPI EqualRgn(HRGN region1, HRGN region2)
{
  const RegionData* a = omgdi::regionData(region1);
  const RegionData* b = omgdi::regionData(region2);
  if (a == nullptr || b == nullptr) return ERROR;
  return *a == *b ? TRUE : FALSE;
}

BOOL WINAPI SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
  RegionData* data = omgdi::regionData(region);
  if (data == nullptr) return FALSE;
  *data = RegionData::rectangle(left, top, right, bottom);
  return TRUE;
}
