#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "tests/platform/GdiTestCanvas.h"

// Rectangles, lines, fills and region drawing, pixel by pixel, at 8 and 16 bits.
namespace {

using omtest::expectPicture;
using omtest::GdiTestCanvas;
using omtest::pictureOf;

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);

bool inside(int x, int y, int l, int t, int r, int b)
{
  return x >= l && x < r && y >= t && y < b;
}

// Draws with a pen and a brush selected, putting the old ones back and deleting them after.
template <class Draw>
void withPenAndBrush(HDC dc, HPEN pen, HBRUSH brush, Draw draw)
{
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  draw();
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

// The pixels of a white 24x24 canvas after a red line of the pen's width from one point to the
// other.
std::vector<COLORREF> lineOnCanvas(int penWidth, POINT from, POINT to)
{
  GdiTestCanvas canvas(24, 24, 16);
  canvas.fill(white);
  HPEN pen = CreatePen(PS_SOLID, penWidth, red);
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), from.x, from.y, nullptr);
  LineTo(canvas.dc(), to.x, to.y);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
  return canvas.pixels();
}

}  // namespace

TEST(GdiDrawingTest, RectangleWithOnePixelPenFramesTheEdgesAndFillsInside)
{
  for (int depth : {8, 16, 24, 32}) {
    std::vector<RGBQUAD> table;
    if (depth == 8) table = {{255, 255, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}};
    GdiTestCanvas canvas(20, 16, depth, depth != 24, table);
    canvas.fill(white);
    withPenAndBrush(canvas.dc(), CreatePen(PS_SOLID, 1, red), CreateSolidBrush(blue),
                    [&] { EXPECT_TRUE(Rectangle(canvas.dc(), 2, 3, 12, 10)); });
    expectPicture("rectangle-pen1-" + std::to_string(depth), 20, 16, canvas.pixels(),
                  pictureOf(20, 16, [](int x, int y) {
                    if (!inside(x, y, 2, 3, 12, 10)) return white;
                    return inside(x, y, 3, 4, 11, 9) ? blue : red;
                  }));
  }
}

TEST(GdiDrawingTest, RectangleWithoutPenFillsOnePixelLessAndHollowBrushOnlyFrames)
{
  GdiTestCanvas canvas(16, 16, 16);
  canvas.fill(white);
  withPenAndBrush(canvas.dc(), static_cast<HPEN>(GetStockObject(NULL_PEN)), CreateSolidBrush(blue),
                  [&] { Rectangle(canvas.dc(), 1, 1, 6, 6); });
  withPenAndBrush(canvas.dc(), CreatePen(PS_SOLID, 1, red),
                  static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)),
                  [&] { Rectangle(canvas.dc(), 8, 8, 12, 12); });
  expectPicture("rectangle-nullpen", 16, 16, canvas.pixels(), pictureOf(16, 16, [](int x, int y) {
                  if (inside(x, y, 1, 1, 5, 5)) return blue;
                  if (inside(x, y, 8, 8, 12, 12) && !inside(x, y, 9, 9, 11, 11)) return red;
                  return white;
                }));
  // Deleting a stock object succeeds and leaves it usable.
  EXPECT_TRUE(DeleteObject(GetStockObject(NULL_PEN)));
  EXPECT_EQ(GetObjectType(GetStockObject(NULL_PEN)), static_cast<DWORD>(OBJ_PEN));
}

TEST(GdiDrawingTest, WidePenIsCentredOnTheOutlineWithRoundCorners)
{
  GdiTestCanvas canvas(20, 20, 16);
  canvas.fill(white);
  withPenAndBrush(canvas.dc(), CreatePen(PS_SOLID, 3, red), CreateSolidBrush(blue),
                  [&] { Rectangle(canvas.dc(), 4, 4, 14, 12); });
  // The outline runs through columns 4 and 13 and rows 4 and 11; a 3-pixel pen covers one
  // pixel either side, and its round nib leaves the outer corner pixels out.
  expectPicture("rectangle-pen3", 20, 20, canvas.pixels(), pictureOf(20, 20, [](int x, int y) {
                  const bool corner = (x == 3 || x == 14) && (y == 3 || y == 12);
                  if (!inside(x, y, 3, 3, 15, 13) || corner) return white;
                  return inside(x, y, 6, 6, 12, 10) ? blue : red;
                }));
}

TEST(GdiDrawingTest, LinesLeaveOutTheirEndPoint)
{
  GdiTestCanvas canvas(12, 12, 8, true, {{255, 255, 255, 0}, {0, 0, 0, 0}});
  canvas.fill(white);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  // A line from (0, 0) to (3, 0) and a second segment to one past its end: four pixels.
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 3, 0);
  LineTo(canvas.dc(), 4, 0);
  // A diagonal, a vertical and a reversed line.
  MoveToEx(canvas.dc(), 0, 2, nullptr);
  LineTo(canvas.dc(), 5, 7);
  MoveToEx(canvas.dc(), 10, 1, nullptr);
  LineTo(canvas.dc(), 10, 5);
  MoveToEx(canvas.dc(), 11, 11, nullptr);
  LineTo(canvas.dc(), 7, 11);
  POINT last{};
  MoveToEx(canvas.dc(), 0, 0, &last);
  EXPECT_EQ(last.x, 7);
  EXPECT_EQ(last.y, 11);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
  expectPicture("lines", 12, 12, canvas.pixels(), pictureOf(12, 12, [](int x, int y) {
                  const bool on = (y == 0 && x < 4) || (x == y - 2 && x < 5) ||
                                  (x == 10 && y >= 1 && y < 5) || (y == 11 && x > 7);
                  return on ? RGB(0, 0, 0) : white;
                }));
}

TEST(GdiDrawingTest, WideLinesAreAsThickAsThePenAndCoverTheirEnds)
{
  GdiTestCanvas canvas(24, 24, 16);
  canvas.fill(white);
  HPEN pen = CreatePen(PS_SOLID, 3, red);
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  MoveToEx(canvas.dc(), 4, 5, nullptr);
  LineTo(canvas.dc(), 16, 5);
  MoveToEx(canvas.dc(), 5, 10, nullptr);
  LineTo(canvas.dc(), 5, 20);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
  // Every column of the horizontal line, end points included, is red in rows 4 to 6 only.
  for (int x = 4; x <= 16; ++x) {
    for (int y = 0; y < 9; ++y) {
      EXPECT_EQ(GetPixel(canvas.dc(), x, y), y >= 4 && y <= 6 ? red : white) << x << "," << y;
    }
  }
  for (int y = 10; y <= 20; ++y) {
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(GetPixel(canvas.dc(), x, y), x >= 4 && x <= 6 ? red : white) << x << "," << y;
    }
  }
}

// A slanted wide line far taller than any surface draws on it what a short line along the same
// path draws there.
TEST(GdiDrawingTest, LongSlantedWideLineDrawsItsVisiblePart)
{
  auto drawLine = [](POINT from, POINT to) { return lineOnCanvas(5, from, to); };
  const std::vector<COLORREF> longLine = drawLine({-100000, -200000}, {100000, 200000});
  EXPECT_EQ(longLine, drawLine({-20, -40}, {30, 60}));
  // Below the corner it passes through, every row holds at least the pen's width.
  for (int y = 1; y < 24; ++y) {
    const auto row = longLine.begin() + y * 24;
    EXPECT_GE(std::count(row, row + 24, red), 5) << "row " << y;
  }
}

// A one-pixel line far longer than any surface draws on it what a short line along the same
// path draws there, and one from end to end of the coordinate range draws only what shows.
TEST(GdiDrawingTest, LongThinLineDrawsItsVisiblePart)
{
  auto drawLine = [](POINT from, POINT to) { return lineOnCanvas(1, from, to); };
  for (const POINT& step : {POINT{1, 2}, POINT{3, 1}, POINT{-2, 5}, POINT{7, -3}}) {
    const LONG far = 500000;
    EXPECT_EQ(
        drawLine({-far * step.x + 5, -far * step.y + 9}, {far * step.x + 5, far * step.y + 9}),
        drawLine({-30 * step.x + 5, -30 * step.y + 9}, {30 * step.x + 5, 30 * step.y + 9}))
        << step.x << "," << step.y;
  }
  const std::vector<COLORREF> across =
      drawLine({-2147483647, -2147483640}, {2147483647, 2147483640});
  EXPECT_EQ(std::count(across.begin(), across.end(), red), 24);
}

TEST(GdiDrawingTest, FillRectFrameRectAndPixelsHonourTheClip)
{
  GdiTestCanvas canvas(16, 16, 16);
  canvas.fill(white);
  HBRUSH brush = CreateSolidBrush(red);
  IntersectClipRect(canvas.dc(), 2, 2, 14, 14);
  const RECT fill{0, 0, 8, 8};
  EXPECT_TRUE(FillRect(canvas.dc(), &fill, brush));
  const RECT frame{6, 6, 16, 16};
  EXPECT_TRUE(FrameRect(canvas.dc(), &frame, brush));
  EXPECT_EQ(SetPixel(canvas.dc(), 10, 10, blue), blue);
  EXPECT_EQ(SetPixel(canvas.dc(), 15, 15, blue), CLR_INVALID);  // clipped away
  EXPECT_EQ(GetPixel(canvas.dc(), 1, 1), CLR_INVALID);
  DeleteObject(brush);
  // An invalid colour fills nothing.
  HBRUSH invalid = CreateSolidBrush(CLR_INVALID);
  const RECT all{0, 0, 16, 16};
  FillRect(canvas.dc(), &all, invalid);
  DeleteObject(invalid);
  expectPicture("fill-frame-clip", 16, 16, canvas.pixels(), pictureOf(16, 16, [](int x, int y) {
                  if (!inside(x, y, 2, 2, 14, 14)) return CLR_INVALID;
                  if (x == 10 && y == 10) return blue;
                  if (inside(x, y, 0, 0, 8, 8)) return red;
                  if (inside(x, y, 6, 6, 16, 16) && (x == 6 || y == 6)) return red;
                  return white;
                }));
}

TEST(GdiDrawingTest, RegionsClipFillAndFrame)
{
  GdiTestCanvas canvas(24, 24, 16);
  canvas.fill(white);
  HRGN ellipse = CreateEllipticRgn(2, 2, 22, 18);
  EXPECT_EQ(SelectClipRgn(canvas.dc(), ellipse), COMPLEXREGION);
  // The context keeps its own copy of the shape.
  OffsetRgn(ellipse, 100, 100);
  OffsetRgn(ellipse, -100, -100);
  HBRUSH brush = CreateSolidBrush(blue);
  const RECT all{0, 0, 24, 24};
  FillRect(canvas.dc(), &all, brush);
  expectPicture("clip-ellipse", 24, 24, canvas.pixels(), pictureOf(24, 24, [&](int x, int y) {
                  return PtInRegion(ellipse, x, y) ? blue : CLR_INVALID;
                }));
  // Selecting a region as an object clips the same way and answers its kind.
  HRGN corner = CreateRectRgn(0, 0, 2, 2);
  EXPECT_EQ(SelectObject(canvas.dc(), corner), reinterpret_cast<HGDIOBJ>(SIMPLEREGION));
  EXPECT_EQ(GetPixel(canvas.dc(), 2, 2), CLR_INVALID);
  DeleteObject(corner);
  EXPECT_EQ(SelectClipRgn(canvas.dc(), nullptr), SIMPLEREGION);
  canvas.fill(white);
  HRGN box = CreateRectRgn(3, 3, 10, 9);
  HBRUSH redBrush = CreateSolidBrush(red);
  EXPECT_TRUE(FrameRgn(canvas.dc(), box, redBrush, 2, 1));
  HRGN other = CreateRectRgn(12, 12, 15, 14);
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
  EXPECT_TRUE(PaintRgn(canvas.dc(), other));
  SelectObject(canvas.dc(), oldBrush);
  expectPicture("frame-region", 24, 24, canvas.pixels(), pictureOf(24, 24, [](int x, int y) {
                  if (inside(x, y, 3, 3, 10, 9) && !inside(x, y, 5, 4, 8, 8)) return red;
                  return inside(x, y, 12, 12, 15, 14) ? blue : white;
                }));
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(ellipse), static_cast<HGDIOBJ>(box), static_cast<HGDIOBJ>(other),
        static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(redBrush)}) {
    EXPECT_TRUE(DeleteObject(object));
  }
}

TEST(GdiDrawingTest, SaveAndRestoreBringBackObjectsColoursAndClip)
{
  GdiTestCanvas canvas(8, 8, 16);
  HPEN pen = CreatePen(PS_SOLID, 2, red);
  SetTextColor(canvas.dc(), blue);
  const int level = SaveDC(canvas.dc());
  EXPECT_EQ(level, 1);
  HGDIOBJ stockPen = SelectObject(canvas.dc(), pen);
  SetTextColor(canvas.dc(), red);
  IntersectClipRect(canvas.dc(), 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(canvas.dc()), 2);
  EXPECT_TRUE(RestoreDC(canvas.dc(), -1));
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
  EXPECT_TRUE(RestoreDC(canvas.dc(), level));
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), stockPen);
  EXPECT_EQ(GetTextColor(canvas.dc()), blue);
  RECT box{};
  EXPECT_EQ(GetClipBox(canvas.dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 8);
  EXPECT_FALSE(RestoreDC(canvas.dc(), 1));  // nothing saved any more
  EXPECT_TRUE(DeleteObject(pen));
}
