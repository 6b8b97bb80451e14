#pragma once

#include <cstdint>
#include <vector>

#include "platform/src/gdi/Surface.h"

namespace omgdi {

// Solid drawing into a surface inside a list of clip rectangles (surface coordinates).
class Rasterizer {
 public:
  Rasterizer(Surface& surface, std::vector<RECT> clip) : surface_(surface), clip_(std::move(clip))
  {
  }

  void fillRect(const RECT& rect, std::uint32_t raw);
  void plot(int x, int y, std::uint32_t raw);
  // The pixels of a one-pixel line from (x1, y1) towards (x2, y2), the end point left out,
  // that lie within the rectangle.
  static std::vector<POINT> linePoints(int x1, int y1, int x2, int y2, const RECT& within);
  // A line drawn with a round pen `width` pixels wide; the end point is left out only for
  // one-pixel pens (a wide pen's cap covers it).
  void line(int x1, int y1, int x2, int y2, int width, std::uint32_t raw);
  // A frame `width` pixels wide on the rectangle's outline, as Rectangle draws its pen.
  void frame(const RECT& rect, int width, bool insideFrame, std::uint32_t raw);

  // The widths of the rows of a pen's round nib, top to bottom, centred on the point.
  static std::vector<int> nib(int width);

 private:
  // The nib drawn at every point of a horizontal or vertical run, both ends included.
  void stroke(POINT from, POINT to, const std::vector<int>& nibRows, std::uint32_t raw);
  // The part of a slanted wide line between its ends' nibs.
  void slantedBody(POINT from, POINT to, int width, std::uint32_t raw);

  Surface& surface_;
  std::vector<RECT> clip_;
};

}  // namespace omgdi
