#pragma once

#include <windows.h>

#include "framework/OMPoint.h"
#include "framework/OMRect.h"

// The owner of one platform region; no handle while the region is empty.
class OMRegion {
 public:
  OMRegion() = default;
  explicit OMRegion(const OMRect& rect) { setRect(rect); }
  OMRegion(const OMPoint* points, int count) { setPolygon(points, count); }
  OMRegion(const OMRegion& other) { assign(other); }
  OMRegion& operator=(const OMRegion& other)
  {
    assign(other);
    return *this;
  }
  ~OMRegion() { clear(); }

  void assign(const OMRegion& other);
  // Takes a copy of a platform region (a canvas's clip, for instance); null empties.
  void copyHandle(HRGN region);
  void setRect(const OMRect& rect);
  // As assign(OMRegion(rect)), on the handle this region has.
  void assignRect(const OMRect& rect);
  void setShape(int left, int top, int right, int bottom, int ellipse);
  void setPolygon(const OMPoint* points, int count);
  void clear();
  OMRect bounds() const;
  void unionWith(const OMRegion& other);
  // As unionWith(OMRegion(rect)), without a region for the rectangle when this one holds it.
  void unionWith(const OMRect& rect);
  void subtract(const OMRegion& other);
  void intersectWith(const OMRegion& other);
  OMRegion difference(const OMRegion& other) const;
  OMRegion intersection(const OMRegion& other) const;

  bool isEmpty() const { return region_ == nullptr; }
  HRGN handle() const { return region_; }

 private:
  void replace(HRGN region);
  // Deletes the handle when the region has no area left.
  void dropWhenEmpty();

  HRGN region_ = nullptr;
};
