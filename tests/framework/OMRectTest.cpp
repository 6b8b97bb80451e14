#include <gtest/gtest.h>

#include "framework/OMRGBColor.h"
#include "framework/OMRect.h"

namespace {
const OMRect kEmpty(0, 0, -1, -1);
}

TEST(OMRectTest, DefaultIsTheEmptyRectangle)
{
  OMRect rect;
  EXPECT_TRUE(rect.isEmpty());
  EXPECT_EQ(rect, kEmpty);
  EXPECT_FALSE(OMRect(10, 10, 10, 20).isEmpty());  // no area, yet not "empty"
  EXPECT_FALSE(OMRect(0, 0, 0, 0).isEmpty());
}

TEST(OMRectTest, Intersects)
{
  EXPECT_FALSE(OMRect(0, 0, 10, 10).intersects(OMRect(10, 0, 20, 10)));
  EXPECT_FALSE(OMRect(0, 0, 10, 10).intersects(OMRect(0, 10, 10, 20)));
  EXPECT_TRUE(OMRect(0, 0, 10, 10).intersects(OMRect(9, 9, 20, 20)));
  EXPECT_TRUE(OMRect(0, 0, 10, 10).intersects(OMRect(-5, -5, 1, 1)));
}

TEST(OMRectTest, IntersectionWithoutAreaGivesTheEmptyRectangle)
{
  EXPECT_EQ(OMRect(10, 10, 10, 20).intersection(OMRect(0, 0, 100, 100)), kEmpty);
  EXPECT_EQ(OMRect(0, 0, 100, 100).intersection(OMRect(10, 10, 10, 20)), kEmpty);
  EXPECT_EQ(OMRect(0, 0, 10, 10).intersection(OMRect(20, 20, 30, 30)), kEmpty);
  EXPECT_EQ(OMRect(0, 0, 10, 10).intersection(OMRect(5, 2, 30, 8)), OMRect(5, 2, 10, 8));
}

TEST(OMRectTest, IntersectionWithTheEmptyRectangleOnEitherSide)
{
  EXPECT_EQ(kEmpty.intersection(OMRect(-10, -10, 10, 10)), kEmpty);
  EXPECT_EQ(OMRect(-10, -10, 10, 10).intersection(kEmpty), kEmpty);
  OMRect rect(1, 1, 5, 5);
  rect.intersectWith(kEmpty);
  EXPECT_TRUE(rect.isEmpty());
}

TEST(OMRectTest, UnitedLeavesOutSidesWithoutArea)
{
  EXPECT_EQ(kEmpty.united(OMRect(1, 2, 3, 4)), OMRect(1, 2, 3, 4));
  EXPECT_EQ(OMRect(1, 2, 3, 4).united(kEmpty), OMRect(1, 2, 3, 4));
  EXPECT_EQ(OMRect(10, 10, 10, 20).united(OMRect(0, 0, 5, 5)), OMRect(0, 0, 5, 5));
  EXPECT_EQ(OMRect(0, 0, 5, 5).united(OMRect(10, 10, 10, 20)), OMRect(0, 0, 5, 5));
  EXPECT_EQ(OMRect(10, 10, 10, 20).united(OMRect(3, 3, 1, 1)), OMRect(0, 0, 0, 0));
  EXPECT_EQ(OMRect(0, 0, 5, 5).united(OMRect(10, -2, 12, 3)), OMRect(0, -2, 12, 5));
  EXPECT_EQ(kEmpty.united(kEmpty), kEmpty);
}

TEST(OMRectTest, IsWithin)
{
  EXPECT_TRUE(OMRect(2, 2, 4, 4).isWithin(OMRect(0, 0, 10, 10)));
  EXPECT_FALSE(OMRect(0, 0, 10, 10).isWithin(OMRect(2, 2, 4, 4)));
  EXPECT_TRUE(OMRect(0, 0, 10, 10).isWithin(OMRect(0, 0, 10, 10)));
  EXPECT_FALSE(OMRect(5, 5, 15, 15).isWithin(OMRect(0, 0, 10, 10)));
  EXPECT_TRUE(kEmpty.isWithin(OMRect(0, 0, 10, 10)));
}

TEST(OMRectTest, ContainsPointIsHalfOpen)
{
  OMRect rect(0, 0, 10, 10);
  EXPECT_TRUE(rect.containsPoint({0, 0}));
  EXPECT_TRUE(rect.containsPoint({9, 9}));
  EXPECT_FALSE(rect.containsPoint({10, 5}));
  EXPECT_FALSE(rect.containsPoint({5, 10}));
  EXPECT_FALSE(rect.containsPoint({-1, 5}));
  EXPECT_FALSE(kEmpty.containsPoint({0, 0}));
  EXPECT_FALSE(kEmpty.containsPoint({-1, -1}));
}

TEST(OMRectTest, InsetAndSize)
{
  OMRect rect(0, 0, 10, 20);
  rect.inset(2, 3);
  EXPECT_EQ(rect, OMRect(2, 3, 8, 17));
  EXPECT_EQ(rect.width(), 6);
  EXPECT_EQ(rect.height(), 14);
  rect.inset(-2, -3);
  EXPECT_EQ(rect, OMRect(0, 0, 10, 20));
}

TEST(OMRGBColorTest, ChannelsAndIndexConventions)
{
  OMRGBColor black;
  EXPECT_EQ(black.red, 0);
  EXPECT_EQ(black.index, -1);
  EXPECT_TRUE(black.isByChannels());

  OMRGBColor red = OMRGBColor::fromBytes(0xFF, 0x12, 0);
  EXPECT_EQ(red.red, 0xFF00);
  EXPECT_EQ(red.green, 0x1200);
  EXPECT_EQ(red.greenByte(), 0x12);

  OMRGBColor entry = OMRGBColor::fromIndex(200);
  EXPECT_TRUE(entry.isPaletteIndex());
  EXPECT_EQ(entry.red, 0);
  EXPECT_FALSE(entry.isByChannels());
  EXPECT_TRUE(OMRGBColor::fromIndex(-2).isNone());
  EXPECT_FALSE(OMRGBColor::fromIndex(-2).isPaletteIndex());
}
