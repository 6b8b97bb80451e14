#pragma once

#include <wingdi.h>

#include "platform/src/gdi/GdiObject.h"
#include "platform/src/gdi/RegionData.h"

namespace omgdi {

// A device context. The window system makes one for GetDC and BeginPaint with the window, the
// origin of its drawing coordinates on the screen and the region of the screen it may draw
// on; the drawing layer adds what it selects into it (pens, brushes, fonts, palettes,
// bitmaps, clip regions) and draws through it into the virtual screen.
class DeviceContext : public GdiObject {
 public:
  DeviceContext(HWND window, POINT origin, RegionData visible, bool forPaint)
      : GdiObject(OBJ_DC),
        window_(window),
        origin_(origin),
        visible_(std::move(visible)),
        forPaint_(forPaint)
  {
  }

  // Window DCs go away with ReleaseDC or EndPaint, never with DeleteObject.
  bool canDelete() const override { return false; }

  HWND window() const { return window_; }
  // Screen coordinates of the DC's (0, 0).
  POINT origin() const { return origin_; }
  // The part of the screen the DC may draw on, in screen coordinates.
  const RegionData& visible() const { return visible_; }
  bool forPaint() const { return forPaint_; }

 private:
  HWND window_;
  POINT origin_;
  RegionData visible_;
  bool forPaint_;
};

HDC createWindowDC(HWND window, POINT origin, RegionData visible, bool forPaint);
DeviceContext* findDC(HDC dc);
// Ends a window DC; false when the handle is no window DC.
bool releaseWindowDC(HDC dc);

}  // namespace omgdi
