#include "platform/src/gdi/Rasterizer.h"

#include <cstdlib>

#include "platform/src/gdi/DeviceContext.h"

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

std::vector<POINT> Rasterizer::linePoints(int x1, int y1, int x2, int y2)
{
  std::vector<POINT> points;
  const int dx = std::abs(x2 - x1);
  const int dy = std::abs(y2 - y1);
  const int stepX = x2 > x1 ? 1 : -1;
  const int stepY = y2 > y1 ? 1 : -1;
  const bool alongX = dx >= dy;
  const int major = alongX ? dx : dy;
  const int minor = alongX ? dy : dx;
  const bool minorBack = (alongX ? stepY : stepX) < 0;
  points.reserve(static_cast<std::size_t>(major));
  // Bresenham along the major axis; the last pixel (the end point) is not drawn. At an exact
  // half-pixel tie a line whose minor coordinate falls takes its step there, a pixel sooner than
  // one whose minor coordinate rises, as Windows does.
  int error = minorBack ? (major - 1) / 2 : major / 2;
  int x = x1, y = y1;
  for (int i = 0; i < major; ++i) {
    points.push_back(POINT{x, y});
    error -= minor;
    if (error < 0) {
      (alongX ? y : x) += alongX ? stepY : stepX;
      error += major;
    }
    (alongX ? x : y) += alongX ? stepX : stepY;
  }
  return points;
}

void Rasterizer::line(int x1, int y1, int x2, int y2, int width, std::uint32_t raw)
{
  std::vector<POINT> points = linePoints(x1, y1, x2, y2);
  if (width <= 1) {
    for (const POINT& p : points)
      plot(p.x, p.y, raw);
    return;
  }
  points.push_back(POINT{x2, y2});
  const int before = width / 2;
  for (const POINT& p : points) {
    fillRect(RECT{p.x - before, p.y - before, p.x - before + width, p.y - before + width}, raw);
  }
}

void Rasterizer::frame(const RECT& rect, int width, bool insideFrame, std::uint32_t raw)
{
  RECT outer;
  if (insideFrame) {
    outer = rect;
  } else {
    // The pen is centred on the outline, whose right and bottom edges are the last column and
    // row inside the rectangle.
    const int before = width / 2;
    outer = RECT{rect.left - before, rect.top - before, rect.right - 1 - before + width,
                 rect.bottom - 1 - before + width};
  }
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
