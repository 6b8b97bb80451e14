#include "platform/src/ddraw/DirectDrawClipper.h"

#include <cstring>

#include "platform/src/user/Window.h"
#include "platform/src/user/WindowManager.h"

namespace omddraw {

std::optional<std::vector<RECT>> DirectDrawClipper::clipRects() const
{
  if (window_) {
    omuser::WindowManager& wm = omuser::WindowManager::instance();
    const omuser::Window* window = wm.find(window_);
    // A window that is gone, hidden or minimised shows nothing of a blit.
    if (!window || !IsWindowVisible(window_) || IsIconic(window_)) return std::vector<RECT>{};
    return wm.visibleRegion(window, true).rects();
  }
  return list_;
}

HRESULT WINAPI DirectDrawClipper::GetClipList(LPRECT rect, LPRGNDATA list, LPDWORD size)
{
  if (!size) return DDERR_INVALIDPARAMS;
  const auto rects = clipRects();
  if (!rects) return DDERR_NOCLIPLIST;
  std::vector<RECT> kept;
  for (const RECT& r : *rects) {
    RECT part = r;
    if (rect) {
      part.left = std::max(r.left, rect->left);
      part.top = std::max(r.top, rect->top);
      part.right = std::min(r.right, rect->right);
      part.bottom = std::min(r.bottom, rect->bottom);
    }
    if (part.left < part.right && part.top < part.bottom) kept.push_back(part);
  }
  const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + kept.size() * sizeof(RECT));
  if (!list) {
    *size = needed;
    return DD_OK;
  }
  if (*size < needed) {
    *size = needed;
    return DDERR_INVALIDPARAMS;
  }
  list->rdh = RGNDATAHEADER{sizeof(RGNDATAHEADER), 1, static_cast<DWORD>(kept.size()),
                            static_cast<DWORD>(kept.size() * sizeof(RECT)), RECT{0, 0, 0, 0}};
  RECT bound{0, 0, 0, 0};
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const RECT& r = kept[i];
    if (i == 0) {
      bound = r;
    } else {
      bound.left = std::min(bound.left, r.left);
      bound.top = std::min(bound.top, r.top);
      bound.right = std::max(bound.right, r.right);
      bound.bottom = std::max(bound.bottom, r.bottom);
    }
    std::memcpy(list->Buffer + i * sizeof(RECT), &r, sizeof(RECT));
  }
  list->rdh.rcBound = bound;
  return DD_OK;
}

HRESULT WINAPI DirectDrawClipper::GetHWnd(HWND* window)
{
  if (!window) return DDERR_INVALIDPARAMS;
  *window = window_;
  return DD_OK;
}

HRESULT WINAPI DirectDrawClipper::Initialize(LPDIRECTDRAW, DWORD)
{
  return DDERR_ALREADYINITIALIZED;
}

HRESULT WINAPI DirectDrawClipper::IsClipListChanged(BOOL* changed)
{
  if (!changed) return DDERR_INVALIDPARAMS;
  *changed = FALSE;
  return DD_OK;
}

// The list comes from the program itself: a header and nCount rectangles after it.
HRESULT WINAPI DirectDrawClipper::SetClipList(LPRGNDATA list, DWORD flags)
{
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (window_) return DDERR_CLIPPERISUSINGHWND;
  if (!list) {
    list_.reset();
    return DD_OK;
  }
  std::vector<RECT> rects(list->rdh.nCount);
  if (!rects.empty()) std::memcpy(rects.data(), list->Buffer, rects.size() * sizeof(RECT));
  std::erase_if(rects, [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; });
  list_ = std::move(rects);
  return DD_OK;
}

HRESULT WINAPI DirectDrawClipper::SetHWnd(DWORD flags, HWND window)
{
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (window && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

}  // namespace omddraw
