#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/src/gdi/RegionData.h"

namespace {

using omgdi::RegionData;

// Pixels of a region in a fixed window, computed from its rectangles.
constexpr int kMin = -6;
constexpr int kMax = 47;
constexpr int kSide = kMax - kMin;
using Bitmap = std::vector<std::uint8_t>;

Bitmap rasterize(const RegionData& region)
{
  Bitmap bits(kSide * kSide, 0);
  for (const RECT& r : region.rects())
    for (int y = std::max<int>(r.top, kMin); y < std::min<int>(r.bottom, kMax); ++y)
      for (int x = std::max<int>(r.left, kMin); x < std::min<int>(r.right, kMax); ++x)
        bits[(y - kMin) * kSide + (x - kMin)] = 1;
  return bits;
}

// Brute-force oracles, one pixel at a time, straight from the written pixel rules.
Bitmap rectOracle(int l, int t, int r, int b)
{
  Bitmap bits(kSide * kSide, 0);
  for (int y = kMin; y < kMax; ++y)
    for (int x = kMin; x < kMax; ++x)
      bits[(y - kMin) * kSide + (x - kMin)] =
          x >= std::min(l, r) && x < std::max(l, r) && y >= std::min(t, b) && y < std::max(t, b);
  return bits;
}

// Even-odd or winding count of the edges that cross the top edge of the pixel's row at or
// left of the pixel's left edge: crossing xc belongs to column ceil(xc).
Bitmap polygonOracle(const std::vector<POINT>& pts, int fillMode)
{
  Bitmap bits(kSide * kSide, 0);
  for (int y = kMin; y < kMax; ++y)
    for (int x = kMin; x < kMax; ++x) {
      int winding = 0;
      for (std::size_t i = 0; i < pts.size(); ++i) {
        POINT a = pts[i], b = pts[(i + 1) % pts.size()];
        int dir = 1;
        if (a.y == b.y) continue;
        if (a.y > b.y) {
          std::swap(a, b);
          dir = -1;
        }
        if (y < a.y || y >= b.y) continue;
        // ceil(xc) <= x, that is xc <= x: (y - a.y) * (b.x - a.x) <= (x - a.x) * (b.y - a.y)
        const std::int64_t lhs = std::int64_t{y - a.y} * (b.x - a.x);
        const std::int64_t rhs = std::int64_t{x - a.x} * (b.y - a.y);
        if (lhs <= rhs) winding += dir;
      }
      bits[(y - kMin) * kSide + (x - kMin)] =
          fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
    }
  return bits;
}

bool applyOp(int mode, bool a, bool b)
{
  switch (mode) {
    case RGN_AND:
      return a && b;
    case RGN_OR:
      return a || b;
    case RGN_XOR:
      return a != b;
    case RGN_DIFF:
      return a && !b;
  }
  return a;
}

struct Shape {
  RegionData region;
  Bitmap oracle;
};

Shape randomShape(std::mt19937& rng)
{
  std::uniform_int_distribution<int> coord(-5, 45);
  std::uniform_int_distribution<int> kind(0, 2);
  const int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
  Shape shape;
  switch (kind(rng)) {
    case 0:
      shape.region = RegionData::rectangle(l, t, r, b);
      shape.oracle = rectOracle(l, t, r, b);
      break;
    case 1:
      // Ellipses follow Windows' stepping, checked against its recorded regions elsewhere;
      // here they only feed the combines.
      EXPECT_TRUE(RegionData::ellipse(l, t, r, b, shape.region));
      shape.oracle = rasterize(shape.region);
      break;
    default: {
      std::vector<POINT> pts(std::uniform_int_distribution<int>(3, 7)(rng));
      for (POINT& p : pts)
        p = POINT{coord(rng), coord(rng)};
      const int mode = (rng() & 1) ? ALTERNATE : WINDING;
      EXPECT_TRUE(
          RegionData::polygon(pts.data(), static_cast<int>(pts.size()), mode, shape.region));
      shape.oracle = polygonOracle(pts, mode);
    }
  }
  return shape;
}

RECT oracleBox(const Bitmap& bits)
{
  RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  bool any = false;
  for (int y = kMin; y < kMax; ++y)
    for (int x = kMin; x < kMax; ++x)
      if (bits[(y - kMin) * kSide + (x - kMin)]) {
        any = true;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return any ? box : RECT{0, 0, 0, 0};
}

// Pictures of small shapes as Windows makes them ('#' covered), measured with PtInRegion.
struct Picture {
  const char* name;
  int fillMode;  // 0 for an ellipse in (0, 0, width, height)
  std::vector<POINT> points;
  int width, height;
  std::vector<const char*> rows;
};

const Picture kPictures[] = {
    {"ellipse 1x1", 0, {}, 1, 1, {"."}},
    {"ellipse 2x1", 0, {}, 2, 1, {".."}},
    {"ellipse 2x2", 0, {}, 2, 2, {"#.", ".."}},
    {"ellipse 3x2", 0, {}, 3, 2, {"##.", "..."}},
    {"ellipse 3x3", 0, {}, 3, 3, {"##.", "##.", "..."}},
    {"ellipse 4x3", 0, {}, 4, 3, {"###.", "###.", "...."}},
    {"ellipse 5x2", 0, {}, 5, 2, {"####.", "....."}},
    {"ellipse 5x3", 0, {}, 5, 3, {"####.", "####.", "....."}},
    {"ellipse 4x4", 0, {}, 4, 4, {".#..", "###.", ".#..", "...."}},
    {"ellipse 7x5", 0, {}, 7, 5, {".####..", "######.", "######.", ".####..", "......."}},
    {"triangle",
     ALTERNATE,
     {{0, 0}, {4, 0}, {0, 4}},
     5,
     5,
     {"####.", "###..", "##...", "#....", "....."}},
    {"slanted triangle",
     ALTERNATE,
     {{1, 0}, {6, 3}, {0, 5}},
     7,
     6,
     {".......", ".##....", ".####..", ".#####.", ".##....", "......."}},
    {"winding triangle",
     WINDING,
     {{5, 0}, {6, 6}, {0, 4}},
     7,
     7,
     {".......", "....##.", "...###.", "..####.", "######.", "...###.", "......."}},
    {"arrow",
     ALTERNATE,
     {{0, 0}, {6, 3}, {0, 6}, {2, 3}},
     7,
     7,
     {".......", ".#.....", "..##...", "..####.", "..##...", ".#.....", "......."}},
    {"bow tie",
     ALTERNATE,
     {{0, 0}, {6, 6}, {6, 0}, {0, 6}},
     7,
     7,
     {".......", "#....#.", "##..##.", "######.", "##..##.", "#....#.", "......."}},
    {"loop, even-odd",
     ALTERNATE,
     {{0, 0}, {6, 0}, {6, 6}, {2, 6}, {2, 2}, {4, 2}, {4, 4}, {0, 4}},
     7,
     7,
     {"######.", "######.", "##..##.", "##..##.", "..####.", "..####.", "......."}},
    {"loop, winding",
     WINDING,
     {{0, 0}, {6, 0}, {6, 6}, {2, 6}, {2, 2}, {4, 2}, {4, 4}, {0, 4}},
     7,
     7,
     {"######.", "######.", "######.", "######.", "..####.", "..####.", "......."}},
};

TEST(RegionPixelRule, SmallShapesMatchWindowsPictures)
{
  for (const Picture& picture : kPictures) {
    HRGN region = picture.fillMode == 0
                      ? CreateEllipticRgn(0, 0, picture.width, picture.height)
                      : CreatePolygonRgn(picture.points.data(),
                                         static_cast<int>(picture.points.size()), picture.fillMode);
    ASSERT_NE(region, nullptr) << picture.name;
    for (int y = -1; y <= picture.height; ++y)
      for (int x = -1; x <= picture.width; ++x) {
        const bool inPicture = y >= 0 && x >= 0 && y < static_cast<int>(picture.rows.size()) &&
                               x < picture.width && picture.rows[y][x] == '#';
        EXPECT_EQ(PtInRegion(region, x, y) != 0, inPicture)
            << picture.name << " at " << x << "," << y;
      }
    DeleteObject(region);
  }
}

TEST(RegionPixelRule, LargerShapesKeepToWindowsBoxesAndRows)
{
  // The 10x10 ellipse's box ends a pixel short; the triangle's top row is 10 pixels long.
  HRGN ellipse = CreateEllipticRgn(0, 0, 10, 10);
  RECT box;
  EXPECT_EQ(GetRgnBox(ellipse, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 9);
  EXPECT_EQ(box.bottom, 9);
  const POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
  HRGN triangle = CreatePolygonRgn(tri, 3, ALTERNATE);
  int row0 = 0;
  for (int x = -2; x < 12; ++x)
    row0 += PtInRegion(triangle, x, 0) ? 1 : 0;
  EXPECT_EQ(row0, 10);
  DeleteObject(ellipse);
  DeleteObject(triangle);
}

TEST(RegionPixelRule, RectanglePolygonEqualsRectangleRegion)
{
  // A polygon traced along a rectangle covers what CreateRectRgn covers, in both directions
  // of travel.
  const POINT cw[] = {{2, 3}, {12, 3}, {12, 9}, {2, 9}};
  const POINT ccw[] = {{2, 3}, {2, 9}, {12, 9}, {12, 3}};
  HRGN rect = CreateRectRgn(2, 3, 12, 9);
  HRGN a = CreatePolygonRgn(cw, 4, ALTERNATE);
  HRGN b = CreatePolygonRgn(ccw, 4, WINDING);
  EXPECT_TRUE(EqualRgn(rect, a));
  EXPECT_TRUE(EqualRgn(rect, b));
  for (HRGN r : {rect, a, b})
    DeleteObject(r);
}

TEST(RegionPixelRule, AlternateAndWindingDifferOnSelfOverlap)
{
  // A pentagram: its centre is crossed twice (even-odd: out) but wound twice (winding: in).
  const POINT star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
  HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE);
  HRGN wind = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(PtInRegion(alt, 20, 20));
  EXPECT_TRUE(PtInRegion(wind, 20, 20));
  EXPECT_TRUE(PtInRegion(alt, 20, 5));
  DeleteObject(alt);
  DeleteObject(wind);
}

// 10,002 cases against the pixel oracles: in each round two random shapes and their combine.
TEST(RegionOracle, RandomShapesAndCombinesMatchThePixelOracle)
{
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> modeOf(RGN_AND, RGN_COPY);
  for (int round = 0; round < 3334; ++round) {
    const Shape a = randomShape(rng);
    ASSERT_EQ(rasterize(a.region), a.oracle) << "shape, round " << round;
    const Shape b = randomShape(rng);
    ASSERT_EQ(rasterize(b.region), b.oracle) << "shape, round " << round;
    const int mode = modeOf(rng);
    const RegionData c = RegionData::combine(a.region, b.region, mode);
    Bitmap expected(kSide * kSide);
    for (std::size_t i = 0; i < expected.size(); ++i)
      expected[i] = applyOp(mode, a.oracle[i], b.oracle[i]);
    ASSERT_EQ(rasterize(c), expected) << "combine " << mode << ", round " << round;
    const RECT box = c.box();
    const RECT want = oracleBox(expected);
    ASSERT_TRUE(box.left == want.left && box.top == want.top && box.right == want.right &&
                box.bottom == want.bottom)
        << "box, round " << round;
    // Point and rectangle tests against the oracle.
    std::uniform_int_distribution<int> at(kMin, kMax - 1);
    const int x = at(rng), y = at(rng);
    ASSERT_EQ(c.contains(x, y), expected[(y - kMin) * kSide + (x - kMin)] != 0);
    const int x2 = at(rng), y2 = at(rng);
    bool any = false;
    for (int yy = std::min(y, y2); yy < std::max(y, y2); ++yy)
      for (int xx = std::min(x, x2); xx < std::max(x, x2); ++xx)
        any = any || expected[(yy - kMin) * kSide + (xx - kMin)];
    ASSERT_EQ(c.intersects(RECT{x, y, x2, y2}), any) << "rect test, round " << round;
    // Canonical form: the same pixels built another way compare equal (on every 4th round,
    // which is plenty and keeps the test quick).
    if (round % 4 != 0) continue;
    RegionData rebuilt;
    for (const RECT& r : c.rects())
      rebuilt = RegionData::combine(
          rebuilt, RegionData::rectangle(r.left, r.top, r.right, r.bottom), RGN_OR);
    ASSERT_TRUE(rebuilt == c) << "canonical, round " << round;
  }
}

// The handle calls over the shapes.
TEST(RegionCalls, CombineReportsTheKindAndAllowsTheDestinationAsSource)
{
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(a, 14, 14));
  EXPECT_FALSE(PtInRegion(a, 14, 0));
  EXPECT_EQ(CombineRgn(a, a, a, RGN_DIFF), NULLREGION);
  RECT box{1, 1, 1, 1};
  EXPECT_EQ(GetRgnBox(a, &box), NULLREGION);
  EXPECT_EQ(box.left + box.top + box.right + box.bottom, 0);
  EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(a, b));
  EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_AND), ERROR);  // AND needs a second region
  EXPECT_EQ(CombineRgn(a, b, b, 6), ERROR);
  DeleteObject(a);
  DeleteObject(b);
}

TEST(RegionCalls, OffsetSetRectAndRectTests)
{
  HRGN r = CreateRectRgn(10, 20, 0, 0);  // reversed corners are put in order
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(OffsetRgn(r, 5, -5), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(r, 5, -5));
  EXPECT_FALSE(PtInRegion(r, 15, 0));  // right and bottom are exclusive
  const RECT touching{15, -5, 20, 0};
  const RECT overlapping{14, 14, 20, 20};
  EXPECT_FALSE(RectInRegion(r, &touching));
  EXPECT_TRUE(RectInRegion(r, &overlapping));
  // Moving out of the coordinate range fails and leaves the region alone.
  EXPECT_EQ(OffsetRgn(r, INT32_MAX, 0), ERROR);
  EXPECT_EQ(OffsetRgn(r, 0, INT32_MIN), ERROR);
  EXPECT_TRUE(PtInRegion(r, 5, -5));
  EXPECT_TRUE(SetRectRgn(r, 3, 3, 3, 9));  // no area: empty
  EXPECT_EQ(GetRgnBox(r, &box), NULLREGION);
  DeleteObject(r);
}

TEST(RegionCalls, DeletedAndForeignHandlesFail)
{
  HRGN r = CreateRectRgn(0, 0, 4, 4);
  EXPECT_EQ(GetObjectType(r), static_cast<DWORD>(OBJ_REGION));
  EXPECT_TRUE(DeleteObject(r));
  EXPECT_EQ(GetObjectType(r), 0u);
  EXPECT_FALSE(DeleteObject(r));
  EXPECT_FALSE(PtInRegion(r, 1, 1));
  EXPECT_EQ(OffsetRgn(r, 1, 1), ERROR);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), ERROR);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
  const POINT two[] = {{0, 0}, {5, 5}};
  HRGN line = CreatePolygonRgn(two, 2, ALTERNATE);  // fewer than 3 points: empty, not failure
  EXPECT_EQ(GetRgnBox(line, &box), NULLREGION);
  DeleteObject(line);
  // Very wide shapes keep to the coordinate range.
  const POINT wide[] = {{-2000000000, 0}, {2000000000, 0}, {0, 3}};
  HRGN flat = CreatePolygonRgn(wide, 3, ALTERNATE);
  ASSERT_NE(flat, nullptr);
  EXPECT_TRUE(PtInRegion(flat, 0, 0));
  EXPECT_TRUE(PtInRegion(flat, -1000000000, 0));
  EXPECT_FALSE(PtInRegion(flat, 0, 3));
  DeleteObject(flat);
  // Too tall to scan row by row: refused rather than ground through.
  EXPECT_EQ(CreateEllipticRgn(0, 0, 10, 1 << 20), nullptr);
}

}  // namespace
