#include "platform/src/gdi/DeviceContext.h"

#include <algorithm>
#include <map>

#include <winuser.h>

#include "platform/src/gdi/GdiBitmap.h"
#include "platform/src/gdi/GdiPalette.h"
#include "platform/src/gdi/Screen.h"
#include "platform/src/gdi/StockObjects.h"

namespace omgdi {

bool intersectRect(const RECT& a, const RECT& b, RECT& out)
{
  out.left = std::max(a.left, b.left);
  out.top = std::max(a.top, b.top);
  out.right = std::min(a.right, b.right);
  out.bottom = std::min(a.bottom, b.bottom);
  return out.left < out.right && out.top < out.bottom;
}

RECT boundsOf(const std::vector<RECT>& rects)
{
  if (rects.empty()) return RECT{0, 0, 0, 0};
  RECT bounds = rects.front();
  for (const RECT& r : rects) {
    bounds.left = std::min(bounds.left, r.left);
    bounds.top = std::min(bounds.top, r.top);
    bounds.right = std::max(bounds.right, r.right);
    bounds.bottom = std::max(bounds.bottom, r.bottom);
  }
  return bounds;
}

std::vector<RECT> intersectRects(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
  std::vector<RECT> result;
  for (const RECT& ra : a) {
    for (const RECT& rb : b) {
      RECT overlap;
      if (intersectRect(ra, rb, overlap)) result.push_back(overlap);
    }
  }
  return result;
}

DeviceContext* lookupDC(HDC hdc)
{
  GdiObject* object = lookupObject(reinterpret_cast<HGDIOBJ>(hdc));
  if (object == nullptr || (object->kind() != OBJ_DC && object->kind() != OBJ_MEMDC)) {
    return nullptr;
  }
  return static_cast<DeviceContext*>(object);
}

HDC registerDC(std::unique_ptr<DeviceContext> dc)
{
  DeviceContext* raw = dc.get();
  HDC handle = reinterpret_cast<HDC>(registerObject(std::move(dc)));
  if (raw != nullptr) raw->setHandle(handle);
  return handle;
}

bool destroyDC(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr) return false;
  dc->markEnding();
  return GdiObjectTable::instance().destroy(reinterpret_cast<HGDIOBJ>(hdc));
}

namespace {

// The contexts of windows whose class has CS_OWNDC: one per window, kept between GetDC calls.
std::map<HWND, HDC>& ownContexts()
{
  static std::map<HWND, HDC> contexts;
  return contexts;
}

bool hasOwnContext(HWND window)
{
  return window != nullptr && (GetClassLongA(window, GCL_STYLE) & CS_OWNDC) != 0;
}

void forgetDestroyedWindows()
{
  std::erase_if(ownContexts(), [](const auto& entry) {
    if (IsWindow(entry.first)) return false;
    if (DeviceContext* dc = lookupDC(entry.second)) dc->setOwned(false);
    destroyDC(entry.second);
    return true;
  });
}

}  // namespace

HDC createWindowDC(HWND window, POINT origin, RegionData visible, bool forPaint)
{
  if (hasOwnContext(window)) {
    forgetDestroyedWindows();
    auto found = ownContexts().find(window);
    if (found != ownContexts().end()) {
      if (DeviceContext* dc = lookupDC(found->second)) {
        // What the context selected stays; where it may draw is taken afresh, unless a paint
        // holds it.
        dc->setOrigin(origin);
        if (forPaint || !dc->isPainting()) dc->setVisible(std::move(visible));
        if (forPaint) dc->setPainting(true);
        return found->second;
      }
    }
    auto dc = std::make_unique<DeviceContext>(window, origin, std::move(visible), forPaint);
    dc->setOwned(true);
    const HDC handle = registerDC(std::move(dc));
    ownContexts()[window] = handle;
    return handle;
  }
  return registerDC(std::make_unique<DeviceContext>(window, origin, std::move(visible), forPaint));
}

HDC createFrameDC(HWND window, POINT origin, RegionData visible)
{
  return registerDC(std::make_unique<DeviceContext>(window, origin, std::move(visible), false));
}

DeviceContext* findDC(HDC dc)
{
  return lookupDC(dc);
}

bool releaseWindowDC(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || dc->contextKind() != DeviceContext::Kind::window) return false;
  if (dc->isOwned()) return true;
  return destroyDC(hdc);
}

bool endPaintDC(HDC hdc)
{
  if (DeviceContext* dc = lookupDC(hdc)) dc->setPainting(false);
  return releaseWindowDC(hdc);
}

DeviceContext::DeviceContext(Kind kind, HWND window)
    : GdiObject(kind == Kind::memory ? OBJ_MEMDC : OBJ_DC), kind_(kind), window_(window)
{
  state_.pen = stockObject(BLACK_PEN);
  state_.brush = stockObject(WHITE_BRUSH);
  state_.font = stockObject(SYSTEM_FONT);
  state_.palette = stockObject(DEFAULT_PALETTE);
  if (kind == Kind::memory) state_.bitmap = defaultBitmap();
}

DeviceContext::DeviceContext(HWND window, POINT origin, RegionData visible, bool forPaint)
    : DeviceContext(Kind::window, window)
{
  painting_ = forPaint;
  origin_ = origin;
  setVisible(std::move(visible));
}

DeviceContext::~DeviceContext()
{
  GdiBitmap* bitmap = lookup<GdiBitmap>(state_.bitmap, OBJ_BITMAP);
  if (bitmap != nullptr && !bitmap->isStock()) bitmap->setInDC(false);
}

void DeviceContext::setVisible(RegionData visible)
{
  visibleRegion_ = std::move(visible);
  visible_ = visibleRegion_.rects();
}

Surface* DeviceContext::surface()
{
  if (kind_ != Kind::memory) return &Screen::instance().surface();
  GdiBitmap* bitmap = lookup<GdiBitmap>(state_.bitmap, OBJ_BITMAP);
  return bitmap == nullptr ? nullptr : &bitmap->surface();
}

std::vector<RECT> DeviceContext::clipRects()
{
  Surface* target = surface();
  if (target == nullptr) return {};
  std::vector<RECT> rects{RECT{0, 0, target->width(), target->height()}};
  if (visible_) rects = intersectRects(rects, *visible_);
  if (state_.clip) {
    std::vector<RECT> own = *state_.clip;
    for (RECT& r : own) {
      r.left += origin_.x;
      r.right += origin_.x;
      r.top += origin_.y;
      r.bottom += origin_.y;
    }
    rects = intersectRects(rects, own);
  }
  return rects;
}

HGDIOBJ DeviceContext::select(HGDIOBJ DcState::*slot, HGDIOBJ object)
{
  HGDIOBJ old = state_.*slot;
  state_.*slot = object;
  return old;
}

int DeviceContext::save()
{
  saved_.push_back(state_);
  return static_cast<int>(saved_.size());
}

bool DeviceContext::restore(int level)
{
  const int depth = static_cast<int>(saved_.size());
  if (level < 0) level = depth + 1 + level;
  if (level < 1 || level > depth) return false;
  saved_.resize(static_cast<std::size_t>(level));
  DcState restored = std::move(saved_.back());
  saved_.pop_back();
  GdiBitmap* oldBitmap = lookup<GdiBitmap>(state_.bitmap, OBJ_BITMAP);
  if (oldBitmap && !oldBitmap->isStock() && state_.bitmap != restored.bitmap) {
    oldBitmap->setInDC(false);
  }
  state_ = std::move(restored);
  if (GdiBitmap* bitmap = lookup<GdiBitmap>(state_.bitmap, OBJ_BITMAP);
      bitmap && !bitmap->isStock()) {
    bitmap->setInDC(true);
  }
  return true;
}

COLORREF DeviceContext::plainColor(COLORREF color)
{
  const DWORD kind = color >> 24;
  GdiPalette* palette = lookup<GdiPalette>(state_.palette, OBJ_PAL);
  if (kind == 1 && palette != nullptr) return palette->colorAt(color & 0xFFFF);
  return color & 0xFFFFFF;
}

bool DeviceContext::resolveColor(COLORREF color, std::uint32_t& raw)
{
  Surface* target = surface();
  if (color == CLR_INVALID || target == nullptr) return false;
  const DWORD kind = color >> 24;
  if (!target->hasColorTable() || kind > 2) {
    raw = target->rawOf(plainColor(color));
    return true;
  }
  GdiPalette* palette = lookup<GdiPalette>(state_.palette, OBJ_PAL);
  if (target->bitsPerPixel() != 8 || palette == nullptr || kind == 0) {
    raw = target->rawOf(plainColor(color));
    return true;
  }
  UINT index = kind == 1 ? (color & 0xFFFF) : palette->nearestIndex(color & 0xFFFFFF);
  if (index >= palette->entries().size()) index = 0;
  if (kind_ != Kind::memory && palette->isRealized() && index < palette->mapping().size()) {
    raw = palette->mapping()[index];
    return true;
  }
  // A table that holds the palette's colour at the same index takes the index itself: equal
  // colours at other indices must not steal animated entries.
  const COLORREF wanted = palette->colorAt(index);
  if (index < target->colorTable().size() && colorOfQuad(target->colorTable()[index]) == wanted) {
    raw = index;
  } else {
    raw = target->rawOf(wanted);
  }
  return true;
}

}  // namespace omgdi
