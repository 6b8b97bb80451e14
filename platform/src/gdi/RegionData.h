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
// - A polygon covers pixel (x, y) when the pixel's centre (x + 0.5, y + 0.5) is inside it: the
//   even-odd rule for ALTERNATE, a non-zero winding number for WINDING. A centre that lies
//   exactly on an edge counts as inside when the edge is a left edge of the span (crossings at
//   or left of the centre count), so a rectangle-shaped polygon covers what the same
//   rectangle covers.
// - The ellipse inscribed in (l, t, r, b) covers pixel (x, y) when its centre is inside or on
//   the ellipse: (2x + 1 - l - r)^2 * h^2 + (2y + 1 - t - b)^2 * w^2 <= w^2 * h^2, with
//   w = r - l and h = b - t.
// Reversed corners are put in order first; a shape without area is the empty region.
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
