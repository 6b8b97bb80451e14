#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// Counts the cases whose pixels match, reporting the first few that do not.
class Tally {
 public:
  void check(const std::string& what, const std::string& expected, const std::string& actual)
  {
    ++total_;
    if (expected == actual) {
      ++matched_;
    } else if (++reported_ <= 5) {
      ADD_FAILURE() << what << "\n  recorded:" << expected << "\n  drawn:   " << actual;
    }
  }
  int matched() const { return matched_; }
  int total() const { return total_; }

 private:
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
