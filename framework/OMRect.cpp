#include "framework/OMRect.h"

#include <algorithm>

bool OMRect::intersects(const OMRect& other) const
{
  return !(other.right_ <= left_ || other.left_ >= right_ || other.bottom_ <= top_ ||
           other.top_ >= bottom_);
}

bool OMRect::isWithin(const OMRect& other) const
{
  return equals(other) || united(other).equals(other);
}

OMRect OMRect::united(const OMRect& other) const
{
  if (isEmpty()) return other;
  if (other.isEmpty()) return *this;
  // As Windows unites rectangles: a side without area is left out.
  if (!hasArea()) return other.hasArea() ? other : OMRect(0, 0, 0, 0);
  if (!other.hasArea()) return *this;
  return OMRect(std::min(left_, other.left_), std::min(top_, other.top_),
                std::max(right_, other.right_), std::max(bottom_, other.bottom_));
}

void OMRect::intersectWith(const OMRect& other)
{
  if (isEmpty()) return;
  if (other.isEmpty() || !intersects(other)) {
    *this = OMRect();
    return;
  }
  const OMRect overlap(std::max(left_, other.left_), std::max(top_, other.top_),
                       std::min(right_, other.right_), std::min(bottom_, other.bottom_));
  *this = overlap.hasArea() ? overlap : OMRect();
}

OMRect OMRect::intersection(const OMRect& other) const
{
  OMRect result = *this;
  result.intersectWith(other);
  return result;
}

bool OMRect::containsPoint(const OMPoint& point) const
{
  return !isEmpty() && point.x >= left_ && point.x < right_ && point.y >= top_ && point.y < bottom_;
}
