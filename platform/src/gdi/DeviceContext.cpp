#include "platform/src/gdi/DeviceContext.h"

#include <memory>

#include "platform/src/gdi/GdiObjectTable.h"

namespace omgdi {

HDC createWindowDC(HWND window, POINT origin, RegionData visible, bool forPaint)
{
  return static_cast<HDC>(GdiObjectTable::instance().add(
      std::make_unique<DeviceContext>(window, origin, std::move(visible), forPaint)));
}

DeviceContext* findDC(HDC dc)
{
  return GdiObjectTable::instance().find<DeviceContext>(dc, OBJ_DC);
}

bool releaseWindowDC(HDC dc)
{
  DeviceContext* context = findDC(dc);
  if (context == nullptr) return false;
  // Window DCs refuse DeleteObject; take them out of the table directly.
  return GdiObjectTable::instance().remove(dc);
}

}  // namespace omgdi
