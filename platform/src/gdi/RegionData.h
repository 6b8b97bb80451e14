#pragma once

#include <windef.h>

#include <cstdint>
#include <vector>

namespace omgdi {

// The shape of a region: a list of horizontal bands, top to bottom, each holding the sorted,
// disjoint, non-touching spans [x0, x1) that the band covers. Bands never overlap, never hold
// no span, and two bands that touch vertically never hold the same spans, so every shape has
// exactly one representation and equality is plain comparison.
//
// Pixel rules (the region covers whole pixels; pixel (x, y) is the unit square at (x, y)):
// - A rectangle (l, t, r, b) covers l <= x < r, t <= y < b.
// - A polygon is scanned along the top edge of each row: on row y the edges that cross the
//   line at height y (an edge from y0 to y1 counts for y0 <= y < y1) cross it at xc, each
//   crossing stands for pixel column ceil(xc), and the columns between crossings are filled by
//   the even-odd rule for ALTERNATE or a non-zero winding number for WINDING; the right end
//   is excluded. So the triangle (0, 0) (10, 0) (0, 10) holds 10 pixels of row 0, and a
//   rectangle-shaped polygon covers what the same rectangle covers.
// - An ellipse keeps to the box one pixel smaller than its corners say, (l, t, r - 1, b - 1),
//   as Windows' ellipses do, and passes through the centres of that box's outermost pixels.
//   Which pixels it holds follows Windows' integer stepping along the curve (the midpoint rule,
//   see ellipseQuarter), not the exact curve. A box one pixel wide or high is that rectangle;
//   the corners are put in order after the pixel comes off, so a box of no width is one pixel
//   wide, to the left of its corner.
// Reversed corners are put in order first (for an ellipse, after the pixel comes off); a shape
// without area is the empty region.
class RegionData {
 public:
  struct Band {
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    std::vector<std::int32_t> xs;  // x0, x1, x0, x1, ...
    bool operator==(const Band&) const = default;
  };

  // Regions taller than this are refused when they are built row by row (ellipse, polygon).
  static constexpr std::int64_t kMaxScanRows = 1 << 16;

  RegionData() = default;
  static RegionData rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom);
  // False (and an empty result) when the shape is too tall to scan.
  static bool ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                      RegionData& result);
  static bool polygon(const POINT* points, int count, int fillMode, RegionData& result);
  // The polygon's rows from `firstRow` up to (not including) `endRow` only.
  static bool polygon(const POINT* points, int count, int fillMode, std::int64_t firstRow,
                      std::int64_t endRow, RegionData& result);

  // mode is one of RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY.
  static RegionData combine(const RegionData& a, const RegionData& b, int mode);

  // False, leaving the shape as it is, when a coordinate would leave +-2^30.
  bool offset(std::int32_t dx, std::int32_t dy);
  bool isEmpty() const { return bands_.empty(); }
  // (0, 0, 0, 0) when empty.
  RECT box() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int kind() const;
  bool contains(std::int32_t x, std::int32_t y) const;
  bool intersects(const RECT& rect) const;
  std::vector<RECT> rects() const;
  const std::vector<Band>& bands() const { return bands_; }
  bool operator==(const RegionData&) const = default;

 private:
  // Appends a row band [y, y + 1) or extends the last band when it holds the same spans.
  void appendRows(std::int32_t top, std::int32_t bottom, std::vector<std::int32_t>&& xs);

  std::vector<Band> bands_;
};

}  // namespace omgdi
