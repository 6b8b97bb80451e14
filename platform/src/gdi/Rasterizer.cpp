#include "platform/src/gdi/Rasterizer.h"

#include <wingdi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/RegionData.h"

namespace omgdi {

void Rasterizer::fillRect(const RECT& rect, std::uint32_t raw)
{
  for (const RECT& clipRect : clip_) {
    RECT part;
    if (!intersectRect(rect, clipRect, part)) continue;
    for (int y = part.top; y < part.bottom; ++y) {
      surface_.fillRow(part.left, y, part.right - part.left, raw);
    }
  }
}

void Rasterizer::plot(int x, int y, std::uint32_t raw)
{
  for (const RECT& r : clip_) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
      surface_.setRawPixel(x, y, raw);
      return;
    }
  }
}

std::vector<POINT> Rasterizer::linePoints(int x1, int y1, int x2, int y2, const RECT& within)
{
  std::vector<POINT> points;
  const std::int64_t dx = std::abs(std::int64_t{x2} - x1);
  const std::int64_t dy = std::abs(std::int64_t{y2} - y1);
  const int stepX = x2 > x1 ? 1 : -1;
  const int stepY = y2 > y1 ? 1 : -1;
  const bool alongX = dx >= dy;
  const std::int64_t major = alongX ? dx : dy;
  const std::int64_t minor = alongX ? dy : dx;
  const int stepMajor = alongX ? stepX : stepY;
  const int stepMinor = alongX ? stepY : stepX;
  // Bresenham along the major axis; the last pixel (the end point) is not drawn. At an exact
  // half-pixel tie a line whose minor coordinate falls takes its step there, a pixel sooner than
  // one whose minor coordinate rises, as Windows does.
  const std::int64_t firstError = stepMinor < 0 ? (major - 1) / 2 : major / 2;
  // Only the steps whose major coordinate lies within the area are walked: the walk starts
  // with the state it would have reached there, so a line far longer than the surface costs
  // no more than the part of it that shows.
  const std::int64_t start = alongX ? x1 : y1;
  const std::int64_t low = alongX ? within.left : within.top;
  const std::int64_t high = alongX ? within.right : within.bottom;
  const std::int64_t first =
      std::max<std::int64_t>(0, stepMajor > 0 ? low - start : start - high + 1);
  const std::int64_t last =
      std::min<std::int64_t>(major, stepMajor > 0 ? high - start : start - low + 1);
  if (first >= last) return points;
  const std::int64_t behind = first * minor - firstError;
  const std::int64_t minorSteps = behind > 0 ? (behind + major - 1) / major : 0;
  std::int64_t error = firstError - first * minor + minorSteps * major;
  std::int64_t m = start + first * stepMajor;
  std::int64_t n = (alongX ? y1 : x1) + minorSteps * stepMinor;
  points.reserve(static_cast<std::size_t>(last - first));
  for (std::int64_t i = first; i < last; ++i) {
    const std::int64_t x = alongX ? m : n, y = alongX ? n : m;
    if (x >= within.left && x < within.right && y >= within.top && y < within.bottom)
      points.push_back(POINT{static_cast<LONG>(x), static_cast<LONG>(y)});
    error -= minor;
    if (error < 0) {
      n += stepMinor;
      error += major;
    }
    m += stepMajor;
  }
  return points;
}

namespace {

// The width of each row of a round pen's nib, top to bottom, as Windows draws pens 2 to 8
// pixels wide; a row of width n runs from -(n / 2) to n - 1 - n / 2 about the point.
const std::vector<int>& measuredNib(int width)
{
  static const std::vector<int> nibs[] = {{2, 2},
                                          {1, 3, 1},
                                          {2, 4, 4, 2},
                                          {3, 5, 5, 5, 3},
                                          {2, 4, 6, 6, 4, 2},
                                          {3, 5, 7, 7, 7, 5, 3},
                                          {4, 6, 8, 8, 8, 8, 6, 4}};
  return nibs[width - 2];
}

// Wider pens than were measured: the pixels whose centres lie inside the pen's circle.
std::vector<int> roundNib(int width)
{
  std::vector<int> rows;
  const std::int64_t w = width;
  for (int row = 0; row < width; ++row) {
    const std::int64_t dy = 2 * row + 1 - w;  // in half pixels
    int n = width;
    while (n > 0 && (n - 1) * std::int64_t{n - 1} + dy * dy > w * w)
      n -= 2;
    rows.push_back(std::max(n, 1));
  }
  return rows;
}

// A slanted wide line's body is drawn only inside Windows' 27-bit coordinate space, which keeps
// the polygon's arithmetic inside 64 bits; its end caps are drawn anyway.
constexpr std::int64_t kMaxPenCoordinate = std::int64_t{1} << 27;

// The length of (dx, dy) when it is a whole number, else 0.
std::int64_t wholeLength(std::int64_t dx, std::int64_t dy)
{
  const std::int64_t squared = dx * dx + dy * dy;
  const auto length =
      static_cast<std::int64_t>(std::llround(std::sqrt(static_cast<double>(squared))));
  for (std::int64_t l = std::max<std::int64_t>(length - 1, 0); l <= length + 1; ++l)
    if (l * l == squared) return l;
  return 0;
}

// One axis of the offset from a slanted line to its pen's edge: `component` of the line's
// normal scaled to half the pen's width, rounded to whole pixels either to the nearest (halves
// away from the line) or to the next pixel beyond, as Windows rounds them.
int edgeOffset(std::int64_t component, std::int64_t dx, std::int64_t dy, int width, bool beyond)
{
  const std::int64_t scaled = std::int64_t{width} * std::abs(component);
  std::int64_t pixels = 0;
  if (const std::int64_t length = wholeLength(dx, dy); length > 0) {
    // Exact, so that a half or whole pixel (a 3-4-5 line) rounds as it should.
    pixels = beyond ? scaled / (2 * length) + 1 : (scaled + length) / (2 * length);
  } else {
    const double exact = static_cast<double>(scaled) / (2 * std::hypot(double(dx), double(dy)));
    pixels = static_cast<std::int64_t>(beyond ? std::floor(exact) + 1 : std::floor(exact + 0.5));
  }
  return static_cast<int>(component < 0 ? -pixels : pixels);
}

// The corner offset of one edge of a slanted wide line (side +1 or -1 of the line). The edge
// whose offset points right is rounded outwards: the polygon fill leaves out right-hand edges.
POINT edgeCorner(std::int64_t dx, std::int64_t dy, int width, int side)
{
  const std::int64_t nx = -dy * side, ny = dx * side;
  const bool beyond = nx > 0;
  return POINT{edgeOffset(nx, dx, dy, width, beyond), edgeOffset(ny, dx, dy, width, beyond)};
}

}  // namespace

std::vector<int> Rasterizer::nib(int width)
{
  if (width <= 1) return {1};
  return width <= 8 ? measuredNib(width) : roundNib(width);
}

void Rasterizer::stroke(POINT from, POINT to, const std::vector<int>& nibRows, std::uint32_t raw)
{
  const int rows = static_cast<int>(nibRows.size());
  const int left = std::min(from.x, to.x), right = std::max(from.x, to.x);
  const int top = std::min(from.y, to.y), bottom = std::max(from.y, to.y);
  for (int row = 0; row < rows; ++row) {
    const int n = nibRows[static_cast<std::size_t>(row)];
    const int dy = row - rows / 2;
    fillRect(RECT{left - n / 2, top + dy, right + n - n / 2, bottom + dy + 1}, raw);
  }
}

void Rasterizer::line(int x1, int y1, int x2, int y2, int width, std::uint32_t raw)
{
  if (width <= 1) {
    if (clip_.empty()) return;
    for (const POINT& p : linePoints(x1, y1, x2, y2, boundsOf(clip_)))
      plot(p.x, p.y, raw);
    return;
  }
  // A wide pen is Windows' round nib drawn along a level or upright line, both ends included;
  // a slanted line is the polygon of its edges with the nib at both ends.
  const std::vector<int> rows = nib(width);
  if (x1 == x2 || y1 == y2) {
    stroke(POINT{x1, y1}, POINT{x2, y2}, rows, raw);
    return;
  }
  slantedBody(POINT{x1, y1}, POINT{x2, y2}, width, raw);
  stroke(POINT{x1, y1}, POINT{x1, y1}, rows, raw);
  stroke(POINT{x2, y2}, POINT{x2, y2}, rows, raw);
}

void Rasterizer::slantedBody(POINT from, POINT to, int width, std::uint32_t raw)
{
  for (const std::int64_t c : {from.x, from.y, to.x, to.y})
    if (std::abs(c) > kMaxPenCoordinate) return;
  if (clip_.empty()) return;
  const std::int64_t dx = std::int64_t{to.x} - from.x, dy = std::int64_t{to.y} - from.y;
  const POINT a = edgeCorner(dx, dy, width, 1), b = edgeCorner(dx, dy, width, -1);
  const POINT corners[] = {{from.x + a.x, from.y + a.y},
                           {to.x + a.x, to.y + a.y},
                           {to.x + b.x, to.y + b.y},
                           {from.x + b.x, from.y + b.y}};
  std::int64_t top = clip_.front().top, bottom = clip_.front().bottom;
  for (const RECT& r : clip_) {
    top = std::min<std::int64_t>(top, r.top);
    bottom = std::max<std::int64_t>(bottom, r.bottom);
  }
  RegionData body;
  if (!RegionData::polygon(corners, 4, ALTERNATE, top, bottom, body)) return;
  for (const RECT& r : body.rects())
    fillRect(r, raw);
}

void Rasterizer::frame(const RECT& rect, int width, bool insideFrame, std::uint32_t raw)
{
  if (!insideFrame) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    // The round nib is drawn along the outline, whose right and bottom edges are the last
    // column and row inside the rectangle.
    const std::vector<int> rows = nib(width);
    const POINT corners[] = {{rect.left, rect.top},
                             {rect.right - 1, rect.top},
                             {rect.right - 1, rect.bottom - 1},
                             {rect.left, rect.bottom - 1}};
    for (int side = 0; side < 4; ++side)
      stroke(corners[side], corners[(side + 1) % 4], rows, raw);
    return;
  }
  const RECT outer = rect;
  const int w = width;
  if (outer.right - outer.left <= 2 * w || outer.bottom - outer.top <= 2 * w) {
    fillRect(outer, raw);
    return;
  }
  fillRect(RECT{outer.left, outer.top, outer.right, outer.top + w}, raw);
  fillRect(RECT{outer.left, outer.bottom - w, outer.right, outer.bottom}, raw);
  fillRect(RECT{outer.left, outer.top + w, outer.left + w, outer.bottom - w}, raw);
  fillRect(RECT{outer.right - w, outer.top + w, outer.right, outer.bottom - w}, raw);
}

}  // namespace omgdi
