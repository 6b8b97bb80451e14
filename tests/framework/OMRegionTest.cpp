// Regions over the platform's regions, and the rectangle tests against them.
#include <gtest/gtest.h>

#include <random>

#include "framework/OMRect.h"
#include "framework/OMRegion.h"

namespace {

TEST(OMRegionTest, CombiningKeepsShapesAndDropsWhatHasNoArea)
{
  OMRegion a(OMRect(0, 0, 10, 10));
  const OMRegion b(OMRect(5, 5, 20, 20));
  EXPECT_EQ(a.intersection(b).bounds(), OMRect(5, 5, 10, 10));
  EXPECT_EQ(a.difference(b).bounds(), OMRect(0, 0, 10, 10));
  EXPECT_EQ(a.bounds(), OMRect(0, 0, 10, 10));  // unchanged by the copies
  OMRegion united;
  united.unionWith(a);  // an empty region becomes a copy
  united.unionWith(OMRegion());
  united.unionWith(b);
  EXPECT_EQ(united.bounds(), OMRect(0, 0, 20, 20));
  EXPECT_FALSE(OMRect(12, 0, 20, 4).intersectsRegion(united));
  EXPECT_TRUE(OMRect(8, 8, 12, 12).isInRegion(united));
  EXPECT_FALSE(OMRect(8, 0, 12, 4).isInRegion(united));

  OMRegion self(a);
  self.subtract(a);
  EXPECT_TRUE(self.isEmpty());
  EXPECT_EQ(self.bounds(), OMRect());
  OMRegion apart(OMRect(0, 0, 2, 2));
  apart.intersectWith(OMRegion(OMRect(5, 5, 6, 6)));
  EXPECT_TRUE(apart.isEmpty());
}

TEST(OMRegionTest, ShapesAndPolygons)
{
  OMRegion shape;
  shape.setShape(0, 0, 10, 10, 1);
  EXPECT_FALSE(OMRect(0, 0, 1, 1).intersectsRegion(shape));  // the ellipse misses its corner
  EXPECT_TRUE(OMRect(4, 4, 6, 6).isInRegion(shape));
  const OMPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  shape.setPolygon(triangle, 3);
  EXPECT_TRUE(OMRect(1, 1, 2, 2).intersectsRegion(shape));
  EXPECT_FALSE(OMRect(8, 8, 10, 10).intersectsRegion(shape));
  shape.setRect(OMRect(2, 3, 4, 5));
  EXPECT_EQ(shape.bounds(), OMRect(2, 3, 4, 5));
  OMRegion copy;
  copy = shape;
  shape.clear();
  EXPECT_EQ(copy.bounds(), OMRect(2, 3, 4, 5));
  copy.assign(shape);
  EXPECT_TRUE(copy.isEmpty());
}

TEST(OMRegionTest, RectangleTestsAgainstEmptyRegionsAndRectangles)
{
  const OMRegion empty;
  const OMRegion area(OMRect(0, 0, 10, 10));
  EXPECT_TRUE(OMRect().isInRegion(area));
  EXPECT_TRUE(OMRect().isInRegion(empty));
  EXPECT_FALSE(OMRect(1, 1, 2, 2).isInRegion(empty));
  EXPECT_FALSE(OMRect(1, 1, 2, 2).intersectsRegion(empty));
  EXPECT_FALSE(OMRect(5, 5, 4, 6).intersectsRegion(area));  // negative width
}

// The rectangle shortcuts (no region made for a rectangle the region already holds) against
// the same operations through a region of the rectangle, on random regions and rectangles,
// flipped and empty ones among them.
TEST(OMRegionTest, RectangleShortcutsMatchTheRegionOperations)
{
  std::mt19937 rng(20261210);
  auto coordinate = [&] { return static_cast<int>(rng() % 40) - 5; };
  auto randomRect = [&] { return OMRect(coordinate(), coordinate(), coordinate(), coordinate()); };
  auto same = [](const OMRegion& a, const OMRegion& b) {
    if (a.isEmpty() || b.isEmpty()) return a.isEmpty() == b.isEmpty();
    return EqualRgn(a.handle(), b.handle()) != 0;
  };
  for (int round = 0; round < 3000; ++round) {
    OMRegion region;
    switch (rng() % 4) {
      case 0:
        break;
      case 1:
        region.setRect(OMRect(0, 0, 30, 30));
        break;
      case 2:
        region.setShape(coordinate(), coordinate(), coordinate() + 10, coordinate() + 10, 1);
        break;
      default:
        for (int i = 0; i < 3; ++i)
          region.unionWith(OMRegion(randomRect()));
    }
    const OMRect rect = randomRect();
    OMRegion expected(region), shortcut(region);
    expected.unionWith(OMRegion(rect));
    shortcut.unionWith(rect);
    ASSERT_TRUE(same(shortcut, expected)) << "union, round " << round;
    OMRegion viaRegion(region), viaRect(region);
    viaRegion.assign(OMRegion(rect));
    viaRect.assignRect(rect);
    ASSERT_TRUE(same(viaRect, viaRegion)) << "assignment, round " << round;
    const bool holds = rect.isEmpty() || (!region.isEmpty() && same(expected, region));
    ASSERT_EQ(rect.isInRegion(region), holds) << "containment, round " << round;
  }
}

}  // namespace
