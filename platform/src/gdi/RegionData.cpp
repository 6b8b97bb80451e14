#include "platform/src/gdi/RegionData.h"

#include <wingdi.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace omgdi {
namespace {

using Spans = std::vector<std::int32_t>;

bool applyMode(int mode, bool inA, bool inB)
{
  switch (mode) {
    case RGN_AND:
      return inA && inB;
    case RGN_OR:
      return inA || inB;
    case RGN_XOR:
      return inA != inB;
    case RGN_DIFF:
      return inA && !inB;
    default:
      return inA;
  }
}

// Walks the edges of both span lists left to right and keeps the parts where the mode holds.
Spans combineSpans(const Spans& a, const Spans& b, int mode)
{
  Spans out;
  std::size_t i = 0, j = 0;
  bool inA = false, inB = false, inOut = false;
  while (i < a.size() || j < b.size()) {
    const std::int32_t ax = i < a.size() ? a[i] : INT32_MAX;
    const std::int32_t bx = j < b.size() ? b[j] : INT32_MAX;
    const std::int32_t x = std::min(ax, bx);
    if (ax == x) {
      inA = !inA;
      ++i;
    }
    if (bx == x) {
      inB = !inB;
      ++j;
    }
    const bool now = applyMode(mode, inA, inB);
    if (now != inOut) {
      // An edge at the same x as the last one closes a span of no width: drop both.
      if (!out.empty() && out.back() == x)
        out.pop_back();
      else
        out.push_back(x);
      inOut = now;
    }
  }
  return out;
}

const Spans* spansAt(const std::vector<RegionData::Band>& bands, std::size_t& index, std::int32_t y)
{
  while (index < bands.size() && bands[index].bottom <= y)
    ++index;
  if (index < bands.size() && bands[index].top <= y) return &bands[index].xs;
  return nullptr;
}

std::int64_t floorDiv(std::int64_t n, std::int64_t d)
{
  std::int64_t q = n / d;
  if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
  return q;
}

std::int64_t ceilDiv(std::int64_t n, std::int64_t d)
{
  return -floorDiv(-n, d);
}

// The left edge of each row of the ellipse in a box w pixels wide and h high, from the top row
// down to the middle one (the rows below mirror them). Windows steps along the ellipse through the
// centres of the outermost pixels (a = w - 1 and b = h - 1 apart) from the middle of the left
// side up to the top, with the curve's error in integers: a step goes up when twice the error is
// at most the upward increment and inwards when it is at least the inward one, both tested
// before either is taken, so a row may step in by two where the curve turns through 45 degrees.
// Where the sides meet below the top, the rows above keep the middle column (or two).
std::vector<std::int64_t> ellipseLeftEdges(std::int64_t w, std::int64_t h)
{
  const std::int64_t a = w - 1, b = h - 1, odd = b & 1;
  std::vector<std::int64_t> left(static_cast<std::size_t>((h + 1) / 2), (w - 1) / 2);
  std::int64_t inward = 4 * (1 - a) * b * b, upward = 4 * (odd + 1) * a * a;
  std::int64_t error = inward + upward + odd * a * a;
  std::int64_t x = 0, y = (b + 1) / 2 - odd;
  while (2 * x <= a && y >= 0) {
    auto& edge = left[static_cast<std::size_t>(y)];
    edge = std::min(edge, x);
    const std::int64_t doubled = 2 * error;
    if (doubled <= upward) {
      --y;
      upward += 8 * a * a;
      error += upward;
    }
    if (doubled >= inward) {
      ++x;
      inward += 8 * b * b;
      error += inward;
    }
  }
  return left;
}

struct Crossing {
  std::int64_t x;  // the column the crossing stands for
  int direction;
};

}  // namespace

void RegionData::appendRows(std::int32_t top, std::int32_t bottom, Spans&& xs)
{
  if (xs.empty() || bottom <= top) return;
  if (!bands_.empty() && bands_.back().bottom == top && bands_.back().xs == xs) {
    bands_.back().bottom = bottom;
    return;
  }
  bands_.push_back(Band{top, bottom, std::move(xs)});
}

RegionData RegionData::rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                                 std::int32_t bottom)
{
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionData result;
  if (left < right && top < bottom) result.bands_.push_back(Band{top, bottom, {left, right}});
  return result;
}

bool RegionData::ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, RegionData& result)
{
  result = RegionData();
  // The box one pixel smaller than the corners say, put in order after the pixel comes off.
  std::int64_t x0 = left, x1 = std::int64_t{right} - 1, y0 = top, y1 = std::int64_t{bottom} - 1;
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  const std::int64_t w = x1 - x0, h = y1 - y0;
  if (w == 0 || h == 0) return true;
  if (h > kMaxScanRows || w > kMaxScanRows) return false;
  if (w == 1 || h == 1) {
    result = rectangle(static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0),
                       static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1));
    return true;
  }
  const std::vector<std::int64_t> edges = ellipseLeftEdges(w, h);
  for (std::int64_t y = 0; y < h; ++y) {
    const std::int64_t inset = edges[static_cast<std::size_t>(std::min(y, h - 1 - y))];
    result.appendRows(
        static_cast<std::int32_t>(y0 + y), static_cast<std::int32_t>(y0 + y + 1),
        {static_cast<std::int32_t>(x0 + inset), static_cast<std::int32_t>(x1 - inset)});
  }
  return true;
}

bool RegionData::polygon(const POINT* points, int count, int fillMode, RegionData& result)
{
  return polygon(points, count, fillMode, INT64_MIN, INT64_MAX, result);
}

bool RegionData::polygon(const POINT* points, int count, int fillMode, std::int64_t firstRow,
                         std::int64_t endRow, RegionData& result)
{
  result = RegionData();
  if (points == nullptr || count < 3) return true;
  std::int64_t minY = points[0].y, maxY = points[0].y;
  for (int i = 1; i < count; ++i) {
    minY = std::min<std::int64_t>(minY, points[i].y);
    maxY = std::max<std::int64_t>(maxY, points[i].y);
  }
  minY = std::max(minY, firstRow);
  maxY = std::min(maxY, endRow);
  if (maxY - minY > kMaxScanRows) return false;
  std::vector<Crossing> crossings;
  for (std::int64_t y = minY; y < maxY; ++y) {
    crossings.clear();
    for (int i = 0; i < count; ++i) {
      const POINT& p = points[i];
      const POINT& q = points[(i + 1) % count];
      if (p.y == q.y) continue;
      const bool down = q.y > p.y;
      const POINT& a = down ? p : q;  // upper end
      const POINT& b = down ? q : p;
      if (y < a.y || y >= b.y) continue;  // the row's top edge misses the edge
      // Crossing xc = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), standing for column
      // ceil(xc).
      const std::int64_t dy = std::int64_t{b.y} - a.y;
      const std::int64_t dx = std::int64_t{b.x} - a.x;
      const std::int64_t x =
          std::clamp<std::int64_t>(a.x + ceilDiv((y - a.y) * dx, dy), INT32_MIN + 1, INT32_MAX - 1);
      crossings.push_back({x, down ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
    Spans xs;
    int winding = 0;
    bool inside = false;
    for (std::size_t i = 0; i < crossings.size(); ++i) {
      winding += crossings[i].direction;
      if (i + 1 < crossings.size() && crossings[i + 1].x == crossings[i].x) continue;
      const bool now = fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
      if (now == inside) continue;
      const auto x = static_cast<std::int32_t>(crossings[i].x);
      if (!xs.empty() && xs.back() == x)
        xs.pop_back();
      else
        xs.push_back(x);
      inside = now;
    }
    result.appendRows(static_cast<std::int32_t>(y), static_cast<std::int32_t>(y + 1),
                      std::move(xs));
  }
  return true;
}

RegionData RegionData::combine(const RegionData& a, const RegionData& b, int mode)
{
  if (mode == RGN_COPY) return a;
  std::vector<std::int32_t> ys;
  ys.reserve(2 * (a.bands_.size() + b.bands_.size()));
  for (const Band& band : a.bands_) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  for (const Band& band : b.bands_) {
    ys.push_back(band.top);
    ys.push_back(band.bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  RegionData result;
  std::size_t ia = 0, ib = 0;
  const Spans none;
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    const Spans* sa = spansAt(a.bands_, ia, ys[k]);
    const Spans* sb = spansAt(b.bands_, ib, ys[k]);
    if (sa == nullptr && sb == nullptr) continue;
    result.appendRows(ys[k], ys[k + 1], combineSpans(sa ? *sa : none, sb ? *sb : none, mode));
  }
  return result;
}

bool RegionData::offset(std::int32_t dx, std::int32_t dy)
{
  constexpr std::int64_t kLimit = std::int64_t{1} << 30;
  if (!bands_.empty()) {
    const RECT b = box();
    if (std::int64_t{b.left} + dx < -kLimit || std::int64_t{b.right} + dx > kLimit ||
        std::int64_t{b.top} + dy < -kLimit || std::int64_t{b.bottom} + dy > kLimit)
      return false;
  }
  for (Band& band : bands_) {
    band.top += dy;
    band.bottom += dy;
    for (std::int32_t& x : band.xs)
      x += dx;
  }
  return true;
}

RECT RegionData::box() const
{
  if (bands_.empty()) return RECT{0, 0, 0, 0};
  RECT box{INT32_MAX, bands_.front().top, INT32_MIN, bands_.back().bottom};
  for (const Band& band : bands_) {
    box.left = std::min(box.left, band.xs.front());
    box.right = std::max(box.right, band.xs.back());
  }
  return box;
}

int RegionData::kind() const
{
  if (bands_.empty()) return NULLREGION;
  return bands_.size() == 1 && bands_.front().xs.size() == 2 ? SIMPLEREGION : COMPLEXREGION;
}

bool RegionData::contains(std::int32_t x, std::int32_t y) const
{
  const auto band = std::upper_bound(bands_.begin(), bands_.end(), y,
                                     [](std::int32_t v, const Band& b) { return v < b.bottom; });
  if (band == bands_.end() || band->top > y) return false;
  // Inside when an odd number of edges lie at or left of x.
  const auto edge = std::upper_bound(band->xs.begin(), band->xs.end(), x);
  return ((edge - band->xs.begin()) & 1) != 0;
}

bool RegionData::intersects(const RECT& rect) const
{
  const std::int32_t left = std::min(rect.left, rect.right);
  const std::int32_t right = std::max(rect.left, rect.right);
  const std::int32_t top = std::min(rect.top, rect.bottom);
  const std::int32_t bottom = std::max(rect.top, rect.bottom);
  if (left == right || top == bottom) return false;
  for (const Band& band : bands_) {
    if (band.bottom <= top) continue;
    if (band.top >= bottom) break;
    for (std::size_t i = 0; i + 1 < band.xs.size(); i += 2)
      if (band.xs[i] < right && band.xs[i + 1] > left) return true;
  }
  return false;
}

std::vector<RECT> RegionData::rects() const
{
  std::vector<RECT> out;
  for (const Band& band : bands_)
    for (std::size_t i = 0; i + 1 < band.xs.size(); i += 2)
      out.push_back(RECT{band.xs[i], band.top, band.xs[i + 1], band.bottom});
  return out;
}

}  // namespace omgdi
