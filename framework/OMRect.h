#pragma once

#include <cstdint>

#include "framework/OMPoint.h"

class OMRegion;

// A rectangle with exclusive right and bottom. The empty rectangle is exactly (0, 0, -1, -1);
// operations that find no overlap produce it. A rectangle such as (10, 10, 10, 20) is not
// "empty" in this sense, but it has no area.
class OMRect {
 public:
  constexpr OMRect() = default;
  constexpr OMRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
      : left_(left), top_(top), right_(right), bottom_(bottom)
  {
  }

  static constexpr OMRect empty() { return OMRect(); }

  constexpr void set(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
  {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
  }
  constexpr void assign(const OMRect& other) { *this = other; }

  constexpr std::int32_t left() const { return left_; }
  constexpr std::int32_t top() const { return top_; }
  constexpr std::int32_t right() const { return right_; }
  constexpr std::int32_t bottom() const { return bottom_; }
  constexpr std::int32_t width() const { return right_ - left_; }
  constexpr std::int32_t height() const { return bottom_ - top_; }

  constexpr bool isEmpty() const { return equals(OMRect()); }
  constexpr bool hasArea() const { return right_ > left_ && bottom_ > top_; }

  constexpr void inset(std::int32_t dx, std::int32_t dy)
  {
    left_ += dx;
    top_ += dy;
    right_ -= dx;
    bottom_ -= dy;
  }
  constexpr void offset(std::int32_t dx, std::int32_t dy)
  {
    left_ += dx;
    top_ += dy;
    right_ += dx;
    bottom_ += dy;
  }

  constexpr bool equals(const OMRect& other) const
  {
    return left_ == other.left_ && top_ == other.top_ && right_ == other.right_ &&
           bottom_ == other.bottom_;
  }
  constexpr bool operator==(const OMRect& other) const { return equals(other); }

  bool intersects(const OMRect& other) const;
  bool isWithin(const OMRect& other) const;
  OMRect united(const OMRect& other) const;
  void intersectWith(const OMRect& other);
  OMRect intersection(const OMRect& other) const;
  bool containsPoint(const OMPoint& point) const;
  // Whether any part lies in the region; whether all of it does.
  bool intersectsRegion(const OMRegion& region) const;
  bool isInRegion(const OMRegion& region) const;

 private:
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t right_ = -1;
  std::int32_t bottom_ = -1;
};
