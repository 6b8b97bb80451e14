#include <gtest/gtest.h>

#include <windows.h>

#include "framework/OMBitmap.h"
#include "framework/OMResModule.h"
#include "platform/src/gdi/Screen.h"

namespace {

// The colour of table entry i (blue, green, red, reserved) as a COLORREF.
COLORREF entry(const OMBitmap& bitmap, int index)
{
  const std::uint8_t* at = bitmap.colorTable() + 4 * index;
  return RGB(at[2], at[1], at[0]);
}

// Reads pixels of a bitmap through a memory device context.
class PixelReader {
 public:
  explicit PixelReader(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr))
  {
    old_ = SelectObject(dc_, bitmap);
  }
  ~PixelReader()
  {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class BitmapTest : public ::testing::Test {
 protected:
  void TearDown() override { OMResModule::releaseDefaultModule(); }
};

void expectReservedColors(const OMBitmap& eight)
{
  EXPECT_EQ(entry(eight, 0), RGB(0, 0, 0));
  EXPECT_EQ(entry(eight, 1), RGB(128, 0, 0));
  EXPECT_EQ(entry(eight, 7), RGB(192, 192, 192));
  EXPECT_EQ(entry(eight, 9), RGB(166, 202, 240));
  EXPECT_EQ(entry(eight, 246), RGB(255, 251, 240));
  EXPECT_EQ(entry(eight, 252), RGB(0, 0, 255));
  EXPECT_EQ(entry(eight, 255), RGB(255, 255, 255));
  // The entries between keep the image's own colours (a grey ramp here).
  EXPECT_EQ(entry(eight, 10), RGB(10, 10, 10));
  EXPECT_EQ(entry(eight, 245), RGB(245, 245, 245));
}

TEST_F(BitmapTest, FullColourTableTakesTheReservedColoursOfTheCurrentPalette)
{
  const OMBitmap eight(300, nullptr);
  ASSERT_TRUE(eight.hasBits());
  expectReservedColors(eight);
  // Deeper images have no table to change.
  const OMBitmap deep(301, nullptr);
  EXPECT_EQ(deep.colorCount(), 0);
}

TEST_F(BitmapTest, OnAPaletteScreenTheColoursComeFromTheSystemPalette)
{
  omgdi::Screen::instance().configure(64, 48, 8);
  const OMBitmap eight(300, nullptr);
  omgdi::Screen::instance().configure(640, 480, 16);
  ASSERT_TRUE(eight.hasBits());
  expectReservedColors(eight);
}

TEST_F(BitmapTest, DibShowsTheImageWithItsColourTable)
{
  OMBitmap eight(300, nullptr);
  HBITMAP dib = eight.dib();
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(eight.dib(), dib);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectA(dib, sizeof section, &section), int(sizeof section));
  EXPECT_EQ(section.dsBmih.biWidth, 5);
  EXPECT_EQ(section.dsBmih.biBitCount, 8);
  PixelReader pixels(dib);
  // Rows are stored bottom-up: the first stored row is the lower one.
  EXPECT_EQ(pixels.at(0, 1), RGB(128, 0, 0));
  EXPECT_EQ(pixels.at(2, 1), RGB(128, 128, 0));
  EXPECT_EQ(pixels.at(1, 1), RGB(0, 0, 255));
  EXPECT_EQ(pixels.at(1, 0), RGB(192, 192, 192));
  EXPECT_EQ(pixels.at(3, 0), RGB(166, 202, 240));

  OMBitmap deep(301, nullptr);
  PixelReader deepPixels(deep.dib());
  EXPECT_EQ(deepPixels.at(0, 1), RGB(30, 20, 10));
  EXPECT_EQ(deepPixels.at(1, 1), RGB(3, 2, 1));
  EXPECT_EQ(deepPixels.at(0, 0), RGB(6, 5, 4));
}

TEST_F(BitmapTest, MaskDibIsWhiteWhereTheImageIsTransparent)
{
  OMBitmap eight(300, nullptr);
  HBITMAP mask = eight.maskDib();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(eight.maskDib(), mask);
  BITMAP shape{};
  ASSERT_NE(GetObjectA(mask, sizeof shape, &shape), 0);
  EXPECT_EQ(shape.bmBitsPixel, 1);
  PixelReader pixels(mask);
  EXPECT_EQ(pixels.at(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(pixels.at(3, 1), RGB(255, 255, 255));
  EXPECT_EQ(pixels.at(0, 1), RGB(0, 0, 0));
  EXPECT_EQ(pixels.at(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(pixels.at(4, 0), RGB(255, 255, 255));
  EXPECT_EQ(pixels.at(1, 0), RGB(0, 0, 0));

  OMBitmap deep(301, nullptr);
  PixelReader deepMask(deep.maskDib());
  EXPECT_EQ(deepMask.at(0, 1), RGB(255, 255, 255));
  EXPECT_EQ(deepMask.at(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(deepMask.at(1, 1), RGB(0, 0, 0));
}

TEST_F(BitmapTest, NoBitsMakeNoDibs)
{
  OMBitmap missing(999, nullptr);
  EXPECT_EQ(missing.dib(), nullptr);
  EXPECT_EQ(missing.maskDib(), nullptr);
  OMBitmap shortBits(302, nullptr);
  EXPECT_EQ(shortBits.dib(), nullptr);
}

}  // namespace
