// Regions over the platform's regions, and the rectangle tests against them.
#include <gtest/gtest.h>

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

}  // namespace
