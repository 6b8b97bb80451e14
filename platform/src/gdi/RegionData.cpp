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
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const std::int64_t w = std::int64_t{right} - left - 1;
  const std::int64_t h = std::int64_t{bottom} - top - 1;
  if (w <= 0 || h <= 0) return true;
  if (h > kMaxScanRows || w > kMaxScanRows) return false;
  // Semi-axes in twentieths of a pixel, a tenth short of the box: (10w - 2) / 20.
  const __int128 a = 5 * w - 1;
  const __int128 b = 5 * h - 1;
  const __int128 xScale = 25 * b * b;  // dx^2 weight, dx in half pixels
  const __int128 yScale = 25 * a * a;
  const __int128 limit = a * a * b * b;
  const std::int64_t sumX = std::int64_t{left} + right - 1;
  const std::int64_t sumY = std::int64_t{top} + bottom - 1;
  for (std::int64_t y = top; y < bottom - 1; ++y) {
    const std::int64_t dy = 2 * y + 1 - sumY;
    const __int128 rest = limit - static_cast<__int128>(dy) * dy * yScale;
    if (rest < 0) continue;
    // Largest |dx| with dx^2 * xScale <= rest; dx = 2x + 1 - sumX has the parity of sumX + 1.
    std::int64_t dx = static_cast<std::int64_t>(std::sqrt(static_cast<double>(rest / xScale))) + 2;
    while (dx >= 0 && static_cast<__int128>(dx) * dx * xScale > rest)
      --dx;
    if (((dx + sumX + 1) & 1) != 0) --dx;
    if (dx < 0) continue;
    // x from (sumX - 1 - dx) / 2 to (sumX - 1 + dx) / 2 inclusive.
    const auto x0 = static_cast<std::int32_t>(floorDiv(sumX - 1 - dx, 2));
    const auto x1 = static_cast<std::int32_t>(floorDiv(sumX - 1 + dx, 2) + 1);
    result.appendRows(static_cast<std::int32_t>(y), static_cast<std::int32_t>(y + 1), {x0, x1});
  }
  return true;
}

bool RegionData::polygon(const POINT* points, int count, int fillMode, RegionData& result)
{
  result = RegionData();
  if (points == nullptr || count < 3) return true;
  std::int64_t minY = points[0].y, maxY = points[0].y;
  for (int i = 1; i < count; ++i) {
    minY = std::min<std::int64_t>(minY, points[i].y);
    maxY = std::max<std::int64_t>(maxY, points[i].y);
  }
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
