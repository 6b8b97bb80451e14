#include "framework/OMRegion.h"

#include <vector>

#include "framework/OMRect.h"

void OMRegion::replace(HRGN region)
{
  clear();
  region_ = region;
}

void OMRegion::dropWhenEmpty()
{
  RECT box;
  if (region_ && GetRgnBox(region_, &box) == NULLREGION) clear();
}

void OMRegion::copyHandle(HRGN region)
{
  if (!region) {
    clear();
    return;
  }
  if (!region_) region_ = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(region_, region, nullptr, RGN_COPY);
  dropWhenEmpty();
}

void OMRegion::assign(const OMRegion& other)
{
  if (&other != this) copyHandle(other.region_);
}

void OMRegion::setRect(const OMRect& rect)
{
  if (region_)
    SetRectRgn(region_, rect.left(), rect.top(), rect.right(), rect.bottom());
  else
    region_ = CreateRectRgn(rect.left(), rect.top(), rect.right(), rect.bottom());
}

void OMRegion::assignRect(const OMRect& rect)
{
  setRect(rect);
  dropWhenEmpty();
}

void OMRegion::setShape(int left, int top, int right, int bottom, int ellipse)
{
  replace(ellipse ? CreateEllipticRgn(left, top, right, bottom)
                  : CreateRectRgn(left, top, right, bottom));
}

void OMRegion::setPolygon(const OMPoint* points, int count)
{
  if (!points || count <= 0) {
    clear();
    return;
  }
  std::vector<POINT> corners(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    corners[static_cast<std::size_t>(i)] = POINT{points[i].x, points[i].y};
  replace(CreatePolygonRgn(corners.data(), count, ALTERNATE));
}

void OMRegion::clear()
{
  if (region_) DeleteObject(region_);
  region_ = nullptr;
}

OMRect OMRegion::bounds() const
{
  RECT box;
  if (!region_ || GetRgnBox(region_, &box) == NULLREGION) return OMRect();
  return OMRect(box.left, box.top, box.right, box.bottom);
}

namespace {

// True when the region is one rectangle that holds all of `box` (a box with area).
bool simpleRegionHolds(HRGN region, const RECT& box)
{
  RECT own;
  return GetRgnBox(region, &own) == SIMPLEREGION && own.left <= box.left && own.top <= box.top &&
         own.right >= box.right && own.bottom >= box.bottom;
}

}  // namespace

void OMRegion::unionWith(const OMRegion& other)
{
  if (!other.region_) return;
  if (!region_) {
    assign(other);
    return;
  }
  // A whole-screen dirty area takes each trinket's rectangle: nothing to combine.
  RECT box;
  if (GetRgnBox(other.region_, &box) != NULLREGION && simpleRegionHolds(region_, box)) return;
  CombineRgn(region_, region_, other.region_, RGN_OR);
}

void OMRegion::unionWith(const OMRect& rect)
{
  if (rect.hasArea() && region_ &&
      simpleRegionHolds(region_, RECT{rect.left(), rect.top(), rect.right(), rect.bottom()})) {
    return;
  }
  unionWith(OMRegion(rect));
}

void OMRegion::subtract(const OMRegion& other)
{
  if (!region_ || !other.region_) return;
  CombineRgn(region_, region_, other.region_, RGN_DIFF);
  dropWhenEmpty();
}

void OMRegion::intersectWith(const OMRegion& other)
{
  if (!region_) return;
  if (!other.region_) {
    clear();
    return;
  }
  CombineRgn(region_, region_, other.region_, RGN_AND);
  dropWhenEmpty();
}

OMRegion OMRegion::difference(const OMRegion& other) const
{
  OMRegion result(*this);
  result.subtract(other);
  return result;
}

OMRegion OMRegion::intersection(const OMRegion& other) const
{
  OMRegion result(*this);
  result.intersectWith(other);
  return result;
}

// The rectangle's region tests live here, beside the region they ask.
bool OMRect::intersectsRegion(const OMRegion& region) const
{
  if (width() < 0 || height() < 0 || region.isEmpty()) return false;
  const RECT r{left(), top(), right(), bottom()};
  return RectInRegion(region.handle(), &r) != 0;
}

bool OMRect::isInRegion(const OMRegion& region) const
{
  if (isEmpty()) return true;
  if (region.isEmpty()) return false;
  if (hasArea() && simpleRegionHolds(region.handle(), RECT{left(), top(), right(), bottom()})) {
    return true;
  }
  OMRegion united(region);
  united.unionWith(OMRegion(*this));
  return EqualRgn(united.handle(), region.handle()) != 0;
}
