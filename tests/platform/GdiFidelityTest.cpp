#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/src/gdi/RegionData.h"
#include "tests/platform/GdiTestCanvas.h"

// Drawing against what Windows draws: the tables in winprobe/ were recorded by GdiProbe (see
// make-tables.sh there); each test draws every recorded case and compares the pixels.
namespace {

using omtest::GdiTestCanvas;

constexpr int kSize = 64;

std::vector<std::string> tableLines(const std::string& name)
{
  std::ifstream file(std::string(OM_GDI_TABLES) + "/" + name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Which pixels are drawn, row by row.
class Pixels {
 public:
  void set(int x, int y)
  {
    if (x >= 0 && x < kSize && y >= 0 && y < kSize) on_[y * kSize + x] = true;
  }
  static Pixels of(const GdiTestCanvas& canvas)
  {
    Pixels pixels;
    const std::vector<COLORREF> colors = canvas.pixels();
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (colors[y * kSize + x] != RGB(0, 0, 0)) pixels.set(x, y);
    return pixels;
  }
  // As the probe writes them: " y:x0-x1,x0-x1" for each row that holds a run, about an origin;
  // " -" when nothing is drawn.
  std::string spans(int origin) const
  {
    std::string out;
    for (int y = 0; y < kSize; ++y) {
      std::string row;
      for (int x = 0; x < kSize; ++x) {
        if (!at(x, y) || (x > 0 && at(x - 1, y))) continue;
        int end = x;
        while (end + 1 < kSize && at(end + 1, y))
          ++end;
        row += (row.empty() ? "" : ",") + std::to_string(x - origin) + "-" +
               std::to_string(end - origin);
      }
      if (!row.empty()) out += " " + std::to_string(y - origin) + ":" + row;
    }
    return out.empty() ? " -" : out;
  }

 private:
  bool at(int x, int y) const { return on_[y * kSize + x]; }
  std::vector<bool> on_ = std::vector<bool>(kSize * kSize);
};

// A white drawing on a black 32-bit canvas, and the pixels it set.
template <class Draw>
Pixels drawn(Draw draw)
{
  GdiTestCanvas canvas(kSize, kSize, 32);
  canvas.fill(RGB(0, 0, 0));
  draw(canvas.dc());
  return Pixels::of(canvas);
}

// The recorded line: one pixel per step along the major axis from `from`, the minor
// coordinate moving where the hexadecimal digits' bits say.
Pixels recordedLine(POINT from, POINT to, const std::string& hex)
{
  const int dx = to.x - from.x, dy = to.y - from.y;
  const bool alongX = std::abs(dx) >= std::abs(dy);
  const int steps = alongX ? std::abs(dx) : std::abs(dy);
  Pixels pixels;
  int x = from.x, y = from.y;
  for (int i = 0; i < steps; ++i) {
    pixels.set(x, y);
    const bool move =
        i + 1 < steps && ((std::stoi(hex.substr(i / 4, 1), nullptr, 16) >> (3 - i % 4)) & 1) != 0;
    if (alongX) {
      x += dx > 0 ? 1 : -1;
      if (move) y += dy > 0 ? 1 : -1;
    } else {
      y += dy > 0 ? 1 : -1;
      if (move) x += dx > 0 ? 1 : -1;
    }
  }
  return pixels;
}

// Counts the cases whose pixels match, reporting the first few that do not: as failures, or
// only as notes where the table holds cases known not to match yet.
class Tally {
 public:
  explicit Tally(bool strict = true) : strict_(strict) {}
  void check(const std::string& what, const std::string& expected, const std::string& actual)
  {
    ++total_;
    if (expected == actual) {
      ++matched_;
    } else if (++reported_ <= 5) {
      if (strict_)
        ADD_FAILURE() << what << "\n  recorded:" << expected << "\n  drawn:   " << actual;
      else
        std::printf("differs: %s\n  recorded: %s\n  drawn:    %s\n", what.c_str(), expected.c_str(),
                    actual.c_str());
    }
  }
  int matched() const { return matched_; }
  int total() const { return total_; }

 private:
  bool strict_;
  int matched_ = 0, total_ = 0, reported_ = 0;
};

}  // namespace

// Every line from the centre of a 64x64 bitmap to each border pixel, and back: a line and its
// reverse cover the same pixels, so half-pixel ties fall the other way when a line runs back.
TEST(GdiFidelityTest, OnePixelLinesMatchTheRecordedPixels)
{
  const std::vector<std::string> table = tableLines("lines.txt");
  ASSERT_EQ(table.size(), 252u);
  Tally tally;
  const POINT centre{32, 32};
  for (const std::string& line : table) {
    std::istringstream fields(line);
    POINT border{};
    std::string out, back;
    fields >> border.x >> border.y >> out >> back;
    for (const auto& [start, end, hex] :
         {std::tuple{centre, border, out}, {border, centre, back}}) {
      // Plain copies: clang 14 cannot capture structured bindings in a lambda.
      const POINT from = start, to = end;
      const Pixels pixels = drawn([&](HDC dc) {
        SelectObject(dc, GetStockObject(WHITE_PEN));
        MoveToEx(dc, from.x, from.y, nullptr);
        LineTo(dc, to.x, to.y);
      });
      tally.check(line, recordedLine(from, to, hex).spans(0), pixels.spans(0));
    }
  }
  EXPECT_EQ(tally.matched(), 504);
}

// Rectangle (white pen, grey brush) and FillRect on every box from (16, 16) to (16 + r,
// 16 + b), r and b from -3 to 3: empty, one-pixel and reversed boxes.
TEST(GdiFidelityTest, SmallAndReversedBoxesMatchTheRecordedPixels)
{
  const std::vector<std::string> table = tableLines("shapes.txt");
  ASSERT_EQ(table.size(), 98u);
  Tally tally;
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  for (const std::string& line : table) {
    std::istringstream fields(line);
    std::string call;
    int r = 0, b = 0;
    fields >> call >> r >> b;
    std::string recorded;
    std::getline(fields, recorded);
    const Pixels pixels = drawn([&](HDC dc) {
      const RECT box{16, 16, 16 + r, 16 + b};
      if (call == "Rectangle") {
        SelectObject(dc, GetStockObject(WHITE_PEN));
        SelectObject(dc, grey);
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
      } else {
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      }
    });
    tally.check(line, recorded, pixels.spans(16));
  }
  DeleteObject(grey);
  EXPECT_EQ(tally.matched(), 98);
}

namespace {

// CreateEllipticRgn(0, 0, w, h) written as the probe writes it: "top n" and the left edge of
// each row down to the middle one, "?" for rows the recording leaves open; "-" when empty.
// A region that is not one span a row, mirrored about its middle row and column, is "uneven".
std::string ellipseRows(int w, int h)
{
  omgdi::RegionData region;
  omgdi::RegionData::ellipse(0, 0, w, h, region);
  const std::vector<RECT> rects = region.rects();
  if (rects.empty()) return "-";
  const int top = rects.front().top, n = rects.back().bottom - top;
  std::vector<RECT> rows(n, RECT{0, 0, 0, 0});
  for (const RECT& rect : rects)
    for (int y = rect.top; y < rect.bottom; ++y)
      rows[y - top] = rect;
  const int mirror = std::min(0, w - 1) + std::max(0, w - 1);
  std::string out = std::to_string(top) + " " + std::to_string(n) + ":";
  for (int y = 0; y < n; ++y) {
    const RECT& row = rows[y];
    const RECT& other = rows[n - 1 - y];
    if (row.right != mirror - row.left || other.left != row.left || other.right != row.right)
      return out + " uneven";
    if (y < (n + 1) / 2) out += " " + std::to_string(row.left);
  }
  return out;
}

// The recorded line decoded: rows step inwards by the run of 1 bits before each 0.
std::string recordedEllipseRows(std::istringstream& fields, std::vector<int>& open)
{
  std::string top;
  fields >> top;
  if (top == "-") return top;
  int n = 0, left = 0;
  std::string chain, unknown;
  fields >> n >> left >> chain >> unknown;
  for (std::size_t at = 1; at < unknown.size();) {
    std::size_t used = 0;
    open.push_back(std::stoi(unknown.substr(at), &used));
    at += used + 1;
  }
  std::string out = top + " " + std::to_string(n) + ":";
  std::size_t bit = 0;
  for (int y = 0; y < (n + 1) / 2; ++y) {
    while (y > 0 && ((std::stoi(chain.substr(bit / 4, 1), nullptr, 16) >> (3 - bit % 4)) & 1)) {
      --left;
      ++bit;
    }
    bit += y > 0;
    const bool isOpen = std::find(open.begin(), open.end(), y) != open.end();
    out += " " + (isOpen ? "?" : std::to_string(left));
  }
  return out;
}

// The drawn rows with the rows the recording leaves open marked "?".
std::string withOpenRows(const std::string& rows, const std::vector<int>& open)
{
  std::istringstream in(rows);
  std::string out, field;
  for (int index = -2; in >> field; ++index) {
    const bool isOpen = std::find(open.begin(), open.end(), index) != open.end();
    out += (out.empty() ? "" : " ") + (isOpen ? std::string("?") : field);
  }
  return out;
}

}  // namespace

// Every ellipse region from 0x0 to 64x64 and a sample up to 640x480 against Windows' regions:
// its integer stepping, not the exact curve, decides the pixels at each step, so a row may step
// in by two where the curve turns through 45 degrees, and tall narrow ones keep the middle column
// up to the top row.
TEST(GdiFidelityTest, EllipseRegionsMatchTheRecordedRows)
{
  const std::vector<std::string> table = tableLines("ellipses.txt");
  ASSERT_EQ(table.size(), 4617u);
  Tally all;
  for (const std::string& line : table) {
    std::istringstream fields(line);
    int w = 0, h = 0;
    fields >> w >> h;
    std::vector<int> open;
    const std::string recorded = recordedEllipseRows(fields, open);
    all.check(line, recorded, withOpenRows(ellipseRows(w, h), open));
  }
  EXPECT_EQ(all.matched(), all.total());
}

// Solid pens 2 to 8 wide: lines from (16, 16) in eight directions and three rectangles' frames,
// then every slanted direction to the border of the box 6 pixels about (16, 16), out ("Line")
// and back ("Back"). Rectangles and level or upright lines are Windows' round nib drawn along
// the outline; a slanted line is the polygon of its edges with the nib at both ends.
TEST(GdiFidelityTest, WidePensMatchTheRecordedPixels)
{
  const std::vector<std::string> table = tableLines("pens.txt");
  ASSERT_EQ(table.size(), 693u);
  Tally straight, slanted;
  for (const std::string& line : table) {
    std::istringstream fields(line);
    std::string call;
    int width = 0, x = 0, y = 0;
    fields >> call >> width >> x >> y;
    std::string recorded;
    std::getline(fields, recorded);
    const Pixels pixels = drawn([&](HDC dc) {
      HPEN pen = CreatePen(PS_SOLID, width, RGB(255, 255, 255));
      SelectObject(dc, pen);
      SelectObject(dc, GetStockObject(NULL_BRUSH));
      if (call == "Rectangle") {
        Rectangle(dc, 16, 16, 16 + x, 16 + y);
      } else {
        const bool back = call == "Back";
        MoveToEx(dc, back ? 16 + x : 16, back ? 16 + y : 16, nullptr);
        LineTo(dc, back ? 16 : 16 + x, back ? 16 : 16 + y);
      }
      SelectObject(dc, GetStockObject(BLACK_PEN));
      DeleteObject(pen);
    });
    (call != "Rectangle" && x != 0 && y != 0 ? slanted : straight)
        .check(line, recorded, pixels.spans(16));
  }
  EXPECT_EQ(straight.total(), 42);
  EXPECT_EQ(straight.matched(), straight.total());
  EXPECT_EQ(slanted.total(), 651);
  EXPECT_EQ(slanted.matched(), slanted.total());
}
