// Update regions and painting.
#include <windows.h>

#include <cstring>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/RegionObject.h"
#include "platform/src/user/WindowManager.h"

using omgdi::RegionData;
using omuser::Window;
using omuser::WindowManager;

namespace {

WindowManager& wm()
{
  return WindowManager::instance();
}

RegionData areaOf(const RECT* rect)
{
  return RegionData::rectangle(rect->left, rect->top, rect->right, rect->bottom);
}

// The windows a call with a null window reaches: every top-level window.
std::vector<Window*> targetsOf(HWND window)
{
  if (window == nullptr) return wm().topLevelWindows();
  Window* w = wm().find(window);
  if (w == nullptr) return {};
  return {w};
}

}  // namespace

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint)
{
  Window* w = wm().find(window);
  if (w == nullptr || paint == nullptr) return nullptr;
  if (w->framePending) {
    // The frame first, then the background.
    w->framePending = false;
    wm().send(w, WM_NCPAINT, 1, 0);
    if ((w = wm().find(window)) == nullptr) return nullptr;
  }
  // The update region is taken and validated first, so a repaint asked for while erasing
  // (WM_ERASEBKGND) starts afresh.
  RegionData update = w->update;
  const bool erase = w->erasePending;
  w->update = RegionData();
  w->erasePending = false;
  w->internalPaint = false;
  const POINT origin = wm().clientOrigin(w);
  RegionData clip = update;
  clip.offset(origin.x, origin.y);
  clip = RegionData::combine(clip, wm().visibleRegion(w, true), RGN_AND);
  std::memset(paint, 0, sizeof *paint);
  paint->hdc = omgdi::createWindowDC(window, origin, std::move(clip), true);
  paint->rcPaint = update.box();
  paint->fErase = erase ? TRUE : FALSE;
  if (erase && wm().send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) != 0)
    paint->fErase = FALSE;
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* paint)
{
  if (paint == nullptr) return FALSE;
  omgdi::endPaintDC(paint->hdc);
  return TRUE;
}

HDC WINAPI GetDC(HWND window)
{
  if (window == nullptr) {
    const RECT screen = wm().screenRect();
    return omgdi::createWindowDC(nullptr, POINT{0, 0}, areaOf(&screen), false);
  }
  const Window* w = wm().find(window);
  if (w == nullptr) return nullptr;
  return omgdi::createWindowDC(window, wm().clientOrigin(w), wm().visibleRegion(w, true), false);
}

int WINAPI ReleaseDC(HWND, HDC dc)
{
  return omgdi::releaseWindowDC(dc) ? 1 : 0;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
  if (window != nullptr && wm().find(window) == nullptr) return FALSE;
  const RegionData area = rect != nullptr ? areaOf(rect) : RegionData();
  for (Window* w : targetsOf(window))
    wm().invalidate(w, rect != nullptr ? &area : nullptr, erase != FALSE,
                    WindowManager::kChildrenByStyle);
  return TRUE;
}

BOOL WINAPI InvalidateRgn(HWND window, HRGN region, BOOL erase)
{
  Window* w = wm().find(window);
  if (w == nullptr) return FALSE;
  wm().invalidate(w, omgdi::regionData(region), erase != FALSE, WindowManager::kChildrenByStyle);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT* rect)
{
  if (window != nullptr && wm().find(window) == nullptr) return FALSE;
  const RegionData area = rect != nullptr ? areaOf(rect) : RegionData();
  for (Window* w : targetsOf(window)) {
    wm().validate(w, rect != nullptr ? &area : nullptr, WindowManager::kChildrenByStyle);
    if (rect == nullptr) w->internalPaint = false;
  }
  return TRUE;
}

BOOL WINAPI ValidateRgn(HWND window, HRGN region)
{
  Window* w = wm().find(window);
  if (w == nullptr) return FALSE;
  wm().validate(w, omgdi::regionData(region), WindowManager::kChildrenByStyle);
  if (region == nullptr) w->internalPaint = false;
  return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL)
{
  const Window* w = wm().find(window);
  if (w == nullptr) return FALSE;
  if (rect != nullptr) *rect = w->update.box();
  return w->update.isEmpty() ? FALSE : TRUE;
}

int WINAPI GetUpdateRgn(HWND window, HRGN region, BOOL)
{
  const Window* w = wm().find(window);
  RegionData* out = omgdi::regionData(region);
  if (w == nullptr || out == nullptr) return ERROR;
  *out = w->update;
  return out->kind();
}

BOOL WINAPI UpdateWindow(HWND window)
{
  Window* w = wm().find(window);
  if (w == nullptr) return FALSE;
  wm().paintNow(w, true, false);
  return TRUE;
}

BOOL WINAPI RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags)
{
  if (window != nullptr && wm().find(window) == nullptr) return FALSE;
  const int childMode = (flags & RDW_ALLCHILDREN)  ? WindowManager::kAllChildren
                        : (flags & RDW_NOCHILDREN) ? WindowManager::kNoChildren
                                                   : WindowManager::kChildrenByStyle;
  RegionData area;
  const RegionData* areaPointer = nullptr;
  if (region != nullptr && omgdi::regionData(region) != nullptr) {
    area = *omgdi::regionData(region);
    areaPointer = &area;
  } else if (rect != nullptr) {
    area = areaOf(rect);
    areaPointer = &area;
  }
  for (Window* w : targetsOf(window)) {
    const HWND handle = w->handle;
    if (flags & RDW_INVALIDATE) {
      wm().invalidate(w, areaPointer, (flags & RDW_ERASE) != 0, childMode);
      if (flags & RDW_NOERASE) w->erasePending = false;
      if ((flags & RDW_FRAME) && WindowManager::hasNonClientArea(w)) w->framePending = true;
    }
    if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
    if (flags & RDW_VALIDATE) wm().validate(w, areaPointer, childMode);
    if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
    const bool children = childMode != WindowManager::kNoChildren;
    if (flags & RDW_ERASENOW) wm().paintNow(w, children, true);
    if ((flags & RDW_UPDATENOW) && (w = wm().find(handle)) != nullptr)
      wm().paintNow(w, children, false);
  }
  return TRUE;
}
